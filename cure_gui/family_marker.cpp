// The family marker test shared by the window passes and the installed-programs search.
#include "family_marker.h"

#include <wchar.h>

namespace {

const wchar_t* const kFamilyMarkers[] = {L"Digital Access", L"Get Accelerator"};

}  // namespace

bool HasFamilyMarker(const wchar_t* text)
{
    if (!text || !text[0])
        return false;
    for (const wchar_t* marker : kFamilyMarkers)
        if (wcsstr(text, marker))
            return true;
    return false;
}
