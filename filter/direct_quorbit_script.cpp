// Script loading and file watching.
#include <algorithm>
#include <cstring>
#include <exception>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "drawlib/draw_quorbit.h"
#include "filter/direct_quorbit.h"
#include "platform/exception_boundary.h"
#include "platform/files/file_name.h"
#include "platform/filewatch/file_system_watcher.h"

namespace {

std::u16string Utf8ToU16(const char* text) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    if (n <= 1)
        return u"";
    std::u16string out(size_t(n), u'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, reinterpret_cast<WCHAR*>(out.data()), n);
    out.resize(size_t(n - 1));
    return out;
}

} // namespace

void CDirectQuorbit::SetError(std::u16string message) noexcept {
    std::lock_guard lock(m_errorLock);
    m_strError.swap(message);
    m_bErrorPending = !m_strError.empty();
}

STDMETHODIMP CDirectQuorbit::put_FileName(WCHAR* fileName) {
    if (fileName == nullptr)
        return E_POINTER;
    // A longer path cannot be stored whole, and a cut path would name another file.
    if (lstrlenW(fileName) >= DQ_MAX_PATH)
        return E_INVALIDARG;

    std::lock_guard config(m_watchLock);
    {
        std::lock_guard lock(m_pathLock);
        std::memset(m_szFileName, 0, sizeof m_szFileName);
        std::memcpy(m_szFileName, fileName, size_t(lstrlenW(fileName)) * sizeof(WCHAR));
    }
    // The reload runs before the watcher is aimed at the new file, so it never triggers a second.
    const HRESULT stopped = ExceptionBoundary([&] {
        m_pWatcher->SetEnableRaisingEvents(false);
        return S_OK;
    });
    const HRESULT loaded = static_cast<IDirectQuorbit*>(this)->reload_File();
    m_bWatchTargeted = RetargetWatcher(fileName);
    if (FAILED(stopped))
        return stopped;
    return m_bWatchTargeted ? loaded : E_FAIL;
}

bool CDirectQuorbit::RetargetWatcher(const WCHAR* fileName) noexcept {
    try {
        std::error_code ec;
        const std::filesystem::path path = dq::files::PathFromWide(fileName);
        const std::filesystem::path full = std::filesystem::absolute(path, ec);
        if (path.empty() || ec || !full.has_filename())
            return false;
        m_pWatcher->SetPath(full.parent_path());
        m_pWatcher->SetFilter(full.filename());
        m_pWatcher->SetEnableRaisingEvents(m_bChangeImmediate);
        return true;
    } catch (const std::exception&) {
        try {
            m_pWatcher->SetEnableRaisingEvents(false);
        } catch (const std::exception&) {
            // Switching off cannot fail for want of a path; nothing more to undo.
        }
        return false;
    }
}

STDMETHODIMP CDirectQuorbit::reload_File() {
    SetError(std::u16string());
    HRESULT hr = S_OK;
    std::u16string failure; // for the load report
    // The failure's message, converted once, goes on the video and into the load report.
    const auto fail = [&](const std::exception& e) noexcept {
        hr = dynamic_cast<const std::bad_alloc*>(&e) != nullptr ? E_OUTOFMEMORY : E_FAIL;
        try {
            failure = Utf8ToU16(e.what());
            SetError(failure);
        } catch (const std::bad_alloc&) {
            // Too little memory even for the message: still show that something failed.
            failure.clear();
            std::lock_guard lock(m_errorLock);
            m_strError.clear();
            m_bErrorPending = true;
        }
    };
    std::filesystem::path path;
    try {
        std::lock_guard lock(m_pathLock);
        if (m_szFileName[0] == 0)
            return E_FAIL;
        path = dq::files::PathFromWide(m_szFileName);
    } catch (const std::exception& e) {
        fail(e);
    }
    m_bReloading = true;
    {
        std::lock_guard drawing(m_drawLock);
        if (SUCCEEDED(hr)) {
            try {
                m_pDraw->load_data(path);
            } catch (const std::exception& e) {
                fail(e);
            }
        }
        m_strLoadError.swap(failure);
        ++m_nLoads;
        m_hrLastLoad = hr;
    }
    m_bReloading = false;
    if (SUCCEEDED(hr))
        SetDirty(TRUE);
    return hr;
}

STDMETHODIMP CDirectQuorbit::GetLastLoad(ULONG maxWarnings, ULONG* loads, HRESULT* result,
                                         ULONG* warnings, WCHAR** text) {
    std::u16string report;
    HRESULT lastLoad = S_FALSE;
    {
        std::lock_guard drawing(m_drawLock);
        lastLoad = m_hrLastLoad;
        if (loads)
            *loads = m_nLoads;
        size_t count = 0;
        if (SUCCEEDED(lastLoad)) {
            std::vector<std::string> lines;
            try {
                count = m_pDraw->warnings(text ? &lines : nullptr, maxWarnings);
                for (const std::string& line : lines) {
                    report += Utf8ToU16(line.c_str());
                    report += u'\n';
                }
            } catch (const std::bad_alloc&) {
                report.clear();
            }
        } else {
            try {
                report = m_strLoadError;
            } catch (const std::bad_alloc&) {
                report.clear();
            }
        }
        if (warnings)
            *warnings = ULONG(std::min<size_t>(count, ULONG(-1)));
    }
    if (result)
        *result = lastLoad;
    if (text) {
        *text = static_cast<WCHAR*>(CoTaskMemAlloc((report.size() + 1) * sizeof(WCHAR)));
        if (*text == nullptr)
            return E_OUTOFMEMORY;
        std::memcpy(*text, report.c_str(), (report.size() + 1) * sizeof(WCHAR));
    }
    return S_OK;
}

STDMETHODIMP CDirectQuorbit::put_ChangeImmediate(bool changeImmediate) {
    m_bChangeImmediate = changeImmediate;
    std::lock_guard config(m_watchLock);
    // Without a watchable path the switch is kept for when one is given.
    if (!m_bWatchTargeted)
        return S_OK;
    return ExceptionBoundary([&] {
        m_pWatcher->SetEnableRaisingEvents(changeImmediate);
        return S_OK;
    });
}
