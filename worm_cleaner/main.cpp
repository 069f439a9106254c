// pemvolt: entry point and the fixed sequence of cleaning steps.
#include "console.h"
#include "drive_sweep.h"
#include "network_repair.h"
#include "path_join.h"
#include "rich_edit.h"
#include "run_paths.h"
#include "stop_component.h"
#include "temp_cleanup.h"

#include <cstring>

namespace {

const char copyright_notice[] = "Copyright (C) 2026 Varnholt. All rights reserved.";
const char vendor_download_address[] = "http://www.varnholt.example/download/";

// Each name stands for a service, running processes and service keys of the worm.
const char *const worm_components[] = {
    "MMC.EXE", "LOAD.EXE", "ADMIN.DLL", "COOL.DLL", "HTTPODBC.DLL", "RICHED20.DLL", "EXPLORER.EXE",
};

// GetTempPathA into a buffer of MAX_PATH; false when there is no path or it would not fit
// (the call then reports the size it needs and leaves the buffer unfilled).
bool ask_temp_path(char *buffer)
{
    DWORD length = GetTempPathA(MAX_PATH, buffer);
    if (length == 0 || length >= MAX_PATH) {
        buffer[0] = '\0';
        return false;
    }
    return true;
}

// True for Y, false for N or when the console input can't be read at all.
bool user_confirms()
{
    for (;;) {
        int key = read_key();
        if (key == 'y' || key == 'Y')
            return true;
        // Without a readable console nobody can confirm: that counts as No.
        if (key == 'n' || key == 'N' || key == -1)
            return false;
    }
}

// The shell is started from the Windows folder by its full path, and in that folder: a
// search would try the program's own folder and the current one first, and an
// "explorer.exe" there may be the worm's.
void restart_shell()
{
    char windows_folder[MAX_PATH];
    char program[MAX_PATH];
    const UINT length = GetWindowsDirectoryA(windows_folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    const char *separator = windows_folder[length - 1] == '\\' ? "" : "\\";
    if (!join_path(program, MAX_PATH, windows_folder, separator, "explorer.exe"))
        return;
    char command_line[] = "explorer.exe";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (CreateProcessA(program, command_line, nullptr, nullptr, FALSE, CREATE_DEFAULT_ERROR_MODE,
                       nullptr, windows_folder, &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

// A file that is still there with nothing registered is the user's to delete: the
// after-reboot line would not be true for it.
void report_temp_cleanup(temp_cleanup_result result)
{
    switch (result) {
    case temp_files_deleted:
        console_print("All temporary files has been deleted.\n");
        break;
    case temp_files_deferred:
        console_print("Some temporary files can not be deleted.\nThey will be deleted after reboot.\n");
        break;
    case temp_files_left:
        console_print("Some temporary files can not be deleted.\nPlease, delete temporary files manyally.\n");
        break;
    }
}

void sweep_fixed_drives(char *root)
{
    for (char letter = 'c'; letter <= 'z'; ++letter) {
        root[0] = letter;
        root[1] = ':';
        root[2] = '\\';
        root[3] = '\0';
        if (GetDriveTypeA(root) == DRIVE_FIXED)
            sweep_folder(root);
    }
}

}  // namespace

int main()
{
    // "c:\" when the system names no usable folder.
    if (!ask_temp_path(temp_folder_path))
        strcpy(temp_folder_path, "c:\\");

    console_print("Pemvolt - removal tool for I-Worm.Pellix\n%s\n\n", copyright_notice);
    console_print("To continue executing, please, save all your data and close all windows,\n"
                  "because this program will restart Explorer.exe.\n"
                  "This is needed to prevent reinfection in case you was infected by this virus.\n");
    console_print("\nDo you want to continue (N - No, Y - Yes).\n");
    if (!user_confirms())
        return 0;

    for (const char *name : worm_components)
        stop_worm_component(name);

    restart_shell();

    // Holds the temporary folder first, then each drive root in turn.
    char folder[MAX_PATH];
    if (!ask_temp_path(folder))
        console_print("Temporary folder can not be found.\nPlease, delete temporary files manyally.\n");
    else
        report_temp_cleanup(clean_temp_folder(folder));

    sweep_fixed_drives(folder);

    WritePrivateProfileStringA("boot", "shell", "Explorer.exe", "system.ini");
    console_print("SHELL link value in system.ini file has been restored to default (Explorer.exe).\n");

    repair_network_access();

    if (restore_rich_edit_library())
        console_print("New RichEd20.dll has been created in SYSTEM or SYSTEM32 folder.\n");
    else
        console_print("New RichEd20.dll can not be created.\n"
                      "Please find it on installation disk and copy to SYSTEM or SYSTEM32 folder.\n");

    console_print("We recommend to use Varnholt Anti-Virus to scan your hard drive.\n");
    console_print("You can download free trial version of Varnholt Anti-Virus from\n%s\n",
                  vendor_download_address);
    console_print("You should close all programs and restart your PC now\n"
                  "to finalize removal of this virus.\n");
    console_print("\nPress any key to continue.\n");

    // Any key ends the run, and so does a console that can't be read.
    read_key();
    return 0;
}
