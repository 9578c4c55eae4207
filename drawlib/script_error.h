// The error load_data raises when a script cannot be loaded. what() is the message shown to the
// user, in UTF-8: `demo.txt:12: unknown attribute "colour"`, `cannot open "demo.txt": ...`.
#pragma once

#include <stdexcept>

class ScriptError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
