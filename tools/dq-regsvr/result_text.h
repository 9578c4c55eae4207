// What a result code means, in words, for the registration tool's messages.
#pragma once

#include <string>

#include "platform/platform.h"

// "0x80070005 (access denied)": the code in hex and its meaning.
std::string DescribeResult(HRESULT hr);
