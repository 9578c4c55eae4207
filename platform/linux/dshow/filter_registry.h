// Where the filter mappers keep their entries in HKEY_CLASSES_ROOT, as Windows keeps them:
//
//   IFilterMapper2, one entry per category and instance:
//     CLSID\{category}\Instance\{instance}   FriendlyName (REG_SZ), CLSID (REG_SZ),
//                                            FilterData (REG_BINARY, see filter_data.h)
//   its categories:
//     CLSID\{ActiveMovieCategories}\Instance\{category}   FriendlyName, CLSID, Merit (REG_DWORD)
//   IFilterMapper, the original layout:
//     Filter\{clsid}                         (default) = the filter's name
//     CLSID\{clsid}                          Merit (REG_DWORD)
//     CLSID\{clsid}\Pins\{pin}               Direction (0 input, 1 output), IsRendered,
//                                            AllowedZero, AllowedMany (REG_DWORD),
//                                            ConnectsToFilter, ConnectsToPin (REG_SZ)
//     CLSID\{clsid}\Pins\{pin}\Types\{major type}\{subtype}
//
// Every call reads or writes the registry at once, so what one process registers another finds.
// Internal to the platform library.
#pragma once

#include <string>
#include <vector>

#include "platform/linux/dshow/filter_data.h"

namespace dqplatform {

// A filter as found in the registry, with where it was found.
struct FoundFilter {
    MapperFilter filter;
    CLSID category = GUID_NULL;
    std::u16string instance;
};

struct CategoryInfo {
    CLSID clsid = GUID_NULL;
    DWORD merit = 0;
};

// The merit of the default category when no one has described it.
constexpr DWORD kLegacyCategoryMerit = MERIT_NORMAL;

// New layout. Instance names are non-empty, without backslashes.
HRESULT WriteCategoryEntry(const CLSID& category, const std::u16string& instance,
                           const MapperFilter& filter);
// HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) when there is no such entry.
HRESULT DeleteCategoryEntry(const CLSID& category, const std::u16string& instance);
HRESULT WriteCategory(const CLSID& category, DWORD merit, const std::u16string& description);
// The described categories, and the default category of DirectShow filters in any case.
std::vector<CategoryInfo> ReadCategories();
void ReadCategoryEntries(const CLSID& category, std::vector<FoundFilter>& out);

// Original layout. Pin names are non-empty, without backslashes.
HRESULT WriteClassicFilter(const CLSID& clsid, const std::u16string& name, DWORD merit);
// VFW_E_NOT_FOUND when the filter (or, for a type, the pin) is not registered.
HRESULT WriteClassicPin(const CLSID& clsid, const std::u16string& pin, const MapperPin& data);
HRESULT WriteClassicPinType(const CLSID& clsid, const std::u16string& pin, const GUID& major,
                            const GUID& subtype);
// HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) when the filter (pin) was not registered.
HRESULT DeleteClassicFilter(const CLSID& clsid);
HRESULT DeleteClassicPin(const CLSID& clsid, const std::u16string& pin);
// Every filter of the original layout, as members of the default category.
void ReadClassicFilters(std::vector<FoundFilter>& out);

// A usable instance or pin name.
bool IsKeyName(const WCHAR* name);

} // namespace dqplatform
