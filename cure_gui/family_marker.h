// The family marker test: the texts by which the ransomware's windows and installed-
// programs entries name themselves.
#pragma once

// Case-sensitive test for "Digital Access" or "Get Accelerator" anywhere in text; an
// empty or missing text never matches.
bool HasFamilyMarker(const wchar_t* text);
