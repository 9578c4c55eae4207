// The class table of a build in which the filter and its page cannot be linked yet: Windows,
// until the drawing, file-change and forms services have their Windows backends. The module
// loads, answers its entry points and registers and unregisters, but serves no class (every
// class id gives CLASS_E_CLASSNOTAVAILABLE), and so registers none. The build switches to
// class_table.cpp as soon as both classes link there.
#include "module/class_factory.h"

const CFactoryTemplate g_Templates[1] = {};
const int g_cTemplates = 0;
