// The message loop: idle handlers while the queue is empty, filters newest first, then
// translation and dispatch.
#include "framework/message_loop.h"

#include <algorithm>

namespace {

template <class T>
bool AddUnique(std::vector<T*>& list, T* item)
{
    if (item == nullptr)
        return false;
    list.erase(std::remove(list.begin(), list.end(), static_cast<T*>(nullptr)), list.end());
    try
    {
        list.push_back(item);
    }
    catch (...)
    {
        return false;
    }
    return true;
}

template <class T>
bool ClearSlot(std::vector<T*>& list, T* item)
{
    if (item == nullptr)
        return false;
    typename std::vector<T*>::iterator it = std::find(list.begin(), list.end(), item);
    if (it == list.end())
        return false;
    *it = nullptr;
    return true;
}

}  // namespace

bool CMessageLoop::AddMessageFilter(CMessageFilter* pFilter)
{
    return AddUnique(m_aMsgFilter, pFilter);
}

bool CMessageLoop::RemoveMessageFilter(CMessageFilter* pFilter)
{
    return ClearSlot(m_aMsgFilter, pFilter);
}

bool CMessageLoop::AddIdleHandler(CIdleHandler* pHandler)
{
    return AddUnique(m_aIdleHandler, pHandler);
}

bool CMessageLoop::RemoveIdleHandler(CIdleHandler* pHandler)
{
    return ClearSlot(m_aIdleHandler, pHandler);
}

int CMessageLoop::Run()
{
    MSG msg = {};
    bool bDoIdle = true;
    for (;;)
    {
        while (bDoIdle && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE))
        {
            if (!OnIdle())
                bDoIdle = false;
        }

        BOOL bRet = ::GetMessageW(&msg, nullptr, 0, 0);
        if (bRet == -1)
            continue;  // an invalid window handle or the like: not a reason to stop
        if (bRet == 0)
            break;     // WM_QUIT

        if (!PreTranslateMessage(&msg))
        {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }

        if (IsIdleMessage(msg))
            bDoIdle = true;
    }
    return static_cast<int>(msg.wParam);
}

BOOL CMessageLoop::PreTranslateMessage(MSG* pMsg)
{
    // By index, newest first: a filter may add or remove filters while it runs.
    for (size_t i = m_aMsgFilter.size(); i-- > 0;)
    {
        if (i >= m_aMsgFilter.size())
            continue;
        CMessageFilter* pFilter = m_aMsgFilter[i];
        if (pFilter != nullptr && pFilter->PreTranslateMessage(pMsg))
            return TRUE;
    }
    return FALSE;
}

BOOL CMessageLoop::OnIdle()
{
    BOOL bMore = FALSE;
    for (size_t i = 0; i < m_aIdleHandler.size(); i++)
    {
        CIdleHandler* pHandler = m_aIdleHandler[i];
        if (pHandler != nullptr && pHandler->OnIdle())
            bMore = TRUE;
    }
    return bMore;
}

bool CMessageLoop::IsIdleMessage(const MSG& msg)
{
    // Messages that arrive all the time would keep the idle handlers busy for nothing.
    switch (msg.message)
    {
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE:
    case WM_PAINT:
    case 0x0118:  // the system's caret-blink timer
        return false;
    default:
        return true;
    }
}
