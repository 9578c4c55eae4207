// IDirectQuorbitLoadReport: how the filter's own script loads went, for a host that tells its
// user (a command-line tool printing why the script does not load, or what a subtitle file's
// reader passed over). The filter loads the script only once; a host asks here rather than
// loading it a second time. Query the filter for IID_IDirectQuorbitLoadReport.
//
//   GetLastLoad(maxWarnings, loads, result, warnings, text)
//     *loads     loads finished since the filter was made; a host that sees it change knows a
//                reload happened (after the file changed on disk, say). Setting an empty path
//                loads nothing and does not count.
//     *result    S_OK when the latest load succeeded, E_FAIL when it failed, S_FALSE before the
//                first load.
//     *warnings  how many warnings the loaded script gave (0 after a failure).
//     *text      the failure's message, or the loaded script's first maxWarnings warnings,
//                each "file:line: message" and a line feed; empty when there is nothing to
//                say. UTF-16, allocated with CoTaskMemAlloc: the caller frees it with
//                CoTaskMemFree.
//   Any out-pointer may be null when its value is not wanted. Returns E_OUTOFMEMORY when the
//   text cannot be allocated (the other values are then set), else S_OK.
#pragma once

#include "platform/platform.h"

// {ACA830A1-C55C-443B-88AB-441AFB2580C7}
DQ_DEFINE_GUID(IID_IDirectQuorbitLoadReport, 0xACA830A1, 0xC55C, 0x443B, 0x88, 0xAB, 0x44, 0x1A,
               0xFB, 0x25, 0x80, 0xC7);

struct IDirectQuorbitLoadReport : public IUnknown {
    STDMETHOD(GetLastLoad)
    (ULONG maxWarnings, ULONG* loads, HRESULT* result, ULONG* warnings, WCHAR** text) PURE;
};
