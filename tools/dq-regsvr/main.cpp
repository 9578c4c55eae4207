// dq-regsvr: registers a COM module with the Linux registry, as regsvr32 does on Windows.
//
//   dq-regsvr [/u] [/s] MODULE   call MODULE's DllRegisterServer (/u: DllUnregisterServer);
//                                /s: print nothing. Options may also be written -u, -s.
//   dq-regsvr --query CLSID      print what the registry holds for the class
//
// The registry is $DQ_REGISTRY, else the user's own (see platform/linux/registry/registry.h).
// Exit status: 0 success, 1 bad arguments, 2 class not registered (--query), 3 module not
// loadable, 4 entry point missing, 5 the entry point failed, 6 the registry cannot be read
// (--query: a corrupt or unreadable database).
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "platform/platform.h"
#include "tools/dq-regsvr/register_module.h"
#include "tools/dq-regsvr/registry_query.h"

namespace {

int Usage() {
    std::fprintf(stderr, "usage: dq-regsvr [/u] [/s] MODULE\n"
                         "       dq-regsvr --query CLSID\n");
    return kExitUsage;
}

bool IsOption(const char* arg, char letter) {
    return (arg[0] == '/' || arg[0] == '-') && (arg[1] == letter || arg[1] == letter - 32) &&
           arg[2] == 0;
}

int Run(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--query") == 0) {
        std::u16string text(argv[2], argv[2] + std::strlen(argv[2]));
        CLSID clsid{};
        if (FAILED(CLSIDFromString(text.c_str(), &clsid))) {
            std::fprintf(stderr, "dq-regsvr: not a class id: %s\n", argv[2]);
            return kExitUsage;
        }
        return QueryClass(clsid);
    }
    bool unregister = false, silent = false;
    const char* module = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (IsOption(argv[i], 'u'))
            unregister = true;
        else if (IsOption(argv[i], 's'))
            silent = true;
        else if (module == nullptr && argv[i][0] != 0)
            module = argv[i];
        else
            return Usage();
    }
    if (module == nullptr)
        return Usage();
    return RegisterModule(module, unregister, silent);
}

} // namespace

int main(int argc, char** argv) {
    // Nothing the tool itself throws (only lack of memory can) ends it without a word.
    try {
        return Run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "dq-regsvr: %s\n", e.what());
        return kExitCallFailed;
    }
}
