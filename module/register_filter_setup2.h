// Registration of a filter's setup data with the filter mapper's IFilterMapper2 interface.
#pragma once

#include "baseclasses/amovie_setup.h"

// Always removes an earlier entry of the class id from the default category first; when
// registering, then enters the setup data (as version-1 pin records) there. A mapper's
// file-not-found answer counts as success; null setup data gives S_FALSE.
HRESULT RegisterFilterSetup2(const AMOVIESETUP_FILTER* setup, IFilterMapper2* mapper,
                             BOOL doRegister);
