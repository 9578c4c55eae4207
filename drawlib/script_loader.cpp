#include "drawlib/script_loader.h"

#include <new>

#include "drawlib/quorent_parser.h"
#include "drawlib/script_error.h"
#include "drawlib/script_limits.h"
#include "drawlib/script_location.h"
#include "drawlib/script_text.h"
#include "drawlib/subtitle_parsers.h"
#include "platform/files/file_name.h"

namespace dq::drawlib {

namespace {

std::unique_ptr<Script> Parse(const ScriptText& text, std::string_view baseName,
                              int32_t frameHeight) {
    // The subtitle readers skip the cues that go over a drawing limit; a native script fails.
    switch (text.Format()) {
    case ScriptFormat::SubRip:
        return ParseSubRip(text, baseName, frameHeight);
    case ScriptFormat::WebVtt:
        return ParseWebVtt(text, baseName, frameHeight);
    case ScriptFormat::Quorent:
        break;
    }
    std::unique_ptr<Script> script = ParseQuorent(text, baseName, frameHeight);
    CheckDrawingLimits(*script, frameHeight);
    return script;
}

template <typename Load> std::unique_ptr<Script> Guarded(std::string_view baseName, Load load) {
    try {
        return load();
    } catch (const std::bad_alloc&) {
        ScriptLocation{baseName, 0}.Fail("not enough memory to load the script");
    }
}

} // namespace

std::unique_ptr<Script> LoadScript(const std::filesystem::path& path, int32_t frameHeight) {
    // Never throws for a name that is not valid Unicode (bytes on Linux, UTF-16 on Windows).
    const std::string baseName = files::DisplayName(path.filename());
    return Guarded(baseName, [&] {
        const ScriptText text = ScriptText::Read(path, baseName);
        return Parse(text, baseName, frameHeight);
    });
}

std::unique_ptr<Script> LoadScriptBytes(std::string bytes, std::string_view baseName,
                                        int32_t frameHeight) {
    return Guarded(baseName, [&] {
        const ScriptText text = ScriptText::Decode(std::move(bytes), baseName);
        return Parse(text, baseName, frameHeight);
    });
}

} // namespace dq::drawlib
