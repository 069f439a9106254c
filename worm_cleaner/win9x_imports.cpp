// Lets the 32-bit program load on the 9x family. The thread runtime that the C++ runtime
// links in imports GetTickCount64, which the 9x family's kernel32 lacks, and a program
// importing a missing function is refused by the loader before it runs. This object
// defines that import's address slot itself, so the import is never made: the slot points
// to a stand-in counting from GetTickCount. The program has one thread and never waits
// with a timeout through that runtime, so the 49-day wrap of GetTickCount does not matter.
#include <windows.h>

#if defined(__i386__)

namespace {

ULONGLONG WINAPI tick_count_64()
{
    return GetTickCount();
}

}  // namespace

extern "C" ULONGLONG(WINAPI *const import_slot_get_tick_count_64)(void) __asm__("__imp__GetTickCount64@0");
extern "C" ULONGLONG(WINAPI *const import_slot_get_tick_count_64)(void) = tick_count_64;

#endif
