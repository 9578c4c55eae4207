// A class table of test classes, linked into the module tests in place of the product's.
#pragma once

#include "module/class_factory.h"

DQ_DEFINE_GUID(CLSID_TestGood, 0x7E570001, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8);
DQ_DEFINE_GUID(CLSID_TestNullWithError, 0x7E570002, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8);
DQ_DEFINE_GUID(CLSID_TestNullWithSuccess, 0x7E570003, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8);
DQ_DEFINE_GUID(CLSID_TestObjectWithError, 0x7E570004, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8);
DQ_DEFINE_GUID(CLSID_TestNotInTable, 0x7E570005, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8);
DQ_DEFINE_GUID(IID_ITestGood, 0x7E5700FF, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8);

struct ITestGood : public IUnknown {
    STDMETHOD_(int, Answer)() PURE;
};

// How often each test class was created and destroyed, and the init routine calls.
struct TestClassLog {
    int created = 0;
    int destroyed = 0;
    int initLoading = 0;
    int initUnloading = 0;
};
extern TestClassLog g_testLog;
