// Deep copies of AM_MEDIA_TYPE records for the runtime's own use (samples, reconnections).
// The format block lives in task memory and the pUnk field is counted, as the framework's
// media type helpers expect of records they receive.
#pragma once

#include "platform/linux/dshow/dshow_types.h"

namespace dqplatform {

// dest receives a copy of source; on failure (E_OUTOFMEMORY) dest is left with no format block.
HRESULT CopyMediaType(AM_MEDIA_TYPE* dest, const AM_MEDIA_TYPE* source);
// Frees the format block and releases pUnk; the record itself is not freed.
void FreeMediaType(AM_MEDIA_TYPE* type);
// A task-memory record holding a copy of source, or null when memory ran out.
AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* source);
// Frees a record made by CreateMediaType (or handed out by a sample) with its format block.
void DeleteMediaType(AM_MEDIA_TYPE* type);

} // namespace dqplatform
