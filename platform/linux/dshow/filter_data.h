// What the filter mapper knows of a filter, and the binary "FilterData" value it keeps it in.
// Internal to the platform library (the registration tool reads it too).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/linux/dshow/dshow_types.h"

namespace dqplatform {

struct MapperPin {
    std::u16string name; // version-1 pins only; version-2 pins have no name
    DWORD flags = 0;     // REG_PINFLAG_B_*
    UINT instances = 0;
    std::vector<std::pair<GUID, GUID>> types; // major type, subtype
    std::vector<REGPINMEDIUM> mediums;
    GUID category = GUID_NULL;
    GUID connectsToFilter = GUID_NULL;
    std::u16string connectsToPin;

    bool IsOutput() const { return (flags & REG_PINFLAG_B_OUTPUT) != 0; }
    bool IsRendered() const { return (flags & REG_PINFLAG_B_RENDERER) != 0; }
};

struct MapperFilter {
    CLSID clsid = GUID_NULL;
    std::u16string name;
    DWORD merit = 0;
    std::vector<MapperPin> pins;
};

// Reads a REGFILTER2 of version 1 (named pins) or 2 (pins with flags, mediums and categories).
// A null type or id pointer inside a record stands for GUID_NULL. Other versions give
// E_INVALIDARG; a count with a null array gives E_POINTER.
HRESULT ReadRegFilter2(const REGFILTER2& rf, DWORD& merit, std::vector<MapperPin>& pins);

// The mapper's own layout, little-endian, in 32-bit words:
//   'D' 'Q' 'F' '1', merit, pin count, 0;
//   per pin: flags, instances, type count, medium count, category (16 bytes),
//            connects-to filter (16 bytes), name length, connects-to pin length (in UTF-16
//            units), the two names (UTF-16, each padded to a whole word), then the types (major
//            and subtype, 32 bytes each) and mediums (id, two words: 24 bytes each).
std::vector<BYTE> EncodeFilterData(DWORD merit, const std::vector<MapperPin>& pins);
// False for anything that is not exactly such a record (bad magic, truncated, trailing bytes).
bool DecodeFilterData(const BYTE* data, size_t size, DWORD& merit, std::vector<MapperPin>& pins);

} // namespace dqplatform
