#include "platform/forms/open_file_dialog.h"

#include <algorithm>
#include <stdexcept>

#include "platform/forms/backend.h"

namespace dq::forms {

void OpenFileDialog::SetFilter(StringView filter) {
    if (!filter.empty() && std::count(filter.begin(), filter.end(), WCHAR('|')) % 2 == 0)
        throw std::invalid_argument("Filter string you provided is not valid.");
    m_filter = String(filter);
}

DialogResult OpenFileDialog::ShowDialog() {
    FileChooserRequest request{m_title, m_filter, m_filterIndex, m_initialDirectory, m_fileName};
    String chosen;
    DialogResult result = ShowFileChooser(request, chosen);
    if (result != DialogResult::OK)
        return DialogResult::Cancel;
    m_fileName = chosen;
    return DialogResult::OK;
}

} // namespace dq::forms
