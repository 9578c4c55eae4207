// Registration of a filter's setup data with the filter mapper's original interface.
#pragma once

#include "baseclasses/amovie_setup.h"

// Always removes an earlier entry of the class id first; when registering, then enters the
// filter, each pin and each pin's media types, stopping at the first failure. A mapper's
// file-not-found answer counts as success; null setup data gives S_FALSE.
HRESULT RegisterFilterSetup(const AMOVIESETUP_FILTER* setup, IFilterMapper* mapper,
                            BOOL doRegister);

// The Win32 file-not-found code as an HRESULT: the mapper's answer when there is nothing to remove.
constexpr HRESULT HRESULT_FILE_NOT_FOUND = static_cast<HRESULT>(0x80070002);
