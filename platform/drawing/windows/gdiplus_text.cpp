#include "platform/drawing/windows/gdiplus_text.h"

#include <vector>

namespace dq::gfx::detail {

std::mutex& TextLock() {
    static std::mutex lock;
    return lock;
}

void EnsureGdiplus() {
    static const bool started = [] {
        Gdiplus::GdiplusStartupInput input;
        ULONG_PTR token = 0;
        Check(Gdiplus::GdiplusStartup(&token, &input, nullptr), "starting GDI+");
        // No GdiplusShutdown: the process may still hold layouts when the module goes, and
        // GDI+ cleans up at process exit.
        HMODULE pinned = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN, L"gdiplus.dll", &pinned);
        return true;
    }();
    (void)started;
}

void Check(Gdiplus::Status status, const char* what) {
    if (status != Gdiplus::Ok)
        throw DrawingError(std::string(what) + " failed (GDI+ status " +
                           std::to_string(int(status)) + ")");
}

std::wstring ToWide(std::u16string_view text) {
    return std::wstring(text.begin(), text.end());
}

namespace {

std::wstring Trimmed(std::string_view name) {
    const size_t first = name.find_first_not_of(" \t\"'");
    if (first == std::string_view::npos)
        return {};
    const size_t last = name.find_last_not_of(" \t\"'");
    const std::string narrow(name.substr(first, last - first + 1));
    const int n = MultiByteToWideChar(CP_UTF8, 0, narrow.c_str(), -1, nullptr, 0);
    std::wstring wide(size_t(n > 0 ? n : 1), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, narrow.c_str(), -1, wide.data(), n);
    wide.resize(wide.size() - 1);
    return wide;
}

std::unique_ptr<Gdiplus::FontFamily> Installed(const wchar_t* name) {
    auto family = std::make_unique<Gdiplus::FontFamily>(name);
    if (family->GetLastStatus() != Gdiplus::Ok || !family->IsAvailable())
        return nullptr;
    return family;
}

std::unique_ptr<Gdiplus::FontFamily> Copy(const Gdiplus::FontFamily* family) {
    if (family == nullptr || family->GetLastStatus() != Gdiplus::Ok || !family->IsAvailable())
        return nullptr;
    std::unique_ptr<Gdiplus::FontFamily> copy(family->Clone());
    if (!copy || copy->GetLastStatus() != Gdiplus::Ok)
        return nullptr;
    return copy;
}

// GDI+'s generic family, or else the faces that usually stand for it.
std::unique_ptr<Gdiplus::FontFamily> Generic(const std::wstring& name) {
    const Gdiplus::FontFamily* generic = nullptr;
    std::vector<const wchar_t*> faces;
    if (name == L"monospace") {
        generic = Gdiplus::FontFamily::GenericMonospace();
        faces = {L"Courier New", L"Consolas", L"Lucida Console", L"DejaVu Sans Mono",
                 L"Liberation Mono"};
    } else if (name == L"sans-serif" || name == L"sans") {
        generic = Gdiplus::FontFamily::GenericSansSerif();
        faces = {L"Microsoft Sans Serif", L"Arial", L"Tahoma", L"DejaVu Sans", L"Liberation Sans"};
    } else if (name == L"serif") {
        generic = Gdiplus::FontFamily::GenericSerif();
        faces = {L"Times New Roman", L"DejaVu Serif", L"Liberation Serif"};
    } else {
        return nullptr;
    }
    if (auto family = Copy(generic))
        return family;
    for (const wchar_t* face : faces) {
        if (auto family = Installed(face))
            return family;
    }
    return nullptr;
}

} // namespace

std::unique_ptr<Gdiplus::FontFamily> ResolveFamily(const std::string& families) {
    std::string_view rest = families;
    while (!rest.empty()) {
        const size_t comma = rest.find(',');
        const std::wstring name = Trimmed(rest.substr(0, comma));
        rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
        if (name.empty())
            continue;
        if (auto family = Generic(name))
            return family;
        if (auto family = Installed(name.c_str()))
            return family;
    }
    if (auto family = Generic(L"sans-serif"))
        return family;
    // Whatever the system has.
    Gdiplus::InstalledFontCollection installed;
    const INT count = installed.GetFamilyCount();
    if (count > 0) {
        std::vector<Gdiplus::FontFamily> all(static_cast<size_t>(count));
        INT found = 0;
        installed.GetFamilies(count, all.data(), &found);
        for (INT i = 0; i < found; ++i) {
            if (auto family = Copy(&all[size_t(i)]))
                return family;
        }
    }
    throw DrawingError("no font is installed");
}

int AvailableStyle(const Gdiplus::FontFamily& family, int style) {
    for (int candidate : {style, style & ~Gdiplus::FontStyleItalic, style & ~Gdiplus::FontStyleBold,
                          int(Gdiplus::FontStyleRegular)}) {
        if (family.IsStyleAvailable(candidate))
            return candidate;
    }
    return Gdiplus::FontStyleRegular;
}

const Gdiplus::StringFormat& TextFormat() {
    static const Gdiplus::StringFormat* const format = [] {
        auto* f = new Gdiplus::StringFormat(Gdiplus::StringFormat::GenericTypographic());
        f->SetFormatFlags(f->GetFormatFlags() | Gdiplus::StringFormatFlagsMeasureTrailingSpaces |
                          Gdiplus::StringFormatFlagsNoWrap | Gdiplus::StringFormatFlagsNoClip);
        return f;
    }();
    return *format;
}

} // namespace dq::gfx::detail
