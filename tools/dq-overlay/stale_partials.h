// Temporary output files left by runs that were killed outright (SIGKILL, a crash, a power cut):
// `.NAME.PID.partial` beside NAME. A run writing NAME removes those whose process is gone; a
// process that still exists (also another user's) keeps its file.
// The folder is listed once a run (a sequence of stills asks for many names in it).
#pragma once

#include <string>

// Removes the stale temporary files of the output `path`; gives how many went.
int RemoveStalePartials(const std::string& path);
