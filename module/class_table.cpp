// The classes DirectQuorbit.ax creates.
#include "module/class_factory.h"

// Filled in as the filter and its property page become creatable by class id.
const CFactoryTemplate g_Templates[1] = {};
const int g_cTemplates = 0;
