#include "filter/delegate_wrapper.h"

void delegateWrapper::Do(dq::io::FileSystemWatcher&, const dq::io::FileSystemEventArgs&) {
    // A failed load shows on the video; there is nobody to report it to here.
    pclass->reload_File();
}
