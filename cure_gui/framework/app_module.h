// The module object: the program's instance handle, its main thread, and the message
// loop that each thread running one has registered.
#pragma once

#include <windows.h>

#include <map>

class CMessageLoop;

class CAppModule
{
public:
    CAppModule();
    ~CAppModule();

    // Records the instance and the calling thread as the main thread and makes the empty
    // thread-to-loop map; E_OUTOFMEMORY when the map can't be allocated.
    HRESULT Init(HINSTANCE hInstance);
    // Frees the map; loops still registered are forgotten, not destroyed.
    void Term();

    HINSTANCE GetModuleInstance() const { return m_hInstance; }
    // Every resource of the program is loaded from here.
    HINSTANCE GetResourceInstance() const { return m_hInstance; }
    DWORD GetMainThreadID() const { return m_dwMainThreadID; }

    // Registers pLoop as the calling thread's loop; false when the module isn't
    // initialised or the thread already has one.
    bool AddMessageLoop(CMessageLoop* pLoop);
    // Forgets the calling thread's loop; false when it had none.
    bool RemoveMessageLoop();
    // The loop registered by thread dwThreadID, or null.
    CMessageLoop* GetMessageLoop(DWORD dwThreadID = ::GetCurrentThreadId()) const;

private:
    CAppModule(const CAppModule&);
    CAppModule& operator=(const CAppModule&);

    HINSTANCE m_hInstance;
    DWORD m_dwMainThreadID;
    // Guards m_pMsgLoopMap; the map exists between Init and Term only.
    mutable CRITICAL_SECTION m_csMsgLoopMap;
    std::map<DWORD, CMessageLoop*>* m_pMsgLoopMap;
};

// The program's one module object.
extern CAppModule g_module;
