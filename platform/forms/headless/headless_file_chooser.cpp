#include <deque>
#include <mutex>
#include <utility>

#include "platform/forms/headless/file_chooser_answers.h"

namespace dq::forms {

namespace {

struct Chooser {
    std::mutex mutex;
    std::deque<std::pair<DialogResult, String>> answers;
    std::vector<FileChooserRequest> shown;
};

Chooser& State() {
    static Chooser chooser;
    return chooser;
}

} // namespace

DialogResult ShowFileChooser(const FileChooserRequest& request, String& fileName) {
    Chooser& c = State();
    std::lock_guard<std::mutex> lock(c.mutex);
    c.shown.push_back(request);
    if (c.answers.empty())
        return DialogResult::Cancel;
    auto [result, path] = std::move(c.answers.front());
    c.answers.pop_front();
    if (result == DialogResult::OK)
        fileName = std::move(path);
    return result == DialogResult::OK ? DialogResult::OK : DialogResult::Cancel;
}

namespace headless {

void AnswerNextFileChooser(DialogResult result, StringView fileName) {
    Chooser& c = State();
    std::lock_guard<std::mutex> lock(c.mutex);
    c.answers.emplace_back(result, String(fileName));
}

std::vector<FileChooserRequest> TakeShownFileChoosers() {
    Chooser& c = State();
    std::lock_guard<std::mutex> lock(c.mutex);
    return std::exchange(c.shown, {});
}

void ResetFileChoosers() {
    Chooser& c = State();
    std::lock_guard<std::mutex> lock(c.mutex);
    c.answers.clear();
    c.shown.clear();
}

} // namespace headless
} // namespace dq::forms
