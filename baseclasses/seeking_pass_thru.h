#pragma once

#include "platform/platform.h"

// The system's seeking pass-through, aggregated by outer and set up to pass seeking requests on
// to pin. *out receives its inner unknown, with one reference that the caller owns.
HRESULT CreateSeekingPassThru(IUnknown* outer, BOOL renderer, IPin* pin, IUnknown** out);
