#include "platform/linux/dshow/filter_data.h"

#include "platform/linux/win_error.h"

namespace dqplatform {

namespace {

constexpr DWORD kMagic = 0x31465144; // "DQF1" in file order

const GUID& IdOrNull(const GUID* id) {
    return id != nullptr ? *id : GUID_NULL;
}

std::u16string TextOrEmpty(const WCHAR* text) {
    return text != nullptr ? std::u16string(text) : std::u16string();
}

class Writer {
public:
    void Word(DWORD v) {
        for (int i = 0; i < 4; ++i)
            m_out.push_back(static_cast<BYTE>(v >> (8 * i)));
    }
    void Guid(const GUID& g) {
        Word(g.Data1);
        Half(g.Data2);
        Half(g.Data3);
        m_out.insert(m_out.end(), g.Data4, g.Data4 + 8);
    }
    void Text(const std::u16string& s) {
        for (char16_t c : s)
            Half(c);
        if (s.size() % 2 != 0)
            Half(0);
    }
    std::vector<BYTE>& Bytes() { return m_out; }

private:
    void Half(uint16_t v) {
        m_out.push_back(static_cast<BYTE>(v));
        m_out.push_back(static_cast<BYTE>(v >> 8));
    }
    std::vector<BYTE> m_out;
};

class Reader {
public:
    Reader(const BYTE* data, size_t size) : m_data(data), m_size(size) {}
    size_t Left() const { return m_size - m_pos; }
    bool Word(DWORD& v) {
        if (Left() < 4)
            return false;
        v = 0;
        for (int i = 0; i < 4; ++i)
            v |= DWORD{m_data[m_pos + i]} << (8 * i);
        m_pos += 4;
        return true;
    }
    bool Guid(GUID& g) {
        if (Left() < 16)
            return false;
        DWORD d1 = 0;
        Word(d1);
        g.Data1 = d1;
        g.Data2 = Half();
        g.Data3 = Half();
        for (int i = 0; i < 8; ++i)
            g.Data4[i] = m_data[m_pos++];
        return true;
    }
    bool Text(DWORD length, std::u16string& s) {
        const size_t padded = (size_t{length} + (length % 2)) * 2;
        if (Left() < padded)
            return false;
        s.resize(length);
        for (DWORD i = 0; i < length; ++i)
            s[i] = static_cast<char16_t>(Half());
        m_pos += (length % 2) * 2;
        return true;
    }

private:
    uint16_t Half() {
        const uint16_t v = static_cast<uint16_t>(m_data[m_pos] | m_data[m_pos + 1] << 8);
        m_pos += 2;
        return v;
    }
    const BYTE* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

HRESULT ReadTypes(UINT count, const REGPINTYPES* types, MapperPin& pin) {
    if (count > 0 && types == nullptr)
        return E_POINTER;
    for (UINT t = 0; t < count; ++t)
        pin.types.emplace_back(IdOrNull(types[t].clsMajorType), IdOrNull(types[t].clsMinorType));
    return S_OK;
}

} // namespace

HRESULT ReadRegFilter2(const REGFILTER2& rf, DWORD& merit, std::vector<MapperPin>& pins) {
    pins.clear();
    merit = rf.dwMerit;
    if (rf.dwVersion == 1) {
        if (rf.cPins > 0 && rf.rgPins == nullptr)
            return E_POINTER;
        for (ULONG p = 0; p < rf.cPins; ++p) {
            const REGFILTERPINS& in = rf.rgPins[p];
            MapperPin pin;
            pin.name = TextOrEmpty(in.strName);
            pin.flags = (in.bRendered ? REG_PINFLAG_B_RENDERER : 0) |
                        (in.bOutput ? REG_PINFLAG_B_OUTPUT : 0) |
                        (in.bZero ? REG_PINFLAG_B_ZERO : 0) | (in.bMany ? REG_PINFLAG_B_MANY : 0);
            pin.connectsToFilter = IdOrNull(in.clsConnectsToFilter);
            pin.connectsToPin = TextOrEmpty(in.strConnectsToPin);
            if (HRESULT hr = ReadTypes(in.nMediaTypes, in.lpMediaType, pin); FAILED(hr))
                return hr;
            pins.push_back(std::move(pin));
        }
        return S_OK;
    }
    if (rf.dwVersion == 2) {
        if (rf.cPins2 > 0 && rf.rgPins2 == nullptr)
            return E_POINTER;
        for (ULONG p = 0; p < rf.cPins2; ++p) {
            const REGFILTERPINS2& in = rf.rgPins2[p];
            MapperPin pin;
            pin.flags = in.dwFlags;
            pin.instances = in.cInstances;
            pin.category = IdOrNull(in.clsPinCategory);
            if (HRESULT hr = ReadTypes(in.nMediaTypes, in.lpMediaType, pin); FAILED(hr))
                return hr;
            if (in.nMediums > 0 && in.lpMedium == nullptr)
                return E_POINTER;
            pin.mediums.assign(in.lpMedium, in.lpMedium + in.nMediums);
            pins.push_back(std::move(pin));
        }
        return S_OK;
    }
    return E_INVALIDARG;
}

std::vector<BYTE> EncodeFilterData(DWORD merit, const std::vector<MapperPin>& pins) {
    Writer w;
    w.Word(kMagic);
    w.Word(merit);
    w.Word(static_cast<DWORD>(pins.size()));
    w.Word(0);
    for (const MapperPin& pin : pins) {
        w.Word(pin.flags);
        w.Word(pin.instances);
        w.Word(static_cast<DWORD>(pin.types.size()));
        w.Word(static_cast<DWORD>(pin.mediums.size()));
        w.Guid(pin.category);
        w.Guid(pin.connectsToFilter);
        w.Word(static_cast<DWORD>(pin.name.size()));
        w.Word(static_cast<DWORD>(pin.connectsToPin.size()));
        w.Text(pin.name);
        w.Text(pin.connectsToPin);
        for (const auto& type : pin.types) {
            w.Guid(type.first);
            w.Guid(type.second);
        }
        for (const REGPINMEDIUM& medium : pin.mediums) {
            w.Guid(medium.clsMedium);
            w.Word(medium.dw1);
            w.Word(medium.dw2);
        }
    }
    return std::move(w.Bytes());
}

bool DecodeFilterData(const BYTE* data, size_t size, DWORD& merit, std::vector<MapperPin>& pins) {
    pins.clear();
    if (data == nullptr)
        return false;
    Reader r(data, size);
    DWORD magic = 0, count = 0, reserved = 0;
    if (!r.Word(magic) || magic != kMagic || !r.Word(merit) || !r.Word(count) || !r.Word(reserved))
        return false;
    constexpr size_t kPinHeader = 4 * 4 + 16 + 16 + 4 * 2;
    // Counts are checked against what is left before anything is allocated for them.
    if (count > r.Left() / kPinHeader)
        return false;
    for (DWORD p = 0; p < count; ++p) {
        MapperPin pin;
        DWORD types = 0, mediums = 0, nameLength = 0, connectsLength = 0;
        if (!r.Word(pin.flags) || !r.Word(pin.instances) || !r.Word(types) || !r.Word(mediums) ||
            !r.Guid(pin.category) || !r.Guid(pin.connectsToFilter) || !r.Word(nameLength) ||
            !r.Word(connectsLength))
            return false;
        if (nameLength > r.Left() / 2 || !r.Text(nameLength, pin.name) ||
            connectsLength > r.Left() / 2 || !r.Text(connectsLength, pin.connectsToPin))
            return false;
        if (types > r.Left() / 32)
            return false;
        for (DWORD t = 0; t < types; ++t) {
            std::pair<GUID, GUID> type;
            r.Guid(type.first);
            r.Guid(type.second);
            pin.types.push_back(type);
        }
        if (mediums > r.Left() / 24)
            return false;
        for (DWORD m = 0; m < mediums; ++m) {
            REGPINMEDIUM medium{};
            r.Guid(medium.clsMedium);
            r.Word(medium.dw1);
            r.Word(medium.dw2);
            pin.mediums.push_back(medium);
        }
        pins.push_back(std::move(pin));
    }
    return r.Left() == 0;
}

} // namespace dqplatform
