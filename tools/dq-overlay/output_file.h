// One output file, written under a temporary name in the same folder and renamed to its own
// name only once it is complete, so that a failed or interrupted run leaves nothing half-written.
// Standard output ("-") and existing devices or pipes (/dev/null, a fifo) are written directly.
#pragma once

#include <string>

class OutputFile {
public:
    // Checks that the name can be a file; throws ToolError (output) when it cannot.
    explicit OutputFile(std::string path);
    ~OutputFile(); // discards the temporary file unless committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    const std::string& Path() const { return m_path; }
    // Where to write: the temporary name, or the path itself when written directly.
    const std::string& WritePath() const { return m_writePath; }
    bool IsStandardOutput() const { return m_path == "-"; }
    bool IsDirect() const { return m_writePath == m_path; }

    // Gives the written file its name. Throws ToolError when the rename fails.
    void Commit();
    // Removes the temporary file.
    void Discard();

    // "cannot write 'out.mp4': cause", the message of every output failure.
    [[noreturn]] void Fail(const std::string& cause) const;

private:
    std::string m_path;
    std::string m_writePath;
    bool m_done = false;
};
