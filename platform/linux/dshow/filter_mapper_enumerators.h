// The enumerators of the filter mappers' results: IEnumMoniker for IFilterMapper2 and
// IEnumRegFilters for IFilterMapper. Each holds a snapshot taken when the search ran.
// Internal to the platform library.
#pragma once

#include <vector>

#include "platform/linux/dshow/filter_mapper_interfaces.h"
#include "platform/linux/dshow/filter_registry.h"

namespace dqplatform {

// Takes over the references of monikers.
HRESULT CreateMonikerEnumerator(std::vector<IMoniker*> monikers, IEnumMoniker** out);
HRESULT CreateRegFilterEnumerator(const std::vector<FoundFilter>& filters, IEnumRegFilters** out);

} // namespace dqplatform
