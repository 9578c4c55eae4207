// IDirectQuorbit: the settings interface of the DirectQuorbit video overlay filter.
//
// Applications include this header to drive the filter directly. Query the filter for
// IID_IDirectQuorbit; every method returns an HRESULT, and every change takes effect at once,
// whether the graph is stopped, paused or running. Booleans are one byte (0 or 1).
//
//   get_FileName(buffer)     copies the overlay script's path into a buffer of at least
//                            DQ_MAX_PATH (260) wide characters, zero-filled after the text.
//   put_FileName(path)       stores the path (at most 259 characters; longer paths are refused
//                            with E_INVALIDARG and change nothing), loads the script and watches
//                            its folder. Returns the load's result, or E_FAIL when the folder
//                            cannot be watched.
//   reload_File()            loads the script again. E_FAIL when no path is set or the load
//                            failed; the failure's message is then painted over the video.
//   get_/put_ChangeImmediate reload the script whenever the file changes on disk.
//   get_/put_HideSubtitles   pass every frame through untouched.
//   get_/put_Delay           overlay delay in frames of 1/60 s (negative values are allowed).
//   get_/put_DebugOutput     show the overlay engine's debug panel.
//
// The get_ methods answer E_POINTER for a null pointer.
#pragma once

#include "platform/platform.h"

// {8563BE21-1C94-44FD-8FC0-A5E832F2ABA6}
DQ_DEFINE_GUID(CLSID_DirectQuorbit_RELEASE, 0x8563BE21, 0x1C94, 0x44FD, 0x8F, 0xC0, 0xA5, 0xE8,
               0x32, 0xF2, 0xAB, 0xA6);
// {EA32143B-AED5-451E-BB72-5D77F7DEBD37}
DQ_DEFINE_GUID(IID_IDirectQuorbit, 0xEA32143B, 0xAED5, 0x451E, 0xBB, 0x72, 0x5D, 0x77, 0xF7, 0xDE,
               0xBD, 0x37);
// {63A821FA-FED7-4D77-8041-50E5781F3431}: the filter's property page.
DQ_DEFINE_GUID(CLSID_DirectQuorbitProp, 0x63A821FA, 0xFED7, 0x4D77, 0x80, 0x41, 0x50, 0xE5, 0x78,
               0x1F, 0x34, 0x31);

// Characters in a path buffer, terminator included.
#define DQ_MAX_PATH 260

struct IDirectQuorbit : public IUnknown {
    STDMETHOD(get_FileName)(WCHAR* fileName) PURE;
    STDMETHOD(put_FileName)(WCHAR* fileName) PURE;
    STDMETHOD(reload_File)() PURE;
    STDMETHOD(get_ChangeImmediate)(bool* changeImmediate) PURE;
    STDMETHOD(put_ChangeImmediate)(bool changeImmediate) PURE;
    STDMETHOD(get_HideSubtitles)(bool* hideSubtitles) PURE;
    STDMETHOD(put_HideSubtitles)(bool hideSubtitles) PURE;
    STDMETHOD(get_Delay)(LONG* delay) PURE;
    STDMETHOD(put_Delay)(LONG delay) PURE;
    STDMETHOD(get_DebugOutput)(bool* debugOutput) PURE;
    STDMETHOD(put_DebugOutput)(bool debugOutput) PURE;
};
