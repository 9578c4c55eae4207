// Linux loads a shared object without calling DllMain. These run when the module is loaded and
// unloaded instead, with the module's own handle (its load address), as the Windows loader does.
#include "platform/linux/kernel/module_dependencies.h"
#include "platform/platform.h"

STDAPI_(BOOL) DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID lpReserved);

namespace {

HINSTANCE OwnHandle() {
    return reinterpret_cast<HINSTANCE>(
        DqModuleFromAddress(reinterpret_cast<const void*>(&OwnHandle)));
}

__attribute__((constructor)) void AttachModule() {
    DqKeepModuleDependencies(reinterpret_cast<const void*>(&OwnHandle));
    DllMain(OwnHandle(), DLL_PROCESS_ATTACH, nullptr);
}

__attribute__((destructor)) void DetachModule() {
    DllMain(OwnHandle(), DLL_PROCESS_DETACH, nullptr);
}

} // namespace
