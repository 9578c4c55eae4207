// A module that is loadable but is no COM server: it has no DllGetClassObject.
#include "platform/platform.h"

STDAPI DllCanUnloadNow() {
    return S_OK;
}
