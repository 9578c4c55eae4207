// GUIDs and their registry text form: reading it (the inverse of StringFromGUID2), and, inside
// the platform library, writing it as a string.
#pragma once

#include <string>

#include "platform/linux/guid.h"

#define CO_E_CLASSSTRING ((HRESULT)0x800401F3)
#define CO_E_IIDSTRING ((HRESULT)0x800401F4)

// Reads "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in either case. Anything else (programmatic
// identifiers are not kept here) gives CO_E_CLASSSTRING and GUID_NULL.
HRESULT CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid);
// The same for an interface id; a bad string gives E_INVALIDARG.
HRESULT IIDFromString(LPCOLESTR lpsz, LPIID lpiid);

namespace dqplatform {

// Registry text form of a GUID: braces, upper-case hex.
std::u16string GuidText(const GUID& id);

} // namespace dqplatform
