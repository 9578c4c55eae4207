// Where our code is called by code that is not ours (COM methods, exported functions, thread
// bodies, callbacks), no C++ exception may unwind into the caller: it becomes a result code.
#pragma once

#include <new>

#include "platform/platform.h"

// For COM methods and exported functions that answer with an HRESULT.
template <typename Body> HRESULT ExceptionBoundary(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

// For calls that answer with a Win32 error code (the registry's).
template <typename Body> LONG Win32ExceptionBoundary(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return ERROR_OUTOFMEMORY;
    } catch (...) {
        return ERROR_GEN_FAILURE;
    }
}
