// Forwards the script watcher's change events to the filter it serves.
#pragma once

#include "filter/i_direct_quorbit.h"
#include "platform/filewatch/file_system_watcher.h"

class delegateWrapper {
public:
    explicit delegateWrapper(IDirectQuorbit* filter) : pclass(filter) {}

    // The watcher's Changed handler: every change of the file reloads the script.
    void Do(dq::io::FileSystemWatcher& sender, const dq::io::FileSystemEventArgs& e);

private:
    IDirectQuorbit* pclass; // not counted: the filter owns this object
};
