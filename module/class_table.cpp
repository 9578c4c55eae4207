// The classes DirectQuorbit.ax creates: the overlay filter and its property page.
#include "module/class_factory.h"

#include "filter/direct_quorbit.h"
#include "module/filter_setup.h"
#include "propertypage/direct_quorbit_properties.h"

const CFactoryTemplate g_Templates[2] = {
    {WSTR("DirectQuorbit"), &CLSID_DirectQuorbit_RELEASE, CDirectQuorbit::CreateInstance, nullptr,
     &sudDirectQuorbit},
    {WSTR("DirectQuorbit Property Page"), &CLSID_DirectQuorbitProp,
     CDirectQuorbitProperties::CreateInstance, nullptr, nullptr},
};
const int g_cTemplates = 2;
