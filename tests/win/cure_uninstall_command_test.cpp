// Tests of how an uninstall command is resolved to the program file to start, with
// real files in a folder whose path has blanks, like "C:\Program Files".
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "uninstall_command.h"

namespace {

class UninstallCommandTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        wchar_t temp[MAX_PATH];
        ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
        root_ = std::wstring(temp) + L"cure command test";
        CreateDirectoryW(root_.c_str(), NULL);
        CreateDirectoryW((root_ + L"\\App Dir").c_str(), NULL);
        // The program itself and two shorter names that would win without care.
        MakeFile(L"\\App Dir\\uninst.exe");
        MakeFile(L"\\App.exe");
        MakeFile(L"\\App Dir\\uninst.exe.exe");  // never tried: the name has an extension
    }
    void TearDown() override
    {
        DeleteFileW((root_ + L"\\App Dir\\uninst.exe").c_str());
        DeleteFileW((root_ + L"\\App Dir\\uninst.exe.exe").c_str());
        DeleteFileW((root_ + L"\\App.exe").c_str());
        RemoveDirectoryW((root_ + L"\\App Dir").c_str());
        RemoveDirectoryW(root_.c_str());
    }
    void MakeFile(const wchar_t* relative)
    {
        HANDLE file = CreateFileW((root_ + relative).c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, NULL);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        CloseHandle(file);
    }

    std::wstring root_;
};

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

TEST_F(UninstallCommandTest, ResolvesTheProgramTheCommandNames)
{
    const std::wstring program = root_ + L"\\App Dir\\uninst.exe";
    const std::wstring quotedProgram = L"\"" + program + L"\"";
    const struct
    {
        std::wstring command;
        bool accepted;
        std::wstring application;
        std::wstring commandLine;
    } cases[] = {
        // Unquoted with blanks: the longest existing prefix, never the planted App.exe.
        {program + L" /S", true, program, quotedProgram + L" /S"},
        {program, true, program, quotedProgram},
        {L"  " + program + L"  /S /x", true, program, quotedProgram + L"  /S /x"},
        {root_ + L"\\App Dir\\uninst /S", true, program, quotedProgram + L" /S"},
        // Quoted: the platform reads the program name as it stands.
        {quotedProgram + L" /S", true, L"", quotedProgram + L" /S"},
        // Nothing by that name: not started, even though App.exe exists.
        {root_ + L"\\App Dir\\missing.exe /S", false, L"", L""},
        {L"", false, L"", L""},
        {L"   ", false, L"", L""},
    };
    for (const auto& testCase : cases)
    {
        SCOPED_TRACE(Narrow(testCase.command));
        wchar_t application[MAX_PATH];
        wchar_t commandLine[1024];
        EXPECT_EQ(PrepareUninstallCommand(testCase.command.c_str(), application, MAX_PATH,
                                          commandLine, 1024),
                  testCase.accepted);
        if (!testCase.accepted)
            continue;
        EXPECT_EQ(std::wstring(application), testCase.application);
        EXPECT_EQ(std::wstring(commandLine), testCase.commandLine);
    }
}

TEST_F(UninstallCommandTest, FindsABareProgramNameOnTheSearchPath)
{
    wchar_t application[MAX_PATH];
    wchar_t commandLine[1024];
    ASSERT_TRUE(PrepareUninstallCommand(L"MsiExec.exe /X{00000000-0000-0000-0000-000000000001}",
                                        application, MAX_PATH, commandLine, 1024));
    std::wstring found = application;
    ASSERT_GT(found.size(), 12u);
    EXPECT_EQ(_wcsicmp(found.c_str() + found.size() - 12, L"\\msiexec.exe"), 0);
    EXPECT_EQ(std::wstring(commandLine),
              L"\"" + found + L"\" /X{00000000-0000-0000-0000-000000000001}");
}

TEST_F(UninstallCommandTest, RefusesResultsThatDoNotFit)
{
    const std::wstring command = root_ + L"\\App Dir\\uninst.exe /S";
    wchar_t application[MAX_PATH];
    wchar_t commandLine[1024];
    // The quoted program name needs two units more than the command itself.
    EXPECT_FALSE(PrepareUninstallCommand(command.c_str(), application, MAX_PATH, commandLine,
                                         command.size() + 2));
    EXPECT_EQ(commandLine[0], L'\0');
    EXPECT_TRUE(PrepareUninstallCommand(command.c_str(), application, MAX_PATH, commandLine,
                                        command.size() + 3));
    const std::wstring quoted = L"\"" + root_ + L"\\App Dir\\uninst.exe\" /S";
    EXPECT_FALSE(PrepareUninstallCommand(quoted.c_str(), application, MAX_PATH, commandLine,
                                         quoted.size()));
}

}  // namespace
