// Which registered filters answer a mapper's query, in the order a graph builder should try
// them. Internal to the platform library.
#pragma once

#include <utility>
#include <vector>

#include "platform/linux/dshow/filter_registry.h"

namespace dqplatform {

// What one side (the input pins or the output pins) of a filter must offer.
struct PinRequirement {
    // The filter must have a pin on this side that meets the rest.
    bool needed = false;
    // Major type and subtype pairs, any one of which a pin must accept; empty for any. GUID_NULL
    // in a pair matches every type.
    std::vector<std::pair<GUID, GUID>> types;
    const REGPINMEDIUM* medium = nullptr; // null: any
    const CLSID* category = nullptr;      // null: any
    bool rendered = false;                // the pin must render what it takes
};

struct FilterQuery {
    DWORD merit = 0; // the lowest merit wanted
    // Exact: what a filter registered as GUID_NULL (type, medium or category) is not a wildcard.
    bool exact = false;
    PinRequirement input;
    PinRequirement output;
};

// When a side's requirement is not "needed", a filter without pins on that side still
// qualifies; a filter with such pins must have one that meets the requirement.
bool FilterMatches(const MapperFilter& filter, const FilterQuery& query);

// Searches every category and the original layout. Above MERIT_DO_NOT_USE, categories of merit
// MERIT_DO_NOT_USE or below are left out. Each class appears once (categories of higher merit
// first); the result is ordered by merit, highest first, and otherwise as found.
std::vector<FoundFilter> FindFilters(const FilterQuery& query);

} // namespace dqplatform
