#include "test_class_table.h"

TestClassLog g_testLog;

namespace {

class Good : public CUnknown, public ITestGood {
public:
    explicit Good(IUnknown* outer) : CUnknown(WSTR("Good"), outer) { ++g_testLog.created; }
    ~Good() override { ++g_testLog.destroyed; }
    DECLARE_IUNKNOWN
    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_ITestGood)
            return GetInterface(static_cast<ITestGood*>(this), ppv);
        return CUnknown::NonDelegatingQueryInterface(riid, ppv);
    }
    STDMETHODIMP_(int) Answer() override { return 42; }
};

CUnknown* CreateGood(LPUNKNOWN outer, HRESULT*) {
    return new Good(outer);
}
CUnknown* CreateNullWithError(LPUNKNOWN, HRESULT* hr) {
    *hr = E_ACCESSDENIED;
    return nullptr;
}
CUnknown* CreateNullWithSuccess(LPUNKNOWN, HRESULT*) {
    return nullptr;
}
CUnknown* CreateObjectWithError(LPUNKNOWN outer, HRESULT* hr) {
    *hr = E_UNEXPECTED;
    return new Good(outer);
}
void InitGood(BOOL loading, const CLSID* clsid) {
    if (*clsid == CLSID_TestGood)
        ++(loading ? g_testLog.initLoading : g_testLog.initUnloading);
}

} // namespace

const CFactoryTemplate g_Templates[] = {
    {WSTR("Good"), &CLSID_TestGood, CreateGood, InitGood, nullptr},
    {WSTR("Null with error"), &CLSID_TestNullWithError, CreateNullWithError, nullptr, nullptr},
    {WSTR("Null with success"), &CLSID_TestNullWithSuccess, CreateNullWithSuccess, nullptr,
     nullptr},
    {WSTR("Object with error"), &CLSID_TestObjectWithError, CreateObjectWithError, nullptr,
     nullptr},
};
const int g_cTemplates = sizeof g_Templates / sizeof g_Templates[0];
