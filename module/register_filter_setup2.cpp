#include "module/register_filter_setup2.h"

#include "baseclasses/register_filter_setup.h"

HRESULT RegisterFilterSetup2(const AMOVIESETUP_FILTER* setup, IFilterMapper2* mapper,
                             BOOL doRegister) {
    if (setup == nullptr)
        return S_FALSE;
    HRESULT hr = mapper->UnregisterFilter(nullptr, nullptr, *setup->clsID);
    if (doRegister) {
        REGFILTER2 filter{};
        filter.dwVersion = 1;
        filter.dwMerit = setup->dwMerit;
        filter.cPins = setup->nPins;
        filter.rgPins = setup->lpPin;
        hr = mapper->RegisterFilter(*setup->clsID, setup->strName, nullptr, nullptr, nullptr,
                                    &filter);
    }
    return hr == HRESULT_FILE_NOT_FOUND ? S_OK : hr;
}
