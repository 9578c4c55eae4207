// dq-wine-mapper: what the system's filter mapper knows of a registered DirectQuorbit.ax. Asks
// IFilterMapper2::EnumMatchingFilters for filters taking video/RGB24 in, and reads the entry's
// name and filter data (merit, pins, their directions and media types) as graph building sees
// them. With "absent" it checks instead that the filter is no longer found.
//
// usage: dq-wine-mapper.exe [absent]
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "filter/i_direct_quorbit.h"
#include "tools/wine/host_checks.h"

using dq::wine::Check;
using dq::wine::HexResult;
using dq::wine::Note;

namespace {

constexpr DWORD kOutputPinFlag = 0x8; // REG_PINFLAG_B_OUTPUT

std::wstring ClassIdText(const GUID& id) {
    wchar_t text[40] = {};
    StringFromGUID2(id, text, 40);
    return text;
}

// The moniker's property, or an empty variant.
VARIANT Read(IPropertyBag* bag, const wchar_t* name) {
    VARIANT value;
    VariantInit(&value);
    if (FAILED(bag->Read(name, &value, nullptr)))
        VariantInit(&value);
    return value;
}

// The filter data the mapper stored: version 2 records of the filter, its pins and their
// types, with the type GUIDs at offsets into the block.
struct FilterData {
    struct Pin {
        bool output = false;
        std::vector<std::pair<GUID, GUID>> types;
    };
    bool valid = false;
    DWORD version = 0;
    DWORD merit = 0;
    std::vector<Pin> pins;
};

FilterData Parse(const std::vector<BYTE>& block) {
    FilterData data;
    const auto dword = [&](size_t at, DWORD& out) {
        if (at + 4 > block.size())
            return false;
        std::memcpy(&out, &block[at], 4);
        return true;
    };
    const auto guid = [&](DWORD at, GUID& out) {
        if (size_t(at) + sizeof(GUID) > block.size())
            return false;
        std::memcpy(&out, &block[at], sizeof(GUID));
        return true;
    };
    DWORD pinCount = 0;
    if (!dword(0, data.version) || !dword(4, data.merit) || !dword(8, pinCount))
        return data;
    size_t at = 16;
    for (DWORD p = 0; p < pinCount; ++p) {
        DWORD flags = 0, types = 0, mediums = 0, category = 0, instances = 0;
        if (!dword(at + 4, flags) || !dword(at + 8, instances) || !dword(at + 12, types) ||
            !dword(at + 16, mediums) || !dword(at + 20, category))
            return data;
        at += 24;
        FilterData::Pin pin;
        pin.output = (flags & kOutputPinFlag) != 0;
        for (DWORD t = 0; t < types; ++t) {
            DWORD major = 0, minor = 0;
            GUID majorType{}, subtype{};
            if (!dword(at + 8, major) || !dword(at + 12, minor) || !guid(major, majorType) ||
                !guid(minor, subtype))
                return data;
            pin.types.emplace_back(majorType, subtype);
            at += 16;
        }
        at += size_t(mediums) * 4; // offsets of the mediums, which this filter has none of
        data.pins.push_back(pin);
    }
    data.valid = true;
    return data;
}

// The monikers of filters that take video/RGB24 in with at least `merit`; whether ours is
// among them, and its moniker when it is.
IMoniker* FindOurs(IFilterMapper2* mapper, DWORD merit, HRESULT& hr) {
    const GUID types[2] = {MEDIATYPE_Video, MEDIASUBTYPE_RGB24};
    IEnumMoniker* found = nullptr;
    hr = mapper->EnumMatchingFilters(&found, 0, FALSE, merit, TRUE, 1, types, nullptr, nullptr,
                                     FALSE, FALSE, 0, nullptr, nullptr, nullptr);
    if (FAILED(hr) || found == nullptr)
        return nullptr;
    const std::wstring ours = ClassIdText(CLSID_DirectQuorbit_RELEASE);
    IMoniker* moniker = nullptr;
    IMoniker* match = nullptr;
    while (match == nullptr && found->Next(1, &moniker, nullptr) == S_OK) {
        IPropertyBag* bag = nullptr;
        if (SUCCEEDED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag,
                                             reinterpret_cast<void**>(&bag)))) {
            VARIANT id = Read(bag, L"CLSID");
            if (id.vt == VT_BSTR && _wcsicmp(id.bstrVal, ours.c_str()) == 0)
                match = moniker;
            VariantClear(&id);
            bag->Release();
        }
        if (match == nullptr)
            moniker->Release();
    }
    found->Release();
    return match;
}

