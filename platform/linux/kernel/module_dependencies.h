// Keeping a module's libraries loaded after the module itself is unloaded.
#pragma once

// Marks every shared library the module containing address was linked against (its direct
// dependencies) as never to be unloaded. COM unloads a module once it is unused, but the system
// libraries it brought in may not survive being unloaded and loaded again: libraries built on
// GLib register types process-wide, and a second load fails to register them again.
void DqKeepModuleDependencies(const void* addressInModule);
