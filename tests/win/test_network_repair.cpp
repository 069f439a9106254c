// The network repair's two halves: the "c$" share deletion against a stand-in svrapi.dll,
// and the guest account command against a stand-in "net" command.
#include "network_repair.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

// Windows form of a Linux path of the build tree.
std::string from_build_tree(const char *linux_path)
{
    std::string path = std::string("\\\\?\\unix") + linux_path;
    for (char &c : path)
        if (c == '/')
            c = '\\';
    return path;
}

std::string read_text(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

const char share_log[] = "C:\\standin_share.log";
const char net_log[] = "C:\\standin_net.log";

struct ShareCase {
    const char *what;
    const char *shares;        // the stand-in's shares, "name:type,..."
    const char *enum_status;   // forced status of the first and second enumeration
    const char *del_status;    // what each deletion returns
    bool result;
    const char *log;           // the calls the stand-in saw
};

}  // namespace

TEST(RemoveCShare, DeletesDiskSharesNamedCDollarOnly)
{
    const ShareCase cases[] = {
        {"c$ and C$ disk shares among others", "print:1,c$:0,C$:0,c$:1,d$:0,ABCDEFGHIJKLM:0", "", "",
         true, "enum 50 42\nenum 50 252\ndel c$\ndel C$\n"},
        {"no c$ share", "d$:0,docs:0", "", "", true, "enum 50 42\nenum 50 84\n"},
        {"no shares: a zero-sized second enumeration", "", "", "", true, "enum 50 42\nenum 50 0\n"},
        {"a failed deletion, the next one still tried", "C$:0,x:0,c$:0", "", "2", false,
         "enum 50 42\nenum 50 126\ndel C$\ndel c$\n"},
        {"the second enumeration fails: nothing checked", "c$:0", ",2102", "", false,
         "enum 50 42\nenum 50 42\n"},
        {"more data: the records returned are examined", "c$:0,d$:0", ",234", "", true,
         "enum 50 42\nenum 50 84\ndel c$\n"},
        {"the probe's failure is not looked at", "e$:0,c$:0", "2102", "", true,
         "enum 50 42\nenum 50 84\ndel c$\n"},
    };
    const std::string library_path = from_build_tree(STANDIN_SVRAPI);
    for (const ShareCase &c : cases) {
        SCOPED_TRACE(c.what);
        DeleteFileA(share_log);
        SetEnvironmentVariableA("STANDIN_SHARE_LOG", share_log);
        SetEnvironmentVariableA("STANDIN_SHARES", c.shares);
        SetEnvironmentVariableA("STANDIN_SHARE_ENUM_STATUS", c.enum_status);
        SetEnvironmentVariableA("STANDIN_SHARE_DEL_STATUS", c.del_status);
        // Loaded afresh for each case: the stand-in counts its enumerations.
        HMODULE library = LoadLibraryA(library_path.c_str());
        ASSERT_NE(library, nullptr) << library_path;
        EXPECT_EQ(remove_c_share(library), c.result);
        FreeLibrary(library);
        EXPECT_EQ(read_text(share_log), c.log);
    }
    DeleteFileA(share_log);
}

TEST(RemoveCShare, MissingLibraryOrEntryPointFails)
{
    EXPECT_FALSE(remove_c_share(nullptr));
    // A library without the share functions.
    EXPECT_FALSE(remove_c_share(GetModuleHandleA("kernel32.dll")));
}

TEST(RemoveGuest, RunsTheSystemsNetCommandAndReportsItsStatus)
{
    // The stand-in takes the place of the system's own net for the test.
    char system_folder[MAX_PATH];
    const UINT length = GetSystemDirectoryA(system_folder, MAX_PATH);
    ASSERT_TRUE(length > 0 && length < MAX_PATH);
    const std::string net = std::string(system_folder) + "\\net.exe";
    const std::string saved = net + ".saved";
    ASSERT_TRUE(MoveFileExA(net.c_str(), saved.c_str(), MOVEFILE_REPLACE_EXISTING));
    ASSERT_TRUE(CopyFileA(from_build_tree(STANDIN_NET).c_str(), net.c_str(), FALSE));
    SetEnvironmentVariableA("STANDIN_NET_LOG", net_log);

    struct {
        const char *exit_status;
        bool result;
    } cases[] = {{"0", true}, {"2", false}, {"-1", false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.exit_status);
        DeleteFileA(net_log);
        SetEnvironmentVariableA("STANDIN_NET_EXIT", c.exit_status);
        EXPECT_EQ(remove_guest_from_administrators(), c.result);
        EXPECT_EQ(read_text(net_log), "localgroup Administrators guest /delete\n");
    }
    DeleteFileA(net_log);
    EXPECT_TRUE(MoveFileExA(saved.c_str(), net.c_str(), MOVEFILE_REPLACE_EXISTING));
}
