#include "module/filter_setup.h"

#include "filter/i_direct_quorbit.h"

const AMOVIESETUP_MEDIATYPE sudPinTypes = {&MEDIATYPE_Video, &MEDIASUBTYPE_RGB24};

// The pin records are the mapper's own, whose name field is not const.
const AMOVIESETUP_PIN psudPins[2] = {
    {const_cast<LPWSTR>(WSTR("Input")), FALSE, FALSE, FALSE, FALSE, &GUID_NULL, WSTR("Output"), 1,
     &sudPinTypes},
    {const_cast<LPWSTR>(WSTR("Output")), FALSE, TRUE, FALSE, FALSE, &GUID_NULL, WSTR("Input"), 1,
     &sudPinTypes},
};

// Merit "do not use": graph building never picks the filter; applications add it themselves.
const AMOVIESETUP_FILTER sudDirectQuorbit = {&CLSID_DirectQuorbit_RELEASE, WSTR("DirectQuorbit"),
                                             MERIT_DO_NOT_USE, 2, psudPins};
