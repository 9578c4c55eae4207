#include "tools/dq-regsvr/registry_query.h"

#include <cstdio>
#include <string>
#include <vector>

#include "platform/linux/dshow/filter_registry.h"
#include "tools/dq-regsvr/register_module.h"
#include "tools/dq-regsvr/result_text.h"

namespace {

std::string Utf8(const std::u16string& text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}

std::string Guid(const GUID& id) {
    return Utf8(dqplatform::GuidText(id));
}

std::string ValueText(DWORD type, const std::vector<BYTE>& data) {
    char buf[64];
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
        std::u16string text(reinterpret_cast<const char16_t*>(data.data()),
                            data.size() / sizeof(char16_t));
        while (!text.empty() && text.back() == 0)
            text.pop_back();
        return (type == REG_SZ ? "REG_SZ \"" : "REG_EXPAND_SZ \"") + Utf8(text) + "\"";
    }
    case REG_DWORD:
        if (data.size() == 4) {
            const DWORD v =
                DWORD{data[0]} | DWORD{data[1]} << 8 | DWORD{data[2]} << 16 | DWORD{data[3]} << 24;
            std::snprintf(buf, sizeof buf, "REG_DWORD 0x%08X", v);
            return buf;
        }
        break;
    default:
        break;
    }
    std::snprintf(buf, sizeof buf, "type %u, %zu bytes:", type, data.size());
    std::string out = buf;
    for (size_t i = 0; i < data.size() && i < 32; ++i) {
        std::snprintf(buf, sizeof buf, " %02X", data[i]);
        out += buf;
    }
    return data.size() > 32 ? out + " ..." : out;
}

// Prints a key, its values and its sub-keys, depth first.
void PrintTree(HKEY parent, const std::u16string& name, const std::string& shownPath) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    std::printf("%s\n", shownPath.c_str());
    for (DWORD i = 0;; ++i) {
        WCHAR valueName[16384];
        DWORD nameLength = 16384, type = 0, size = 0;
        if (RegEnumValueW(key, i, valueName, &nameLength, nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS)
            break;
        std::vector<BYTE> data(size);
        nameLength = 16384;
        RegEnumValueW(key, i, valueName, &nameLength, nullptr, &type, data.data(), &size);
        data.resize(size);
        const std::string shownName = nameLength == 0 ? "(default)" : Utf8(valueName);
        std::printf("    %s = %s\n", shownName.c_str(), ValueText(type, data).c_str());
    }
    WCHAR child[256];
    for (DWORD i = 0; RegEnumKeyW(key, i, child, 256) == ERROR_SUCCESS; ++i)
        PrintTree(key, child, shownPath + "\\" + Utf8(child));
    RegCloseKey(key);
}

bool KeyExists(const std::u16string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

const char* Direction(const dqplatform::MapperPin& pin) {
    return pin.IsOutput() ? "output" : "input";
}

void PrintEntry(const dqplatform::FoundFilter& found, bool classic) {
    if (classic)
        std::printf("filter mapper entry (original layout): HKEY_CLASSES_ROOT\\Filter\\%s\n",
                    Utf8(found.instance).c_str());
    else
        std::printf("filter mapper entry: HKEY_CLASSES_ROOT\\CLSID\\%s\\Instance\\%s\n",
                    Guid(found.category).c_str(), Utf8(found.instance).c_str());
    std::printf("    name \"%s\", merit 0x%08X, %zu pin%s\n", Utf8(found.filter.name).c_str(),
                found.filter.merit, found.filter.pins.size(),
                found.filter.pins.size() == 1 ? "" : "s");
    for (const dqplatform::MapperPin& pin : found.filter.pins) {
        std::printf("    pin \"%s\": %s%s%s%s", Utf8(pin.name).c_str(), Direction(pin),
                    pin.IsRendered() ? ", rendered" : "",
                    (pin.flags & REG_PINFLAG_B_ZERO) ? ", zero allowed" : "",
                    (pin.flags & REG_PINFLAG_B_MANY) ? ", many allowed" : "");
        if (!pin.connectsToPin.empty())
            std::printf(", connects to pin \"%s\"", Utf8(pin.connectsToPin).c_str());
        std::printf("\n");
        for (const auto& type : pin.types)
            std::printf("        type %s / %s\n", Guid(type.first).c_str(),
                        Guid(type.second).c_str());
    }
}

} // namespace

int QueryClass(const CLSID& clsid) {
    const std::u16string clsidText = dqplatform::GuidText(clsid);
    // A registry that cannot be read is not one without the class: say which it is.
    HKEY root = nullptr;
    const LONG opened = RegOpenKeyExW(HKEY_CLASSES_ROOT, u"CLSID", 0, KEY_READ, &root);
    if (opened == ERROR_SUCCESS)
        RegCloseKey(root);
    else if (opened != ERROR_FILE_NOT_FOUND) {
        std::fprintf(stderr, "dq-regsvr: cannot read the registry: %s\n",
                     DescribeResult(HRESULT_FROM_WIN32(opened)).c_str());
        return kExitRegistryUnreadable;
    }
    bool found = false;
    if (KeyExists(u"CLSID\\" + clsidText)) {
        PrintTree(HKEY_CLASSES_ROOT, u"CLSID\\" + clsidText,
                  "HKEY_CLASSES_ROOT\\CLSID\\" + Utf8(clsidText));
        found = true;
    }
    if (KeyExists(u"Filter\\" + clsidText)) {
        PrintTree(HKEY_CLASSES_ROOT, u"Filter\\" + clsidText,
                  "HKEY_CLASSES_ROOT\\Filter\\" + Utf8(clsidText));
        found = true;
    }
    for (const dqplatform::CategoryInfo& category : dqplatform::ReadCategories()) {
        std::vector<dqplatform::FoundFilter> entries;
        dqplatform::ReadCategoryEntries(category.clsid, entries);
        for (const dqplatform::FoundFilter& entry : entries) {
            if (IsEqualGUID(entry.filter.clsid, clsid)) {
                PrintEntry(entry, false);
                found = true;
            }
        }
    }
    std::vector<dqplatform::FoundFilter> classic;
    dqplatform::ReadClassicFilters(classic);
    for (const dqplatform::FoundFilter& entry : classic) {
        if (IsEqualGUID(entry.filter.clsid, clsid)) {
            PrintEntry(entry, true);
            found = true;
        }
    }
    if (!found)
        std::printf("%s is not registered\n", Utf8(clsidText).c_str());
    return found ? kExitOk : kExitNotRegistered;
}
