// Every framework object counts itself, so the module knows when it may be unloaded.
#pragma once

#include "platform/platform.h"

class CBaseObject {
public:
    explicit CBaseObject(LPCWSTR debugName);
    ~CBaseObject();
    CBaseObject(const CBaseObject&) = delete;
    CBaseObject& operator=(const CBaseObject&) = delete;

    static LONG ActiveObjectCount();

private:
    static LONG volatile s_cActiveObjects;
};
