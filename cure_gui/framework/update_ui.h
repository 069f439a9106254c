// Update-UI registration: the dialog registers its window as a child-window container
// and never updates anything through it, so the container only remembers the windows.
#pragma once

#include <windows.h>

#include <vector>

template <class T>
class CUpdateUI
{
public:
    bool UIAddChildWindowContainer(HWND hWnd)
    {
        if (hWnd == nullptr)
            return false;
        try
        {
            m_aContainers.push_back(hWnd);
        }
        catch (...)
        {
            return false;
        }
        return true;
    }

protected:
    ~CUpdateUI() {}

private:
    std::vector<HWND> m_aContainers;
};
