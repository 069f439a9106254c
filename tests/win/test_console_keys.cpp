// The key reader on key events written into this program's own console input: which
// key-down events answer and which are no key press at all.
#include "console.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

INPUT_RECORD key_down(WORD virtual_key, WORD scan_code, char character, DWORD control_state)
{
    INPUT_RECORD record = {};
    record.EventType = KEY_EVENT;
    record.Event.KeyEvent.bKeyDown = TRUE;
    record.Event.KeyEvent.wRepeatCount = 1;
    record.Event.KeyEvent.wVirtualKeyCode = virtual_key;
    record.Event.KeyEvent.wVirtualScanCode = scan_code;
    record.Event.KeyEvent.uChar.AsciiChar = character;
    record.Event.KeyEvent.dwControlKeyState = control_state;
    return record;
}

// The console's input buffer, the one read_key reads.
HANDLE console_input()
{
    return CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, 0, nullptr);
}

}  // namespace

TEST(ReadKey, AnswersOnlyWithKeysThatCarryACodeOfTheirOwn)
{
    HANDLE input = console_input();
    ASSERT_NE(input, INVALID_HANDLE_VALUE) << "no console: run this program in a terminal";
    // After each event a plain "x" follows, so that an event that is no key press shows
    // as the "x" being read in its place.
    const INPUT_RECORD x = key_down('X', 45, 'x', 0);
    struct {
        const char *what;
        INPUT_RECORD event;
        std::vector<int> codes;
    } cases[] = {
        {"y with its character", key_down('Y', 21, 'y', 0), {'y'}},
        {"N with its character", key_down('N', 49, 'N', SHIFT_PRESSED), {'N'}},
        // A dead key or an input method's event on a letter's position carries no
        // character: it must not answer the prompt.
        {"Y position without a character", key_down('Y', 21, 0, 0), {'x'}},
        {"Shift+Y position without a character", key_down('Y', 21, 0, SHIFT_PRESSED), {'x'}},
        {"N position without a character", key_down('N', 49, 0, 0), {'x'}},
        {"Ctrl+Y position without a character", key_down('Y', 21, 0, LEFT_CTRL_PRESSED), {'x'}},
        {"Esc without its character", key_down(VK_ESCAPE, 1, 0, 0), {27}},
        {"Shift+F6", key_down(VK_F6, 64, 0, SHIFT_PRESSED), {0, 'Y'}},
        {"Alt+F7", key_down(VK_F7, 65, 0, LEFT_ALT_PRESSED), {0, 'n'}},
        {"Shift alone", key_down(VK_SHIFT, 42, 0, SHIFT_PRESSED), {'x'}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(FlushConsoleInputBuffer(input));
        const INPUT_RECORD records[] = {c.event, x};
        DWORD written = 0;
        ASSERT_TRUE(WriteConsoleInputA(input, records, 2, &written));
        ASSERT_EQ(written, 2u);
        std::vector<int> codes;
        for (size_t i = 0; i < c.codes.size(); ++i)
            codes.push_back(read_key());
        EXPECT_EQ(codes, c.codes);
    }
    CloseHandle(input);
}
