// IEnumFilters over a filter graph's filters. Internal to the platform library.
#pragma once

#include <vector>

#include "platform/linux/dshow/dshow_interfaces.h"

namespace dqplatform {

// What the enumerator needs of the graph.
class FilterList {
public:
    // The graph object, which each enumerator keeps alive with a reference.
    virtual IUnknown* ListOwner() = 0;
    // Changes whenever a filter is added or removed.
    virtual LONG ListVersion() = 0;
    // The filters, each with a reference, and the version they belong to.
    virtual void ListSnapshot(std::vector<IBaseFilter*>& filters, LONG& version) = 0;

protected:
    ~FilterList() = default;
};

// Once the graph has changed, Next and Skip answer VFW_E_ENUM_OUT_OF_SYNC until Reset.
HRESULT CreateFilterEnumerator(FilterList* list, IEnumFilters** out);

} // namespace dqplatform
