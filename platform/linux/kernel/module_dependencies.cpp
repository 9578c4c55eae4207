#include "platform/linux/kernel/module_dependencies.h"

#include <dlfcn.h>
#include <link.h>

void DqKeepModuleDependencies(const void* addressInModule) {
    Dl_info info{};
    link_map* map = nullptr;
    if (dladdr1(addressInModule, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) == 0 ||
        map == nullptr || map->l_ld == nullptr)
        return;
    // The loader relocates the string table's address in place on most targets; where it does
    // not, the entry is still relative to the load address.
    const char* strings = nullptr;
    for (const ElfW(Dyn)* d = map->l_ld; d->d_tag != DT_NULL; ++d) {
        if (d->d_tag == DT_STRTAB) {
            const ElfW(Addr) at = d->d_un.d_ptr;
            strings = reinterpret_cast<const char*>(at < map->l_addr ? map->l_addr + at : at);
        }
    }
    if (strings == nullptr)
        return;
    for (const ElfW(Dyn)* d = map->l_ld; d->d_tag != DT_NULL; ++d) {
        if (d->d_tag != DT_NEEDED)
            continue;
        // Already loaded (the module needs it): this only sets the flag.
        if (void* library = dlopen(strings + d->d_un.d_val, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE))
            dlclose(library);
    }
}
