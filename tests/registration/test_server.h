// The in-process servers the activation tests load: test_server.so serves one class, whose
// objects answer IPersist with that class id; test_server_without_factory.so lacks
// DllGetClassObject.
#pragma once

#include "platform/platform.h"

DQ_DEFINE_GUID(CLSID_TestServerObject, 0x7E57C1A5, 0x0001, 0x4000, 0x80, 0x00, 0x00, 0x00, 0x00,
               0x00, 0x00, 0x01);
