// Naming the listed processes, and listing on a system whose performance data has no
// process object (Wine's own titles).
#include "process_list.h"

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
