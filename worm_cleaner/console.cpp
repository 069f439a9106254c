// Console output and key input, shared by every step.
#include "console.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>

int console_print(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    int written = vprintf(format, args);
    va_end(args);
    // Every message is on the screen before the step that follows it begins.
    fflush(stdout);
    return written;
}

namespace {

// A key's two codes as the console runtime reports them: a character alone (second 0),
// a lead of 0 or 224 followed by the extended code, or nothing at all (both 0).
struct KeyCodes {
    unsigned char lead;
    unsigned char second;
};

// The codes of one key without modifiers, with Shift, with Ctrl and with Alt.
struct KeyRow {
    KeyCodes plain, shift, ctrl, alt;
};

// Rows by keyboard scan code, after the PC keyboard's extended key codes. Keys that
// produce a character report it themselves; of their character entries only Esc's is
// ever used, for an Esc that the console delivers without its character.
const KeyRow normal_keys[] = {
    /*  0 */ {{0, 0}, {0, 0}, {0, 0}, {0, 0}},
    /*  1 Esc */ {{27, 0}, {27, 0}, {27, 0}, {0, 1}},
    /*  2 1 */ {{'1', 0}, {'!', 0}, {0, 0}, {0, 120}},
    /*  3 2 */ {{'2', 0}, {'@', 0}, {0, 3}, {0, 121}},
    /*  4 3 */ {{'3', 0}, {'#', 0}, {0, 0}, {0, 122}},
    /*  5 4 */ {{'4', 0}, {'$', 0}, {0, 0}, {0, 123}},
    /*  6 5 */ {{'5', 0}, {'%', 0}, {0, 0}, {0, 124}},
    /*  7 6 */ {{'6', 0}, {'^', 0}, {30, 0}, {0, 125}},
    /*  8 7 */ {{'7', 0}, {'&', 0}, {0, 0}, {0, 126}},
    /*  9 8 */ {{'8', 0}, {'*', 0}, {0, 0}, {0, 127}},
    /* 10 9 */ {{'9', 0}, {'(', 0}, {0, 0}, {0, 128}},
    /* 11 0 */ {{'0', 0}, {')', 0}, {0, 0}, {0, 129}},
    /* 12 - */ {{'-', 0}, {'_', 0}, {31, 0}, {0, 130}},
    /* 13 = */ {{'=', 0}, {'+', 0}, {0, 0}, {0, 131}},
    /* 14 Backspace */ {{8, 0}, {8, 0}, {127, 0}, {0, 14}},
    /* 15 Tab */ {{9, 0}, {0, 15}, {0, 148}, {0, 165}},
    /* 16 q */ {{'q', 0}, {'Q', 0}, {17, 0}, {0, 16}},
    /* 17 w */ {{'w', 0}, {'W', 0}, {23, 0}, {0, 17}},
    /* 18 e */ {{'e', 0}, {'E', 0}, {5, 0}, {0, 18}},
    /* 19 r */ {{'r', 0}, {'R', 0}, {18, 0}, {0, 19}},
    /* 20 t */ {{'t', 0}, {'T', 0}, {20, 0}, {0, 20}},
    /* 21 y */ {{'y', 0}, {'Y', 0}, {25, 0}, {0, 21}},
    /* 22 u */ {{'u', 0}, {'U', 0}, {21, 0}, {0, 22}},
    /* 23 i */ {{'i', 0}, {'I', 0}, {9, 0}, {0, 23}},
    /* 24 o */ {{'o', 0}, {'O', 0}, {15, 0}, {0, 24}},
    /* 25 p */ {{'p', 0}, {'P', 0}, {16, 0}, {0, 25}},
    /* 26 [ */ {{'[', 0}, {'{', 0}, {27, 0}, {0, 26}},
    /* 27 ] */ {{']', 0}, {'}', 0}, {29, 0}, {0, 27}},
    /* 28 Enter */ {{13, 0}, {13, 0}, {10, 0}, {0, 28}},
    /* 29 Ctrl */ {{0, 0}, {0, 0}, {0, 0}, {0, 0}},
    /* 30 a */ {{'a', 0}, {'A', 0}, {1, 0}, {0, 30}},
    /* 31 s */ {{'s', 0}, {'S', 0}, {19, 0}, {0, 31}},
    /* 32 d */ {{'d', 0}, {'D', 0}, {4, 0}, {0, 32}},
    /* 33 f */ {{'f', 0}, {'F', 0}, {6, 0}, {0, 33}},
    /* 34 g */ {{'g', 0}, {'G', 0}, {7, 0}, {0, 34}},
    /* 35 h */ {{'h', 0}, {'H', 0}, {8, 0}, {0, 35}},
    /* 36 j */ {{'j', 0}, {'J', 0}, {10, 0}, {0, 36}},
    /* 37 k */ {{'k', 0}, {'K', 0}, {11, 0}, {0, 37}},
    /* 38 l */ {{'l', 0}, {'L', 0}, {12, 0}, {0, 38}},
    /* 39 ; */ {{';', 0}, {':', 0}, {0, 0}, {0, 39}},
    /* 40 ' */ {{'\'', 0}, {'"', 0}, {0, 0}, {0, 40}},
    /* 41 ` */ {{'`', 0}, {'~', 0}, {0, 0}, {0, 41}},
    /* 42 left Shift */ {{0, 0}, {0, 0}, {0, 0}, {0, 0}},
    /* 43 \ */ {{'\\', 0}, {'|', 0}, {28, 0}, {0, 43}},
    /* 44 z */ {{'z', 0}, {'Z', 0}, {26, 0}, {0, 44}},
    /* 45 x */ {{'x', 0}, {'X', 0}, {24, 0}, {0, 45}},
    /* 46 c */ {{'c', 0}, {'C', 0}, {3, 0}, {0, 46}},
    /* 47 v */ {{'v', 0}, {'V', 0}, {22, 0}, {0, 47}},
    /* 48 b */ {{'b', 0}, {'B', 0}, {2, 0}, {0, 48}},
    /* 49 n */ {{'n', 0}, {'N', 0}, {14, 0}, {0, 49}},
    /* 50 m */ {{'m', 0}, {'M', 0}, {13, 0}, {0, 50}},
    /* 51 , */ {{',', 0}, {'<', 0}, {0, 0}, {0, 51}},
    /* 52 . */ {{'.', 0}, {'>', 0}, {0, 0}, {0, 52}},
    /* 53 / */ {{'/', 0}, {'?', 0}, {0, 0}, {0, 53}},
    /* 54 right Shift */ {{0, 0}, {0, 0}, {0, 0}, {0, 0}},
    /* 55 keypad * */ {{'*', 0}, {'*', 0}, {0, 114}, {0, 55}},
    /* 56 Alt */ {{0, 0}, {0, 0}, {0, 0}, {0, 0}},
    /* 57 space */ {{' ', 0}, {' ', 0}, {' ', 0}, {' ', 0}},
    /* 58 Caps Lock */ {{0, 0}, {0, 0}, {0, 0}, {0, 0}},
    /* 59 F1 */ {{0, 59}, {0, 84}, {0, 94}, {0, 104}},
    /* 60 F2 */ {{0, 60}, {0, 85}, {0, 95}, {0, 105}},
    /* 61 F3 */ {{0, 61}, {0, 86}, {0, 96}, {0, 106}},
    /* 62 F4 */ {{0, 62}, {0, 87}, {0, 97}, {0, 107}},
    /* 63 F5 */ {{0, 63}, {0, 88}, {0, 98}, {0, 108}},
    /* 64 F6 */ {{0, 64}, {0, 89}, {0, 99}, {0, 109}},
    /* 65 F7 */ {{0, 65}, {0, 90}, {0, 100}, {0, 110}},
    /* 66 F8 */ {{0, 66}, {0, 91}, {0, 101}, {0, 111}},
    /* 67 F9 */ {{0, 67}, {0, 92}, {0, 102}, {0, 112}},
    /* 68 F10 */ {{0, 68}, {0, 93}, {0, 103}, {0, 113}},
    /* 69 Num Lock */ {{0, 0}, {0, 0}, {0, 0}, {0, 0}},
    /* 70 Scroll Lock */ {{0, 0}, {0, 0}, {0, 0}, {0, 0}},
    /* 71 keypad Home */ {{0, 71}, {'7', 0}, {0, 119}, {0, 0}},
    /* 72 keypad Up */ {{0, 72}, {'8', 0}, {0, 141}, {0, 0}},
    /* 73 keypad PgUp */ {{0, 73}, {'9', 0}, {0, 132}, {0, 0}},
    /* 74 keypad - */ {{'-', 0}, {'-', 0}, {0, 142}, {0, 74}},
    /* 75 keypad Left */ {{0, 75}, {'4', 0}, {0, 115}, {0, 0}},
    /* 76 keypad 5 */ {{0, 76}, {'5', 0}, {0, 143}, {0, 0}},
    /* 77 keypad Right */ {{0, 77}, {'6', 0}, {0, 116}, {0, 0}},
    /* 78 keypad + */ {{'+', 0}, {'+', 0}, {0, 144}, {0, 78}},
    /* 79 keypad End */ {{0, 79}, {'1', 0}, {0, 117}, {0, 0}},
    /* 80 keypad Down */ {{0, 80}, {'2', 0}, {0, 145}, {0, 0}},
    /* 81 keypad PgDn */ {{0, 81}, {'3', 0}, {0, 118}, {0, 0}},
    /* 82 keypad Ins */ {{0, 82}, {'0', 0}, {0, 146}, {0, 0}},
    /* 83 keypad Del */ {{0, 83}, {'.', 0}, {0, 147}, {0, 0}},
    /* 84 */ {{0, 0}, {0, 0}, {0, 0}, {0, 0}},
    /* 85 */ {{0, 0}, {0, 0}, {0, 0}, {0, 0}},
    /* 86 */ {{0, 0}, {0, 0}, {0, 0}, {0, 0}},
    /* 87 F11 */ {{224, 133}, {224, 135}, {224, 137}, {224, 139}},
    /* 88 F12 */ {{224, 134}, {224, 136}, {224, 138}, {224, 140}},
};

// The keys of the enhanced keyboard that share a scan code with a keypad key; the
// console marks them with ENHANCED_KEY.
struct EnhancedKeyRow {
    WORD scan_code;
    KeyRow codes;
};

const EnhancedKeyRow enhanced_keys[] = {
    {28, {{13, 0}, {13, 0}, {10, 0}, {0, 166}}},          // keypad Enter
    {53, {{'/', 0}, {'?', 0}, {0, 149}, {0, 164}}},       // keypad /
    {71, {{224, 71}, {224, 71}, {224, 119}, {0, 151}}},   // Home
    {72, {{224, 72}, {224, 72}, {224, 141}, {0, 152}}},   // Up
    {73, {{224, 73}, {224, 73}, {224, 134}, {0, 153}}},   // Page Up
    {75, {{224, 75}, {224, 75}, {224, 115}, {0, 155}}},   // Left
    {77, {{224, 77}, {224, 77}, {224, 116}, {0, 157}}},   // Right
    {79, {{224, 79}, {224, 79}, {224, 117}, {0, 159}}},   // End
    {80, {{224, 80}, {224, 80}, {224, 145}, {0, 160}}},   // Down
    {81, {{224, 81}, {224, 81}, {224, 118}, {0, 161}}},   // Page Down
    {82, {{224, 82}, {224, 82}, {224, 146}, {0, 162}}},   // Insert
    {83, {{224, 83}, {224, 83}, {224, 147}, {0, 163}}},   // Delete
};

// The codes for a key-down event that carries no character; both 0 when there are none.
KeyCodes codes_for_key(WORD scan_code, DWORD control_state)
{
    const KeyRow *row = nullptr;
    if (control_state & ENHANCED_KEY) {
        for (const EnhancedKeyRow &key : enhanced_keys) {
            if (key.scan_code == scan_code) {
                row = &key.codes;
                break;
            }
        }
    }
    if (row == nullptr && scan_code < sizeof(normal_keys) / sizeof(normal_keys[0]))
        row = &normal_keys[scan_code];
    if (row == nullptr)
        return KeyCodes{0, 0};
    if (control_state & (LEFT_ALT_PRESSED | RIGHT_ALT_PRESSED))
        return row->alt;
    if (control_state & (LEFT_CTRL_PRESSED | RIGHT_CTRL_PRESSED))
        return row->ctrl;
    if (control_state & SHIFT_PRESSED)
        return row->shift;
    return row->plain;
}

HANDLE console_input = INVALID_HANDLE_VALUE;
int pending_second_code = 0;  // the extended code still owed by the last key, or 0

}  // namespace

