// The headless file chooser: nobody sits in front of it, so tests answer it in advance, and can
// see what it was shown with.
#pragma once

#include <vector>

#include "platform/forms/backend.h"

namespace dq::forms::headless {

// Queues the answer to the next file chooser shown: OK with a path, or Cancel. A chooser shown
// with no answer queued is cancelled.
void AnswerNextFileChooser(DialogResult result, StringView fileName = {});
// The choosers shown since the last call, oldest first.
std::vector<FileChooserRequest> TakeShownFileChoosers();
// Forgets queued answers and shown choosers.
void ResetFileChoosers();

} // namespace dq::forms::headless
