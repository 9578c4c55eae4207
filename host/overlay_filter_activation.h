// Creates the DirectQuorbit filter as a DirectShow host does: through COM by its class id, from
// the module registered for it. When the class is not registered, the module beside the
// executable or plugin holding this code (DirectQuorbit.ax) is loaded and asked for the filter the
// same way COM would ask it: DllGetClassObject, then IClassFactory::CreateInstance.
#pragma once

#include <string>

#include "platform/platform.h"

class OverlayFilterActivation {
public:
    // The filter, with one reference for the caller; `how` says where it came from (for
    // --verbose). Throws ToolError (processing) when neither way gives a filter.
    static IBaseFilter* Create(std::string& how);

    // The module file registered for the filter's class, or empty.
    static std::string RegisteredModule();
    // DirectQuorbit.ax in the folder of the executable or plugin holding this code.
    static std::string ModuleBesideExecutable();
};
