#include "platform/linux/dshow/filter_registry.h"

#include "platform/linux/com/com_runtime.h"
#include "platform/linux/com/guid_text.h"
#include "platform/linux/dshow/dshow_ids.h"
#include "platform/linux/dshow/filter_mapper_interfaces.h"
#include "platform/linux/registry/registry.h"
#include "platform/linux/win_error.h"

namespace dqplatform {

namespace {

constexpr DWORD kMaxKeyName = 256; // 255 characters and the terminator

// An open key, closed when it goes out of scope.
class Key {
public:
    Key() = default;
    ~Key() {
        if (m_key != nullptr)
            RegCloseKey(m_key);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;

    LONG Create(HKEY parent, const std::u16string& path) {
        return RegCreateKeyExW(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                               KEY_ALL_ACCESS, nullptr, &m_key, nullptr);
    }
    LONG Open(HKEY parent, const std::u16string& path, REGSAM access = KEY_READ) {
        return RegOpenKeyExW(parent, path.c_str(), 0, access, &m_key);
    }
    HKEY get() const { return m_key; }

    LONG SetText(const char16_t* name, const std::u16string& text) {
        return RegSetValueExW(m_key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                              static_cast<DWORD>((text.size() + 1) * sizeof(char16_t)));
    }
    LONG SetNumber(const char16_t* name, DWORD value) {
        return RegSetValueExW(m_key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                              sizeof value);
    }
    LONG SetBytes(const char16_t* name, const std::vector<BYTE>& bytes) {
        return RegSetValueExW(m_key, name, 0, REG_BINARY, bytes.data(),
                              static_cast<DWORD>(bytes.size()));
    }

    bool Bytes(const char16_t* name, DWORD wantType, std::vector<BYTE>& out) const {
        DWORD type = 0, size = 0;
        if (RegQueryValueExW(m_key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
            type != wantType)
            return false;
        out.resize(size);
        return RegQueryValueExW(m_key, name, nullptr, &type, out.data(), &size) == ERROR_SUCCESS &&
               type == wantType;
    }
    bool Text(const char16_t* name, std::u16string& out) const {
        std::vector<BYTE> bytes;
        if (!Bytes(name, REG_SZ, bytes))
            return false;
        out.assign(reinterpret_cast<const char16_t*>(bytes.data()),
                   bytes.size() / sizeof(char16_t));
        while (!out.empty() && out.back() == 0)
            out.pop_back();
        return true;
    }
    bool Number(const char16_t* name, DWORD& out) const {
        std::vector<BYTE> bytes;
        if (!Bytes(name, REG_DWORD, bytes) || bytes.size() != sizeof(DWORD))
            return false;
        out =
            DWORD{bytes[0]} | DWORD{bytes[1]} << 8 | DWORD{bytes[2]} << 16 | DWORD{bytes[3]} << 24;
        return true;
    }
    // The name of the sub-key at index, or false past the last.
    bool SubKey(DWORD index, std::u16string& name) const {
        WCHAR buffer[kMaxKeyName];
        if (RegEnumKeyW(m_key, index, buffer, kMaxKeyName) != ERROR_SUCCESS)
            return false;
        name = buffer;
        return true;
    }

private:
    HKEY m_key = nullptr;
};

HRESULT FromWin32(LONG error) {
    return error == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(error);
}

// Deletes a key and everything below it. A sub-key that cannot be removed is stepped over, so
// the walk always ends; the first failure is returned.
LONG DeleteTree(HKEY parent, const std::u16string& name) {
    Key key;
    if (LONG e = key.Open(parent, name, KEY_ALL_ACCESS); e != ERROR_SUCCESS)
        return e;
    LONG result = ERROR_SUCCESS;
    DWORD index = 0;
    std::u16string child;
    while (key.SubKey(index, child)) {
        if (LONG e = DeleteTree(key.get(), child); e != ERROR_SUCCESS) {
            if (result == ERROR_SUCCESS)
                result = e;
            ++index;
        }
    }
    LONG e = RegDeleteKeyW(parent, name.c_str());
    return result != ERROR_SUCCESS ? result : e;
}

std::u16string InstancePath(const CLSID& category) {
    return u"CLSID\\" + GuidText(category) + u"\\Instance";
}

std::u16string PinsPath(const CLSID& clsid) {
    return u"CLSID\\" + GuidText(clsid) + u"\\Pins";
}

bool ParseGuid(const std::u16string& text, GUID& id) {
    return SUCCEEDED(CLSIDFromString(text.c_str(), &id));
}

void ReadClassicPins(const CLSID& clsid, std::vector<MapperPin>& pins) {
    Key all;
    if (all.Open(HKEY_CLASSES_ROOT, PinsPath(clsid)) != ERROR_SUCCESS)
        return;
    std::u16string pinName;
    for (DWORD p = 0; all.SubKey(p, pinName); ++p) {
        Key pinKey;
        if (pinKey.Open(all.get(), pinName) != ERROR_SUCCESS)
            continue;
        MapperPin pin;
        pin.name = pinName;
        DWORD direction = 0, rendered = 0, zero = 0, many = 0;
        pinKey.Number(u"Direction", direction);
        pinKey.Number(u"IsRendered", rendered);
        pinKey.Number(u"AllowedZero", zero);
        pinKey.Number(u"AllowedMany", many);
        pin.flags = (direction != 0 ? REG_PINFLAG_B_OUTPUT : 0) |
                    (rendered != 0 ? REG_PINFLAG_B_RENDERER : 0) |
                    (zero != 0 ? REG_PINFLAG_B_ZERO : 0) | (many != 0 ? REG_PINFLAG_B_MANY : 0);
        std::u16string text;
        if (pinKey.Text(u"ConnectsToFilter", text))
            ParseGuid(text, pin.connectsToFilter);
        pinKey.Text(u"ConnectsToPin", pin.connectsToPin);
        Key majors;
        if (majors.Open(pinKey.get(), u"Types") == ERROR_SUCCESS) {
            std::u16string majorText, subText;
            for (DWORD m = 0; majors.SubKey(m, majorText); ++m) {
                GUID major{};
                Key subs;
                if (!ParseGuid(majorText, major) ||
                    subs.Open(majors.get(), majorText) != ERROR_SUCCESS)
                    continue;
                for (DWORD s = 0; subs.SubKey(s, subText); ++s) {
                    GUID sub{};
                    if (ParseGuid(subText, sub))
                        pin.types.emplace_back(major, sub);
                }
            }
        }
        pins.push_back(std::move(pin));
    }
}

} // namespace

bool IsKeyName(const WCHAR* name) {
    if (name == nullptr || *name == 0)
        return false;
    size_t length = 0;
    for (; name[length] != 0; ++length) {
        if (name[length] == u'\\')
            return false;
    }
    return length < kMaxKeyName;
}

HRESULT WriteCategoryEntry(const CLSID& category, const std::u16string& instance,
                           const MapperFilter& filter) {
    Key key;
    if (LONG e = key.Create(HKEY_CLASSES_ROOT, InstancePath(category) + u"\\" + instance);
        e != ERROR_SUCCESS)
        return FromWin32(e);
    LONG e = key.SetText(u"FriendlyName", filter.name);
    if (e == ERROR_SUCCESS)
        e = key.SetText(u"CLSID", GuidText(filter.clsid));
    if (e == ERROR_SUCCESS)
        e = key.SetBytes(u"FilterData", EncodeFilterData(filter.merit, filter.pins));
    return FromWin32(e);
}

HRESULT DeleteCategoryEntry(const CLSID& category, const std::u16string& instance) {
    Key parent;
    if (LONG e = parent.Open(HKEY_CLASSES_ROOT, InstancePath(category), KEY_ALL_ACCESS);
        e != ERROR_SUCCESS)
        return FromWin32(e);
    return FromWin32(DeleteTree(parent.get(), instance));
}

HRESULT WriteCategory(const CLSID& category, DWORD merit, const std::u16string& description) {
    Key key;
    if (LONG e = key.Create(HKEY_CLASSES_ROOT,
                            InstancePath(CLSID_ActiveMovieCategories) + u"\\" + GuidText(category));
        e != ERROR_SUCCESS)
        return FromWin32(e);
    LONG e = key.SetText(u"FriendlyName", description);
    if (e == ERROR_SUCCESS)
        e = key.SetText(u"CLSID", GuidText(category));
    if (e == ERROR_SUCCESS)
        e = key.SetNumber(u"Merit", merit);
    return FromWin32(e);
}

std::vector<CategoryInfo> ReadCategories() {
    std::vector<CategoryInfo> categories;
    bool haveLegacy = false;
    Key all;
    if (all.Open(HKEY_CLASSES_ROOT, InstancePath(CLSID_ActiveMovieCategories)) == ERROR_SUCCESS) {
        std::u16string name;
        for (DWORD i = 0; all.SubKey(i, name); ++i) {
            Key key;
            CategoryInfo info;
            std::u16string text;
            if (key.Open(all.get(), name) != ERROR_SUCCESS)
                continue;
            if (!(key.Text(u"CLSID", text) && ParseGuid(text, info.clsid)) &&
                !ParseGuid(name, info.clsid))
                continue;
            if (!key.Number(u"Merit", info.merit))
                info.merit = MERIT_DO_NOT_USE;
            haveLegacy = haveLegacy || IsEqualGUID(info.clsid, CLSID_LegacyAmFilterCategory);
            categories.push_back(info);
        }
    }
    if (!haveLegacy)
        categories.push_back({CLSID_LegacyAmFilterCategory, kLegacyCategoryMerit});
    return categories;
}

void ReadCategoryEntries(const CLSID& category, std::vector<FoundFilter>& out) {
    Key all;
    if (all.Open(HKEY_CLASSES_ROOT, InstancePath(category)) != ERROR_SUCCESS)
        return;
    std::u16string instance;
    for (DWORD i = 0; all.SubKey(i, instance); ++i) {
        Key key;
        FoundFilter found;
        std::u16string text;
        if (key.Open(all.get(), instance) != ERROR_SUCCESS || !key.Text(u"CLSID", text) ||
            !ParseGuid(text, found.filter.clsid))
            continue;
        key.Text(u"FriendlyName", found.filter.name);
        std::vector<BYTE> data;
        // An entry without (readable) filter data still names a class, but promises nothing.
        if (!key.Bytes(u"FilterData", REG_BINARY, data) ||
            !DecodeFilterData(data.data(), data.size(), found.filter.merit, found.filter.pins)) {
            found.filter.merit = MERIT_DO_NOT_USE;
            found.filter.pins.clear();
        }
        found.category = category;
        found.instance = instance;
        out.push_back(std::move(found));
    }
}

HRESULT WriteClassicFilter(const CLSID& clsid, const std::u16string& name, DWORD merit) {
    Key filter;
    if (LONG e = filter.Create(HKEY_CLASSES_ROOT, u"Filter\\" + GuidText(clsid));
        e != ERROR_SUCCESS)
        return FromWin32(e);
    if (LONG e = filter.SetText(nullptr, name); e != ERROR_SUCCESS)
        return FromWin32(e);
    Key cls;
    if (LONG e = cls.Create(HKEY_CLASSES_ROOT, u"CLSID\\" + GuidText(clsid)); e != ERROR_SUCCESS)
        return FromWin32(e);
    return FromWin32(cls.SetNumber(u"Merit", merit));
}

HRESULT WriteClassicPin(const CLSID& clsid, const std::u16string& pin, const MapperPin& data) {
    Key filter;
    if (filter.Open(HKEY_CLASSES_ROOT, u"Filter\\" + GuidText(clsid)) != ERROR_SUCCESS)
        return VFW_E_NOT_FOUND;
    Key key;
    if (LONG e = key.Create(HKEY_CLASSES_ROOT, PinsPath(clsid) + u"\\" + pin); e != ERROR_SUCCESS)
        return FromWin32(e);
    LONG e = key.SetNumber(u"Direction", data.IsOutput() ? 1 : 0);
    if (e == ERROR_SUCCESS)
        e = key.SetNumber(u"IsRendered", data.IsRendered() ? 1 : 0);
    if (e == ERROR_SUCCESS)
        e = key.SetNumber(u"AllowedZero", (data.flags & REG_PINFLAG_B_ZERO) ? 1 : 0);
    if (e == ERROR_SUCCESS)
        e = key.SetNumber(u"AllowedMany", (data.flags & REG_PINFLAG_B_MANY) ? 1 : 0);
    if (e == ERROR_SUCCESS)
        e = key.SetText(u"ConnectsToFilter", GuidText(data.connectsToFilter));
    if (e == ERROR_SUCCESS)
        e = key.SetText(u"ConnectsToPin", data.connectsToPin);
    return FromWin32(e);
}

HRESULT WriteClassicPinType(const CLSID& clsid, const std::u16string& pin, const GUID& major,
                            const GUID& subtype) {
    Key pinKey;
    if (pinKey.Open(HKEY_CLASSES_ROOT, PinsPath(clsid) + u"\\" + pin) != ERROR_SUCCESS)
        return VFW_E_NOT_FOUND;
    Key type;
    return FromWin32(
        type.Create(pinKey.get(), u"Types\\" + GuidText(major) + u"\\" + GuidText(subtype)));
}

HRESULT DeleteClassicFilter(const CLSID& clsid) {
    Key cls;
    if (cls.Open(HKEY_CLASSES_ROOT, u"CLSID\\" + GuidText(clsid), KEY_ALL_ACCESS) ==
        ERROR_SUCCESS) {
        RegDeleteValueW(cls.get(), u"Merit");
        DeleteTree(cls.get(), u"Pins");
    }
    Key filters;
    if (LONG e = filters.Open(HKEY_CLASSES_ROOT, u"Filter", KEY_ALL_ACCESS); e != ERROR_SUCCESS)
        return FromWin32(e);
    return FromWin32(DeleteTree(filters.get(), GuidText(clsid)));
}

HRESULT DeleteClassicPin(const CLSID& clsid, const std::u16string& pin) {
    Key pins;
    if (LONG e = pins.Open(HKEY_CLASSES_ROOT, PinsPath(clsid), KEY_ALL_ACCESS); e != ERROR_SUCCESS)
        return FromWin32(e);
    return FromWin32(DeleteTree(pins.get(), pin));
}

void ReadClassicFilters(std::vector<FoundFilter>& out) {
    Key all;
    if (all.Open(HKEY_CLASSES_ROOT, u"Filter") != ERROR_SUCCESS)
        return;
    std::u16string name;
    for (DWORD i = 0; all.SubKey(i, name); ++i) {
        FoundFilter found;
        Key key;
        if (!ParseGuid(name, found.filter.clsid) || key.Open(all.get(), name) != ERROR_SUCCESS)
            continue;
        key.Text(nullptr, found.filter.name);
        Key cls;
        if (cls.Open(HKEY_CLASSES_ROOT, u"CLSID\\" + name) != ERROR_SUCCESS ||
            !cls.Number(u"Merit", found.filter.merit))
            found.filter.merit = MERIT_DO_NOT_USE;
        ReadClassicPins(found.filter.clsid, found.filter.pins);
        found.category = CLSID_LegacyAmFilterCategory;
        found.instance = name;
        out.push_back(std::move(found));
    }
}

} // namespace dqplatform
