#include "platform/linux/dshow/filter_search.h"

#include <algorithm>

#include "platform/linux/dshow/dshow_ids.h"

namespace dqplatform {

namespace {

// A registered id against a wanted one: the wanted GUID_NULL takes anything, and unless the
// match must be exact so does a registered GUID_NULL.
bool IdMatches(const GUID& registered, const GUID& wanted, bool exact) {
    if (IsEqualGUID(wanted, GUID_NULL) || IsEqualGUID(registered, wanted))
        return true;
    return !exact && IsEqualGUID(registered, GUID_NULL);
}

bool TypesMatch(const MapperPin& pin, const PinRequirement& need, bool exact) {
    if (need.types.empty())
        return true;
    for (const auto& wanted : need.types) {
        for (const auto& offered : pin.types) {
            if (IdMatches(offered.first, wanted.first, exact) &&
                IdMatches(offered.second, wanted.second, exact))
                return true;
        }
    }
    return false;
}

bool MediumMatches(const MapperPin& pin, const PinRequirement& need, bool exact) {
    if (need.medium == nullptr)
        return true;
    if (pin.mediums.empty())
        return !exact;
    for (const REGPINMEDIUM& m : pin.mediums) {
        if (IsEqualGUID(m.clsMedium, need.medium->clsMedium) && m.dw1 == need.medium->dw1 &&
            m.dw2 == need.medium->dw2)
            return true;
    }
    return false;
}

bool PinMatches(const MapperPin& pin, const PinRequirement& need, bool exact) {
    if (need.rendered && !pin.IsRendered())
        return false;
    if (need.category != nullptr && !IdMatches(pin.category, *need.category, exact))
        return false;
    return TypesMatch(pin, need, exact) && MediumMatches(pin, need, exact);
}

bool SideMatches(const MapperFilter& filter, bool output, const PinRequirement& need, bool exact) {
    bool anyPin = false;
    for (const MapperPin& pin : filter.pins) {
        if (pin.IsOutput() != output)
            continue;
        anyPin = true;
        if (PinMatches(pin, need, exact))
            return true;
    }
    return !anyPin && !need.needed;
}

} // namespace

bool FilterMatches(const MapperFilter& filter, const FilterQuery& query) {
    return filter.merit >= query.merit && SideMatches(filter, false, query.input, query.exact) &&
           SideMatches(filter, true, query.output, query.exact);
}

std::vector<FoundFilter> FindFilters(const FilterQuery& query) {
    std::vector<CategoryInfo> categories = ReadCategories();
    std::stable_sort(
        categories.begin(), categories.end(),
        [](const CategoryInfo& a, const CategoryInfo& b) { return a.merit > b.merit; });
    std::vector<FoundFilter> all;
    for (const CategoryInfo& category : categories) {
        if (query.merit > MERIT_DO_NOT_USE && category.merit <= MERIT_DO_NOT_USE)
            continue;
        ReadCategoryEntries(category.clsid, all);
        if (IsEqualGUID(category.clsid, CLSID_LegacyAmFilterCategory))
            ReadClassicFilters(all);
    }
    std::vector<FoundFilter> found;
    for (FoundFilter& candidate : all) {
        const bool seen = std::any_of(found.begin(), found.end(), [&](const FoundFilter& f) {
            return IsEqualGUID(f.filter.clsid, candidate.filter.clsid);
        });
        if (!seen && FilterMatches(candidate.filter, query))
            found.push_back(std::move(candidate));
    }
    std::stable_sort(found.begin(), found.end(), [](const FoundFilter& a, const FoundFilter& b) {
        return a.filter.merit > b.filter.merit;
    });
    return found;
}

} // namespace dqplatform
