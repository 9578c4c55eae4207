// The filter setup records a filter hands to the filter mapper at registration. The pin and
// media type records are the mapper's own version-1 pin records, so they can be passed on as
// they are.
#pragma once

#include "platform/platform.h"

typedef REGPINTYPES AMOVIESETUP_MEDIATYPE;
typedef REGFILTERPINS AMOVIESETUP_PIN;

struct AMOVIESETUP_FILTER {
    const CLSID* clsID;
    const WCHAR* strName;
    DWORD dwMerit;
    UINT nPins;
    const AMOVIESETUP_PIN* lpPin;
};
