// Registers the DirectShow classes built into the runtime with COM activation while the library
// loads, so COM itself never has to know them.
#include "platform/linux/dshow/runtime_classes.h"

#include "platform/linux/com/class_objects.h"
#include "platform/linux/dshow/dshow_ids.h"

namespace {

const dqplatform::BuiltinClass kDirectShowClasses[] = {
    {CLSID_MemoryAllocator, dqplatform::CreateMemoryAllocator, false},
    {CLSID_SystemClock, dqplatform::CreateSystemClock, false},
    {CLSID_SeekingPassThru, dqplatform::CreateSeekingPassThru, true},
    {CLSID_FilterGraph, dqplatform::CreateFilterGraph, false},
    {CLSID_FilterMapper2, dqplatform::CreateFilterMapper, false},
    {CLSID_FilterMapper, dqplatform::CreateFilterMapper, false},
};

[[maybe_unused]] const bool g_registered =
    (dqplatform::RegisterBuiltinClasses(kDirectShowClasses), true);

} // namespace
