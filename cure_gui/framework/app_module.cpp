// The module object: instance handle, main thread and the lock-guarded map from thread
// to message loop.
#include "framework/app_module.h"

#include <new>

CAppModule g_module;

CAppModule::CAppModule()
    : m_hInstance(nullptr), m_dwMainThreadID(0), m_pMsgLoopMap(nullptr)
{
    // The lock lives as long as the object, so that a late lookup after Term is safe.
    ::InitializeCriticalSection(&m_csMsgLoopMap);
}

CAppModule::~CAppModule()
{
    Term();
    ::DeleteCriticalSection(&m_csMsgLoopMap);
}

HRESULT CAppModule::Init(HINSTANCE hInstance)
{
    m_hInstance = hInstance;
    m_dwMainThreadID = ::GetCurrentThreadId();
    std::map<DWORD, CMessageLoop*>* pMap = new (std::nothrow) std::map<DWORD, CMessageLoop*>;
    if (pMap == nullptr)
        return E_OUTOFMEMORY;
    ::EnterCriticalSection(&m_csMsgLoopMap);
    delete m_pMsgLoopMap;
    m_pMsgLoopMap = pMap;
    ::LeaveCriticalSection(&m_csMsgLoopMap);
    return S_OK;
}

void CAppModule::Term()
{
    ::EnterCriticalSection(&m_csMsgLoopMap);
    delete m_pMsgLoopMap;
    m_pMsgLoopMap = nullptr;
    ::LeaveCriticalSection(&m_csMsgLoopMap);
}

bool CAppModule::AddMessageLoop(CMessageLoop* pLoop)
{
    if (pLoop == nullptr)
        return false;
    bool bAdded = false;
    ::EnterCriticalSection(&m_csMsgLoopMap);
    if (m_pMsgLoopMap != nullptr)
    {
        try
        {
            bAdded = m_pMsgLoopMap->emplace(::GetCurrentThreadId(), pLoop).second;
        }
        catch (...)
        {
            bAdded = false;  // out of memory: the loop stays unregistered
        }
    }
    ::LeaveCriticalSection(&m_csMsgLoopMap);
    return bAdded;
}

bool CAppModule::RemoveMessageLoop()
{
    bool bRemoved = false;
    ::EnterCriticalSection(&m_csMsgLoopMap);
    if (m_pMsgLoopMap != nullptr)
        bRemoved = m_pMsgLoopMap->erase(::GetCurrentThreadId()) != 0;
    ::LeaveCriticalSection(&m_csMsgLoopMap);
    return bRemoved;
}

CMessageLoop* CAppModule::GetMessageLoop(DWORD dwThreadID) const
{
    CMessageLoop* pLoop = nullptr;
    ::EnterCriticalSection(&m_csMsgLoopMap);
    if (m_pMsgLoopMap != nullptr)
    {
        std::map<DWORD, CMessageLoop*>::const_iterator it = m_pMsgLoopMap->find(dwThreadID);
        if (it != m_pMsgLoopMap->end())
            pLoop = it->second;
    }
    ::LeaveCriticalSection(&m_csMsgLoopMap);
    return pLoop;
}
