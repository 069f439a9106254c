// The message loop of one thread, with message filters (offered each message first,
// newest first) and idle handlers (called while the queue is empty).
#pragma once

#include <windows.h>

#include <vector>

class CMessageFilter
{
public:
    // TRUE when the message was consumed: it is then neither translated nor dispatched.
    virtual BOOL PreTranslateMessage(MSG* pMsg) = 0;

protected:
    ~CMessageFilter() {}
};

class CIdleHandler
{
public:
    // TRUE when the handler wants more idle time before the loop blocks again.
    virtual BOOL OnIdle() = 0;

protected:
    ~CIdleHandler() {}
};

class CMessageLoop
{
public:
    bool AddMessageFilter(CMessageFilter* pFilter);
    bool RemoveMessageFilter(CMessageFilter* pFilter);
    bool AddIdleHandler(CIdleHandler* pHandler);
    bool RemoveIdleHandler(CIdleHandler* pHandler);

    // Runs until WM_QUIT and returns its wParam. A failing GetMessageW (-1) is skipped.
    int Run();

private:
    BOOL PreTranslateMessage(MSG* pMsg);
    BOOL OnIdle();
    static bool IsIdleMessage(const MSG& msg);

    // Removal leaves a null slot instead of erasing, because a filter or handler may
    // remove itself (or another) while the list is being walked; null slots are swept
    // out only between walks.
    std::vector<CMessageFilter*> m_aMsgFilter;
    std::vector<CIdleHandler*> m_aIdleHandler;
};
