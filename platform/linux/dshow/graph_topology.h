// What the filter graph manager learns from the filters' pins: which filters are downstream of
// which, which are renderers, and how to take a filter's connections apart. Every call here
// goes to the pins' control methods only. Internal to the platform library.
#pragma once

#include <vector>

#include "platform/linux/dshow/dshow_interfaces.h"

namespace dqplatform {

// The filter's pins, each with a reference the caller releases.
std::vector<IPin*> FilterPins(IBaseFilter* filter);
// The filter owning the pin, with a reference, or null.
IBaseFilter* PinOwner(IPin* pin);
// Whether two interface pointers belong to one object.
bool SameObject(IUnknown* a, IUnknown* b);
// A filter with input pins and no connected output pin.
bool IsRenderer(IBaseFilter* filter);
// The filters ordered so that each comes before every filter upstream of it. Filters caught in
// a cycle (which a valid graph never has) keep their relative order at the end.
std::vector<IBaseFilter*> DownstreamFirst(const std::vector<IBaseFilter*>& filters);
// Disconnects both ends of every connection of the filter's pins.
void DisconnectPins(IBaseFilter* filter);

} // namespace dqplatform
