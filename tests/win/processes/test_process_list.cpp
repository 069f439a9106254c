// Naming the listed processes, listing on a system whose performance data has no process
// object (Wine's own titles), and terminating one listed process.
#include "process_list.h"
#include "stop_component.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(RecordName, InstanceNameWithExeOrUnknown)
{
    struct Case {
        std::wstring instance;
        std::string expected;
    };
    const Case cases[] = {
        {L"MMC", "MMC.exe"},
        {L"explorer", "explorer.exe"},
        {L"", ".exe"},
        {std::wstring(255, L'a'), std::string(255, 'a') + ".exe"},  // 259 characters: fits
        {std::wstring(256, L'a'), "unknown"},   // ".exe" would leave no room for the terminator
        {std::wstring(259, L'a'), "unknown"},   // converts, but no room for ".exe"
        {std::wstring(260, L'a'), "unknown"},   // doesn't convert into 260 bytes
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.expected);
        ProcessRecord record;
        memset(&record, 'x', sizeof record);
        set_record_name(&record, c.instance.c_str());
        EXPECT_EQ(std::string(record.name), c.expected);
    }
    ProcessRecord record = {};
    set_record_name(&record, NULL);
    EXPECT_STREQ(record.name, "unknown");
}

TEST(ListProcesses, NothingWithoutAProcessObjectOrRoom)
{
    // The shared test prefix keeps Wine's own titles, which name no process object.
    ProcessRecord records[4] = {};
    records[0].process_id = 77;
    EXPECT_EQ(list_processes(records, 4), 0u);
    EXPECT_EQ(records[0].process_id, 77u);
    EXPECT_EQ(list_processes(records, 1), 0u);
    EXPECT_EQ(list_processes(records, 0), 0u);
}

namespace {

// Starts the system's command interpreter suspended: a process that stays until it is ended.
bool start_suspended_process(PROCESS_INFORMATION *process)
{
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length + sizeof "\\cmd.exe" > sizeof path)
        return false;
    strcpy(path + length, "\\cmd.exe");
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    return CreateProcessA(path, NULL, NULL, NULL, FALSE, CREATE_SUSPENDED, NULL, NULL, &startup,
                          process) != FALSE;
}

}  // namespace

TEST(StopProcess, TerminatesWhatItCanOpenAndNothingElse)
{
    PROCESS_INFORMATION child = {};
    ASSERT_TRUE(start_suspended_process(&child));
    ProcessRecord record = {};
    record.process_id = child.dwProcessId;
    EXPECT_TRUE(stop_process(&record));
    EXPECT_EQ(WaitForSingleObject(child.hProcess, 5000), WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(child.hProcess, &code));
    EXPECT_EQ(code, 1u);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);

    // The idle instance's identifier, as listed, names no process that can be opened: it
    // has not been stopped.
    record.process_id = 0xFFFFFFFE;
    EXPECT_FALSE(stop_process(&record));
}
