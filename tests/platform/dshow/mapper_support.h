// What the filter mapper tests share: references, and the filters an IFilterMapper2 search
// returns, read back through their monikers and property bags.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/linux/dshow/filter_data.h"
#include "platform/platform.h"
#include "tests/platform/dshow/com_ref.h"
#include "tests/platform/registry/registry_fixture.h"

namespace dqtest {

// A filter as a search reports it.
struct FoundEntry {
    std::u16string displayName;
    std::u16string name;
    CLSID clsid{};
    DWORD merit = 0;
    std::vector<dqplatform::MapperPin> pins;
};

inline std::u16string ReadText(IPropertyBag* bag, const char16_t* property) {
    VARIANT v;
    VariantInit(&v);
    EXPECT_EQ(bag->Read(property, &v, nullptr), S_OK);
    EXPECT_EQ(v.vt, VT_BSTR);
    std::u16string text = v.vt == VT_BSTR && v.bstrVal ? v.bstrVal : u"";
    VariantClear(&v);
    return text;
}

inline FoundEntry ReadEntry(IMoniker* moniker) {
    FoundEntry entry;
    LPOLESTR display = nullptr;
    EXPECT_EQ(moniker->GetDisplayName(nullptr, nullptr, &display), S_OK);
    if (display != nullptr)
        entry.displayName = display;
    CoTaskMemFree(display);
    Ref<IPropertyBag> bag;
    EXPECT_EQ(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.outVoid()), S_OK);
    if (bag.get() == nullptr)
        return entry;
    entry.name = ReadText(bag.get(), u"FriendlyName");
    EXPECT_EQ(CLSIDFromString(ReadText(bag.get(), u"CLSID").c_str(), &entry.clsid), S_OK);
    VARIANT v;
    VariantInit(&v);
    EXPECT_EQ(bag->Read(u"FilterData", &v, nullptr), S_OK);
    EXPECT_EQ(v.vt, VT_ARRAY | VT_UI1);
    if (v.vt == (VT_ARRAY | VT_UI1)) {
        void* data = nullptr;
        SafeArrayAccessData(v.parray, &data);
        EXPECT_TRUE(dqplatform::DecodeFilterData(static_cast<const BYTE*>(data),
                                                 v.parray->rgsabound[0].cElements, entry.merit,
                                                 entry.pins));
        SafeArrayUnaccessData(v.parray);
    }
    VariantClear(&v);
    return entry;
}

inline std::vector<FoundEntry> Drain(IEnumMoniker* monikers) {
    std::vector<FoundEntry> found;
    IMoniker* moniker = nullptr;
    while (monikers->Next(1, &moniker, nullptr) == S_OK) {
        found.push_back(ReadEntry(moniker));
        moniker->Release();
    }
    return found;
}

// Every registered filter with an input pin for the given type (GUID_NULL: any).
inline std::vector<FoundEntry> FindByInput(const GUID& major, const GUID& subtype, DWORD merit = 0,
                                           BOOL exact = FALSE) {
    Ref<IFilterMapper2> mapper;
    EXPECT_EQ(CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IFilterMapper2, mapper.outVoid()),
              S_OK);
    const GUID types[2] = {major, subtype};
    Ref<IEnumMoniker> monikers;
    EXPECT_EQ(mapper->EnumMatchingFilters(monikers.out(), 0, exact, merit, TRUE, 1, types, nullptr,
                                          nullptr, FALSE, FALSE, 0, nullptr, nullptr, nullptr),
              S_OK);
    return monikers.get() ? Drain(monikers.get()) : std::vector<FoundEntry>{};
}

inline std::u16string Text(const GUID& id) {
    WCHAR text[39];
    StringFromGUID2(id, text, 39);
    return text;
}

// The value of HKCR\key\value as text (REG_SZ) or as a number (REG_DWORD), or empty.
inline std::u16string RegText(const std::u16string& key, const char16_t* value) {
    HKEY h = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return u"<no key>";
    WCHAR buf[1024] = {};
    DWORD type = 0, size = sizeof buf - sizeof(WCHAR);
    LONG e = RegQueryValueExW(h, value, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(h);
    if (e != ERROR_SUCCESS)
        return u"<no value>";
    if (type == REG_DWORD) {
        DWORD number = 0;
        std::memcpy(&number, buf, sizeof number);
        std::string n = std::to_string(number);
        return std::u16string(n.begin(), n.end());
    }
    return buf;
}

inline bool RegKeyExists(const std::u16string& key) {
    HKEY h = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return false;
    RegCloseKey(h);
    return true;
}

} // namespace dqtest
