// What a backend of the forms service provides: the native window behind each control, and the
// platform's file chooser. The Linux backend is headless (platform/forms/headless/): windows of
// the platform's window manager, and a chooser answered by the user-input hooks.
#pragma once

#include <memory>

#include "platform/forms/forms_types.h"

namespace dq::forms {

class Control;

// The native window of one control. It reads the control's state (text, location, size,
// visibility, window styles) when it creates or updates the window.
class NativePeer {
public:
    virtual ~NativePeer() = default; // destroys the window if it still exists
    // Creates the window under parent (null: a top-level window).
    virtual void Create(HWND parent) = 0;
    // The window, or null before creation and after the window was destroyed (for instance
    // with a native parent it was placed in).
    virtual HWND Handle() const = 0;
    // The control's state changed: bring the window in line.
    virtual void Update() = 0;
};

std::unique_ptr<NativePeer> CreateNativePeer(Control& control);

struct FileChooserRequest {
    String title;
    String filter;
    int filterIndex = 1;
    String initialDirectory;
    String fileName;
};

// Shows the file-open chooser modally. On OK the chosen path is in fileName.
DialogResult ShowFileChooser(const FileChooserRequest& request, String& fileName);

} // namespace dq::forms