int read_key()
{
    if (pending_second_code != 0) {
        int code = pending_second_code;
        pending_second_code = 0;
        return code;
    }

    // The console's own input, so that a redirected standard input changes nothing.
    if (console_input == INVALID_HANDLE_VALUE) {
        console_input = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    0, nullptr);
        if (console_input == INVALID_HANDLE_VALUE)
            return -1;
    }
    DWORD saved_mode = 0;
    if (!GetConsoleMode(console_input, &saved_mode))
        return -1;
    // No line input, no echo, and Ctrl+C arrives as an ordinary key.
    SetConsoleMode(console_input, 0);

    int code = -1;
    for (;;) {
        INPUT_RECORD record;
        DWORD records_read = 0;
        if (!ReadConsoleInputA(console_input, &record, 1, &records_read) || records_read != 1)
            break;  // the input can't be read: -1, never a loop on the failure
        if (record.EventType != KEY_EVENT || !record.Event.KeyEvent.bKeyDown)
            continue;
        const KEY_EVENT_RECORD &key = record.Event.KeyEvent;
        unsigned char character = static_cast<unsigned char>(key.uChar.AsciiChar);
        if (character != 0) {
            code = character;
            break;
        }
        KeyCodes codes = codes_for_key(key.wVirtualScanCode, key.dwControlKeyState);
        if ((codes.lead == 0 || codes.lead == 224) && codes.second != 0) {
            code = codes.lead;
            pending_second_code = codes.second;
            break;
        }
        // Esc is the one key that some consoles deliver without its character. Any other
        // key-down without a character (a dead key, an input method's event) answers
        // nothing, even on the position of a letter.
        if (key.wVirtualKeyCode == VK_ESCAPE && codes.lead == 27 && codes.second == 0) {
            code = codes.lead;
            break;
        }
        // Shift, Ctrl or Alt alone, and keys without any code: not a key press here.
    }
    SetConsoleMode(console_input, saved_mode);
    return code;
}
