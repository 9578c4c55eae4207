// Where our code is called by code that is not ours (COM methods, exported functions, thread
// bodies, callbacks), no C++ exception may unwind into the caller: it becomes a result code.
#pragma once

#include <new>

#include "platform/platform.h"

template <typename Body> HRESULT ExceptionBoundary(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}
