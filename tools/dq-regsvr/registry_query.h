// dq-regsvr --query: what the registry holds for a class.
#pragma once

#include "platform/platform.h"

// Prints HKEY_CLASSES_ROOT\CLSID\{clsid} with its sub-keys and values, the original filter
// mapper's Filter\{clsid} key, and every filter mapper entry of the class (category, name,
// merit, pins and types). Returns kExitOk when anything was found, else kExitNotRegistered.
int QueryClass(const CLSID& clsid);
