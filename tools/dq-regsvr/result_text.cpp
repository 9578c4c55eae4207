#include "tools/dq-regsvr/result_text.h"

#include <cstdio>

namespace {

struct Meaning {
    HRESULT code;
    const char* text;
};

const Meaning kMeanings[] = {
    {S_OK, "success"},
    {S_FALSE, "success, nothing to do"},
    {E_NOTIMPL, "not implemented"},
    {E_NOINTERFACE, "interface not supported"},
    {E_POINTER, "null pointer"},
    {E_ABORT, "aborted"},
    {E_FAIL, "unspecified failure"},
    {E_UNEXPECTED, "unexpected failure"},
    {E_ACCESSDENIED, "access denied"},
    {E_OUTOFMEMORY, "out of memory"},
    {E_INVALIDARG, "invalid argument"},
    {CLASS_E_NOAGGREGATION, "class cannot be aggregated"},
    {CLASS_E_CLASSNOTAVAILABLE, "the module does not serve this class"},
    {REGDB_E_CLASSNOTREG, "class not registered"},
    {CO_E_DLLNOTFOUND, "the class's module was not found"},
    {CO_E_ERRORINDLL, "the class's module cannot be loaded or has no DllGetClassObject"},
    {VFW_E_NOT_FOUND, "not found"},
    {HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), "file or registry key not found"},
    {HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND), "path not found"},
    {HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND), "module not found"},
    {HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER), "buffer too small"},
    {HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE), "the path is too long"},
    {HRESULT_FROM_WIN32(ERROR_DISK_FULL), "disk full"},
    {HRESULT_FROM_WIN32(ERROR_BUSY), "the registry is busy"},
    {HRESULT_FROM_WIN32(ERROR_BADDB), "the registry database is corrupt"},
    {HRESULT_FROM_WIN32(ERROR_REGISTRY_IO_FAILED),
     "the registry database cannot be read or written"},
    {HRESULT_FROM_WIN32(ERROR_KEY_DELETED), "the registry key was deleted"},
};

} // namespace

std::string DescribeResult(HRESULT hr) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
    for (const Meaning& m : kMeanings) {
        if (m.code == hr)
            return std::string(code) + " (" + m.text + ")";
    }
    const unsigned u = static_cast<unsigned>(hr);
    if ((u & 0xFFFF0000u) == 0x80070000u)
        return std::string(code) + " (system error " + std::to_string(u & 0xFFFF) + ")";
    return std::string(code) + (FAILED(hr) ? " (failure)" : " (success)");
}
