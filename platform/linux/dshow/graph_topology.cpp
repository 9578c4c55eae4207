#include "platform/linux/dshow/graph_topology.h"

#include <algorithm>

#include "platform/linux/win_error.h"

namespace dqplatform {

namespace {

// A misbehaving enumerator must not keep the graph walking for ever.
constexpr int kMaxPins = 4096;

IUnknown* Identity(IUnknown* object) {
    IUnknown* identity = nullptr;
    if (object == nullptr ||
        FAILED(object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity))))
        return object;
    identity->Release(); // the objects compared are kept alive by their callers
    return identity;
}

void ReleaseAll(std::vector<IPin*>& pins) {
    for (IPin* pin : pins)
        pin->Release();
    pins.clear();
}

} // namespace

std::vector<IPin*> FilterPins(IBaseFilter* filter) {
    std::vector<IPin*> pins;
    IEnumPins* pinEnum = nullptr;
    if (FAILED(filter->EnumPins(&pinEnum)) || pinEnum == nullptr)
        return pins;
    // The pin set may change while it is walked: then the walk starts again, once.
    for (int attempt = 0; attempt < 2; ++attempt) {
        HRESULT hr = S_OK;
        IPin* pin = nullptr;
        ULONG fetched = 0;
        while (static_cast<int>(pins.size()) < kMaxPins &&
               (hr = pinEnum->Next(1, &pin, &fetched)) == S_OK && fetched == 1 && pin != nullptr) {
            pins.push_back(pin);
            pin = nullptr;
        }
        if (hr != VFW_E_ENUM_OUT_OF_SYNC)
            break;
        ReleaseAll(pins);
        pinEnum->Reset();
    }
    pinEnum->Release();
    return pins;
}

IBaseFilter* PinOwner(IPin* pin) {
    PIN_INFO info{};
    if (FAILED(pin->QueryPinInfo(&info)))
        return nullptr;
    return info.pFilter;
}

bool SameObject(IUnknown* a, IUnknown* b) {
    return a == b || Identity(a) == Identity(b);
}

bool IsRenderer(IBaseFilter* filter) {
    std::vector<IPin*> pins = FilterPins(filter);
    bool hasInput = false;
    bool connectedOutput = false;
    for (IPin* pin : pins) {
        PIN_DIRECTION direction;
        if (FAILED(pin->QueryDirection(&direction)))
            continue;
        if (direction == PINDIR_INPUT) {
            hasInput = true;
            continue;
        }
        IPin* peer = nullptr;
        if (SUCCEEDED(pin->ConnectedTo(&peer)) && peer != nullptr) {
            connectedOutput = true;
            peer->Release();
        }
    }
    ReleaseAll(pins);
    return hasInput && !connectedOutput;
}

std::vector<IBaseFilter*> DownstreamFirst(const std::vector<IBaseFilter*>& filters) {
    const size_t n = filters.size();
    std::vector<IUnknown*> identities(n);
    for (size_t i = 0; i < n; ++i)
        identities[i] = Identity(filters[i]);
    auto indexOf = [&](IUnknown* object) -> size_t {
        IUnknown* identity = Identity(object);
        for (size_t i = 0; i < n; ++i)
            if (identities[i] == identity)
                return i;
        return n;
    };

    // downstream[i]: the filters that filter i's output pins are connected to.
    std::vector<std::vector<size_t>> downstream(n);
    for (size_t i = 0; i < n; ++i) {
        std::vector<IPin*> pins = FilterPins(filters[i]);
        for (IPin* pin : pins) {
            PIN_DIRECTION direction;
            IPin* peer = nullptr;
            if (FAILED(pin->QueryDirection(&direction)) || direction != PINDIR_OUTPUT ||
                FAILED(pin->ConnectedTo(&peer)) || peer == nullptr)
                continue;
            if (IBaseFilter* owner = PinOwner(peer)) {
                size_t j = indexOf(owner);
                if (j < n && j != i)
                    downstream[i].push_back(j);
                owner->Release();
            }
            peer->Release();
        }
        ReleaseAll(pins);
    }

    std::vector<IBaseFilter*> order;
    std::vector<bool> placed(n, false);
    while (order.size() < n) {
        bool progress = false;
        for (size_t i = 0; i < n; ++i) {
            if (placed[i])
                continue;
            bool ready = std::all_of(downstream[i].begin(), downstream[i].end(),
                                     [&](size_t j) { return placed[j]; });
            if (ready) {
                placed[i] = true;
                order.push_back(filters[i]);
                progress = true;
            }
        }
        if (!progress) {
            for (size_t i = 0; i < n; ++i) {
                if (!placed[i]) {
                    placed[i] = true;
                    order.push_back(filters[i]);
                    break;
                }
            }
        }
    }
    return order;
}

void DisconnectPins(IBaseFilter* filter) {
    std::vector<IPin*> pins = FilterPins(filter);
    for (IPin* pin : pins) {
        IPin* peer = nullptr;
        if (SUCCEEDED(pin->ConnectedTo(&peer)) && peer != nullptr) {
            peer->Disconnect();
            peer->Release();
        }
        pin->Disconnect();
    }
    ReleaseAll(pins);
}

} // namespace dqplatform
