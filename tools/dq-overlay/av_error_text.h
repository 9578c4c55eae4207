// The text of a libav error code ("No such file or directory", "Invalid data found ...").
#pragma once

#include <string>

std::string AvErrorText(int error);
