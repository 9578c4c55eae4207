// dq-script: for people who write or receive overlay scripts and subtitle files.
#include <iostream>
#include <string>
#include <vector>

#include "script_tool.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return RunScriptTool(args, std::cout, std::cerr);
}
