#include "platform/linux/com/guid_text.h"

#include "platform/linux/com/com_runtime.h"
#include "platform/linux/win_error.h"

namespace {

int HexDigit(OLECHAR c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

bool Parse(LPCOLESTR s, GUID& out) {
    if (s == nullptr)
        return false;
    // Positions of the dashes and braces in the 38-character form.
    static const char pattern[] = "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}";
    uint8_t bytes[16] = {};
    int nibble = 0;
    for (int i = 0; pattern[i] != 0; ++i) {
        if (s[i] == 0)
            return false;
        if (pattern[i] != 'x') {
            if (s[i] != static_cast<OLECHAR>(pattern[i]))
                return false;
            continue;
        }
        const int d = HexDigit(s[i]);
        if (d < 0)
            return false;
        bytes[nibble / 2] = static_cast<uint8_t>(bytes[nibble / 2] << 4 | d);
        ++nibble;
    }
    if (s[38] != 0)
        return false;
    out.Data1 =
        uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | bytes[3];
    out.Data2 = static_cast<uint16_t>(bytes[4] << 8 | bytes[5]);
    out.Data3 = static_cast<uint16_t>(bytes[6] << 8 | bytes[7]);
    for (int b = 0; b < 8; ++b)
        out.Data4[b] = bytes[8 + b];
    return true;
}

} // namespace

HRESULT CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid) {
    if (pclsid == nullptr)
        return E_INVALIDARG;
    if (Parse(lpsz, *pclsid))
        return S_OK;
    *pclsid = GUID_NULL;
    return CO_E_CLASSSTRING;
}

HRESULT IIDFromString(LPCOLESTR lpsz, LPIID lpiid) {
    if (lpiid == nullptr)
        return E_INVALIDARG;
    if (Parse(lpsz, *lpiid))
        return S_OK;
    *lpiid = GUID_NULL;
    return E_INVALIDARG;
}

std::u16string dqplatform::GuidText(const GUID& id) {
    WCHAR text[39];
    StringFromGUID2(id, text, 39);
    return text;
}
