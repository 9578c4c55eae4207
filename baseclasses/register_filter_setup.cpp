#include "baseclasses/register_filter_setup.h"

// Setup data written by hand may leave an id pointer null where the null id is meant.
static const CLSID& IdOrNull(const CLSID* id) {
    return id != nullptr ? *id : GUID_NULL;
}

HRESULT RegisterFilterSetup(const AMOVIESETUP_FILTER* setup, IFilterMapper* mapper,
                            BOOL doRegister) {
    if (setup == nullptr)
        return S_FALSE;
    const CLSID clsid = *setup->clsID;
    HRESULT hr = mapper->UnregisterFilter(clsid);
    if (doRegister) {
        hr = mapper->RegisterFilter(clsid, setup->strName, setup->dwMerit);
        for (UINT p = 0; SUCCEEDED(hr) && p < setup->nPins; ++p) {
            const AMOVIESETUP_PIN& pin = setup->lpPin[p];
            hr = mapper->RegisterPin(clsid, pin.strName, pin.bRendered, pin.bOutput, pin.bZero,
                                     pin.bMany, IdOrNull(pin.clsConnectsToFilter),
                                     pin.strConnectsToPin);
            for (UINT t = 0; SUCCEEDED(hr) && t < pin.nMediaTypes; ++t) {
                hr = mapper->RegisterPinType(clsid, pin.strName,
                                             IdOrNull(pin.lpMediaType[t].clsMajorType),
                                             IdOrNull(pin.lpMediaType[t].clsMinorType));
            }
        }
    }
    return hr == HRESULT_FILE_NOT_FOUND ? S_OK : hr;
}
