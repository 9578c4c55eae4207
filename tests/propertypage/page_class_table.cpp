// These test programs stand in for the module: the classes a property frame creates by class id.
#include "filter/direct_quorbit.h"
#include "module/class_factory.h"
#include "propertypage/direct_quorbit_properties.h"

const CFactoryTemplate g_Templates[] = {
    {WSTR("DirectQuorbit"), &CLSID_DirectQuorbit_RELEASE, CDirectQuorbit::CreateInstance, nullptr,
     nullptr},
    {WSTR("DirectQuorbit Property Page"), &CLSID_DirectQuorbitProp,
     CDirectQuorbitProperties::CreateInstance, nullptr, nullptr},
};
const int g_cTemplates = sizeof g_Templates / sizeof g_Templates[0];
