#include "baseclasses/base_object.h"

LONG volatile CBaseObject::s_cActiveObjects = 0;

CBaseObject::CBaseObject(LPCWSTR) {
    InterlockedIncrement(&s_cActiveObjects);
}

CBaseObject::~CBaseObject() {
    InterlockedDecrement(&s_cActiveObjects);
}

LONG CBaseObject::ActiveObjectCount() {
    return __atomic_load_n(&s_cActiveObjects, __ATOMIC_SEQ_CST);
}
