// A library planted beside trevalin under the name of a system library that the platform
// does not always load from its own folder. Loading it leaves "loaded" in
// C:\planted_library.txt; its blit hands the work to gdi32, so that a program that
// imports it still runs and shows whether it was taken.
#include <windows.h>

#include "record_line.h"

extern "C" BOOL WINAPI PlantedTransparentBlt(HDC dest, int destX, int destY, int destWidth,
                                             int destHeight, HDC source, int sourceX, int sourceY,
                                             int sourceWidth, int sourceHeight, UINT transparent)
{
    return GdiTransparentBlt(dest, destX, destY, destWidth, destHeight, source, sourceX, sourceY,
                             sourceWidth, sourceHeight, transparent);
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        Record(L"C:\\planted_library.txt", "loaded");
    return TRUE;
}
