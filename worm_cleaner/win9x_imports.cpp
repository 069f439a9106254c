// Lets the 32-bit program load on the 9x family. A program that imports a function the
// system's kernel32 lacks is refused by the loader before it runs, and the thread runtime
// that the C++ runtime links in imports some that only the NT family has. This object
// defines those imports' address slots itself, so the imports are never made: each slot
// points to a stand-in that calls the system's function when kernel32 has it (the NT
// family, where nothing changes) and otherwise does what that runtime can live with.
// The program has one thread: nothing else ever holds its locks, it never waits with a
// timeout through that runtime (the 49-day wrap of GetTickCount does not matter), and it
// sets no affinity or thread names.
#include <windows.h>

#if defined(__i386__)

namespace {

// kernel32 is loaded in every process, so asking it by name finds the system's own.
FARPROC kernel32_function(const char *name)
{
    HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    return kernel32 != nullptr ? GetProcAddress(kernel32, name) : nullptr;
}

template <typename Function>
Function system_function(const char *name)
{
    return reinterpret_cast<Function>(kernel32_function(name));
}

BOOL not_implemented()
{
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
}

ULONGLONG WINAPI tick_count_64()
{
    return GetTickCount();
}

BOOL WINAPI is_debugger_present()
{
    const auto system = system_function<BOOL(WINAPI *)()>("IsDebuggerPresent");
    return system != nullptr ? system() : FALSE;
}

PVOID WINAPI add_vectored_exception_handler(ULONG first, PVECTORED_EXCEPTION_HANDLER handler)
{
    const auto system = system_function<PVOID(WINAPI *)(ULONG, PVECTORED_EXCEPTION_HANDLER)>(
        "AddVectoredExceptionHandler");
    return system != nullptr ? system(first, handler) : nullptr;
}

ULONG WINAPI remove_vectored_exception_handler(PVOID handle)
{
    const auto system = system_function<ULONG(WINAPI *)(PVOID)>("RemoveVectoredExceptionHandler");
    return system != nullptr ? system(handle) : 0;
}

BOOL WINAPI get_handle_information(HANDLE handle, LPDWORD flags)
{
    const auto system = system_function<BOOL(WINAPI *)(HANDLE, LPDWORD)>("GetHandleInformation");
    return system != nullptr ? system(handle, flags) : not_implemented();
}

// With one thread no one else can hold the section, so entering it never waits.
BOOL WINAPI try_enter_critical_section(LPCRITICAL_SECTION section)
{
    const auto system = system_function<BOOL(WINAPI *)(LPCRITICAL_SECTION)>("TryEnterCriticalSection");
    if (system != nullptr)
        return system(section);
    EnterCriticalSection(section);
    return TRUE;
}

BOOL WINAPI get_process_affinity_mask(HANDLE process, PDWORD_PTR process_mask, PDWORD_PTR system_mask)
{
    const auto system = system_function<BOOL(WINAPI *)(HANDLE, PDWORD_PTR, PDWORD_PTR)>(
        "GetProcessAffinityMask");
    return system != nullptr ? system(process, process_mask, system_mask) : not_implemented();
}

BOOL WINAPI set_process_affinity_mask(HANDLE process, DWORD_PTR mask)
{
    const auto system = system_function<BOOL(WINAPI *)(HANDLE, DWORD_PTR)>("SetProcessAffinityMask");
    return system != nullptr ? system(process, mask) : not_implemented();
}

}  // namespace

// Defines the address slot that the import symbol names, pointing to the stand-in.
#define IMPORT_SLOT(slot, symbol, standin)                    \
    extern "C" decltype(&standin) const slot __asm__(symbol); \
    extern "C" decltype(&standin) const slot = standin

IMPORT_SLOT(import_slot_get_tick_count_64, "__imp__GetTickCount64@0", tick_count_64);
IMPORT_SLOT(import_slot_is_debugger_present, "__imp__IsDebuggerPresent@0", is_debugger_present);
IMPORT_SLOT(import_slot_add_vectored_exception_handler, "__imp__AddVectoredExceptionHandler@8",
            add_vectored_exception_handler);
IMPORT_SLOT(import_slot_remove_vectored_exception_handler, "__imp__RemoveVectoredExceptionHandler@4",
            remove_vectored_exception_handler);
IMPORT_SLOT(import_slot_get_handle_information, "__imp__GetHandleInformation@8", get_handle_information);
IMPORT_SLOT(import_slot_try_enter_critical_section, "__imp__TryEnterCriticalSection@4",
            try_enter_critical_section);
IMPORT_SLOT(import_slot_get_process_affinity_mask, "__imp__GetProcessAffinityMask@12",
            get_process_affinity_mask);
IMPORT_SLOT(import_slot_set_process_affinity_mask, "__imp__SetProcessAffinityMask@8",
            set_process_affinity_mask);

#endif
