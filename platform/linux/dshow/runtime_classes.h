// The DirectShow classes built into the runtime: how each is created. runtime_classes.cpp makes
// them known to COM activation. Internal to the platform library.
#pragma once

#include "platform/linux/com/com_interfaces.h"

namespace dqplatform {

HRESULT CreateMemoryAllocator(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreateSystemClock(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreateSeekingPassThru(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreateFilterGraph(IUnknown* outer, REFIID riid, void** ppv);
// Both filter mapper classes: one object answering IFilterMapper2 and IFilterMapper.
HRESULT CreateFilterMapper(IUnknown* outer, REFIID riid, void** ppv);

} // namespace dqplatform
