// The file-open chooser: a title, a filter of file types ("Description|pattern|..."), and the
// chosen file's path after the user confirms.
#pragma once

#include "platform/forms/forms_types.h"

namespace dq::forms {

class OpenFileDialog {
public:
    const String& Title() const { return m_title; }
    void SetTitle(StringView title) { m_title = String(title); }
    const String& Filter() const { return m_filter; }
    // Pairs of description and patterns separated by '|', e.g.
    // "Text files (*.txt)|*.txt|All files (*.*)|*.*". An odd number of parts throws
    // std::invalid_argument and keeps the old filter; an empty filter shows every file.
    void SetFilter(StringView filter);
    int FilterIndex() const { return m_filterIndex; } // 1-based
    void SetFilterIndex(int index) { m_filterIndex = index; }
    const String& InitialDirectory() const { return m_initialDirectory; }
    void SetInitialDirectory(StringView folder) { m_initialDirectory = String(folder); }
    const String& FileName() const { return m_fileName; }
    void SetFileName(StringView fileName) { m_fileName = String(fileName); }

    // Shows the chooser modally. OK when the user chose a file (FileName is its full path);
    // Cancel otherwise, leaving FileName as it was.
    DialogResult ShowDialog();

private:
    String m_title;
    String m_filter;
    int m_filterIndex = 1;
    String m_initialDirectory;
    String m_fileName;
};

} // namespace dq::forms
