// dq-wine-regsvr32: stands in for the 32-bit regsvr32 (SysWOW64) that Wine here cannot run, so
// that the 64-bit installer's 32-bit branch can be run and watched: each call appends its
// arguments, one line, to the file DQ_STAND_IN_LOG names, and the program exits with
// DQ_STAND_IN_EXIT (0 when unset), as regsvr32 exits with its result.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main() {
    std::wstring line = GetCommandLineW();
    // What follows the program's own name.
    size_t at = 0;
    if (!line.empty() && line[0] == L'"')
        at = line.find(L'"', 1);
    else
        at = line.find(L' ');
    line = at == std::wstring::npos ? L"" : line.substr(at + 1);
    line.erase(0, line.find_first_not_of(L' '));

    if (const char* log = std::getenv("DQ_STAND_IN_LOG")) {
        const int n =
            WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr);
        std::string text(size_t(n > 0 ? n : 1), '\0');
        WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, text.data(), n, nullptr, nullptr);
        if (FILE* f = std::fopen(log, "ab")) {
            std::fprintf(f, "%s\n", text.c_str());
            std::fclose(f);
        }
    }
    const char* code = std::getenv("DQ_STAND_IN_EXIT");
    return code != nullptr ? std::atoi(code) : 0;
}
