// The file chooser on Windows: the common file-open dialog (GetOpenFileNameW), owned by the
// window the user is working in, so that it is modal to it.
#include <windows.h>
#include <commdlg.h>

#include <vector>

#include "platform/forms/backend.h"

namespace dq::forms {

namespace {

// "Description|pattern|..." as the dialog wants it: each part ended by a zero, the list by one
// more.
std::vector<wchar_t> FilterList(const String& filter) {
    std::vector<wchar_t> list;
    for (WCHAR c : filter)
        list.push_back(c == '|' ? L'\0' : wchar_t(c));
    list.push_back(L'\0');
    list.push_back(L'\0');
    return list;
}

} // namespace

DialogResult ShowFileChooser(const FileChooserRequest& request, String& fileName) {
    // Room for any path the system can name.
    std::vector<wchar_t> chosen(32768, L'\0');
    if (request.fileName.size() < chosen.size())
        std::copy(request.fileName.begin(), request.fileName.end(), chosen.begin());
    const std::vector<wchar_t> filter = FilterList(request.filter);

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = GetActiveWindow();
    ofn.lpstrFilter = request.filter.empty() ? nullptr : filter.data();
    ofn.nFilterIndex = DWORD(request.filterIndex);
    ofn.lpstrFile = chosen.data();
    ofn.nMaxFile = DWORD(chosen.size());
    ofn.lpstrInitialDir =
        request.initialDirectory.empty() ? nullptr : request.initialDirectory.c_str();
    ofn.lpstrTitle = request.title.empty() ? nullptr : request.title.c_str();
    // The host's current folder is left alone: a filter inside someone else's program.
    ofn.Flags =
        OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameW(&ofn))
        return DialogResult::Cancel; // cancelled, or the dialog could not be shown
    fileName.assign(chosen.data());
    return DialogResult::OK;
}

} // namespace dq::forms
