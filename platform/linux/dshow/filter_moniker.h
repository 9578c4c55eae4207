// The moniker IFilterMapper2 hands out for each filter it finds: it binds to the filter through
// CoCreateInstance and to a read-only property bag with the entry's "FriendlyName" (VT_BSTR),
// "CLSID" (VT_BSTR, registry text form) and "FilterData" (VT_ARRAY | VT_UI1, see
// filter_data.h). Its display name is "@device:sw:{category}\{instance}". Internal to the
// platform library.
#pragma once

#include "platform/linux/dshow/filter_mapper_interfaces.h"
#include "platform/linux/dshow/filter_registry.h"

namespace dqplatform {

// *out gets the moniker with one reference.
HRESULT CreateFilterMoniker(const FoundFilter& found, IMoniker** out);

} // namespace dqplatform