void CheckEntry(IMoniker* moniker) {
    IPropertyBag* bag = nullptr;
    if (!Check(SUCCEEDED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag,
                                                reinterpret_cast<void**>(&bag))),
               "the entry's properties can be read"))
        return;
    VARIANT name = Read(bag, L"FriendlyName");
    Check(name.vt == VT_BSTR && wcscmp(name.bstrVal, L"DirectQuorbit") == 0,
          "the entry is named \"DirectQuorbit\"");
    VariantClear(&name);

    VARIANT blob = Read(bag, L"FilterData");
    std::vector<BYTE> block;
    if (blob.vt == (VT_ARRAY | VT_UI1) && blob.parray != nullptr) {
        void* bytes = nullptr;
        if (SUCCEEDED(SafeArrayAccessData(blob.parray, &bytes))) {
            const auto* first = static_cast<const BYTE*>(bytes);
            block.assign(first, first + blob.parray->rgsabound[0].cElements);
            SafeArrayUnaccessData(blob.parray);
        }
    }
    VariantClear(&blob);
    bag->Release();

    const FilterData data = Parse(block);
    if (!Check(data.valid, "the entry has filter data (%zu bytes)", block.size()))
        return;
    Check(data.merit == 0x00200000, "merit 0x%08lX (MERIT_DO_NOT_USE is 0x00200000)",
          static_cast<unsigned long>(data.merit));
    Check(data.pins.size() == 2, "%zu pins", data.pins.size());
    if (data.pins.size() != 2)
        return;
    Check(!data.pins[0].output && data.pins[1].output, "an input pin, then an output pin");
    for (size_t p = 0; p < 2; ++p) {
        const auto& types = data.pins[p].types;
        Check(types.size() == 1 && types[0].first == MEDIATYPE_Video &&
                  types[0].second == MEDIASUBTYPE_RGB24,
              "pin %zu takes exactly video/RGB24", p);
    }
}

} // namespace

int main(int argc, char** argv) {
    const bool expectAbsent = argc == 2 && std::strcmp(argv[1], "absent") == 0;
    dq::wine::StartWatchdog(60, "the mapper host");
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    IFilterMapper2* mapper = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IFilterMapper2, reinterpret_cast<void**>(&mapper));
    if (Check(SUCCEEDED(hr), "the system's filter mapper is created (%s)", HexResult(hr).c_str())) {
        IMoniker* ours = FindOurs(mapper, 0x00200000, hr);
        Check(SUCCEEDED(hr), "EnumMatchingFilters for video/RGB24 input (%s)",
              HexResult(hr).c_str());
        if (expectAbsent) {
            Check(ours == nullptr, "after unregistering, DirectQuorbit is no longer found");
        } else if (Check(ours != nullptr, "DirectQuorbit is found for video/RGB24 input at merit "
                                          "MERIT_DO_NOT_USE")) {
            CheckEntry(ours);
            IMoniker* above = FindOurs(mapper, 0x00200001, hr);
            Check(above == nullptr, "and not when a higher merit is asked for");
            if (above != nullptr)
                above->Release();
        }
        if (ours != nullptr)
            ours->Release();
        mapper->Release();
    }
    CoUninitialize();
    Note("mapper checks done");
    return dq::wine::ExitCode();
}
