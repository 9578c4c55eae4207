#include "overlay_sink.h"

#include "tool_error.h"

DQ_DEFINE_GUID(CLSID_DqOverlaySink, 0x5D0F3A71, 0x2C4E, 0x4B8A, 0x9E, 0x11, 0x7A, 0x60, 0xC2, 0x3B,
               0x51, 0x02);

COverlaySink::COverlaySink(const FrameFormat& format, FrameWriter& writer, RunStatus& status)
    : CBaseFilter(WSTR("dq-overlay sink"), nullptr, &m_lock, CLSID_DqOverlaySink),
      m_pin(this, &m_lock), m_format(format), m_writer(writer), m_status(status) {}

COverlaySink::~COverlaySink() {
    Stop();
}

COverlaySink* COverlaySink::Create(const FrameFormat& format, FrameWriter& writer,
                                   RunStatus& status) {
    auto* sink = new COverlaySink(format, writer, status);
    sink->Itf()->AddRef();
    return sink;
}

STDMETHODIMP COverlaySink::Pause() {
    CSectionGuard guard(&m_lock);
    const bool wasStopped = IsStopped();
    const HRESULT hr = CBaseFilter::Pause();
    if (FAILED(hr) || !wasStopped || m_thread.joinable())
        return hr;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = false;
        m_ended = m_completed = false;
    }
    m_thread = std::thread(&COverlaySink::Write, this);
    return hr;
}

STDMETHODIMP COverlaySink::Run(REFERENCE_TIME start) {
    CSectionGuard guard(&m_lock);
    const HRESULT hr = CBaseFilter::Run(start);
    if (SUCCEEDED(hr))
        Complete();
    return hr;
}

void COverlaySink::Complete() {
    {
        std::lock_guard lock(m_mutex);
        if (!m_ended || m_completed || State() != State_Running)
            return;
        m_completed = true;
    }
    SendGraphEvent(EC_COMPLETE, S_OK, 0);
}

STDMETHODIMP COverlaySink::Stop() {
    CSectionGuard guard(&m_lock);
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    const HRESULT hr = CBaseFilter::Stop();
    if (m_thread.joinable())
        m_thread.join();
    DropQueued();
    return hr;
}

HRESULT COverlaySink::Queue(IMediaSample* sample) {
    std::lock_guard lock(m_mutex);
    if (m_failed || m_stopping)
        return E_FAIL;
    if (sample != nullptr)
        sample->AddRef();
    m_queue.push_back(sample);
    m_changed.notify_all();
    return S_OK;
}

void COverlaySink::DropQueued() {
    std::deque<IMediaSample*> dropped;
    {
        std::lock_guard lock(m_mutex);
        dropped.swap(m_queue);
    }
    for (IMediaSample* sample : dropped)
        if (sample != nullptr)
            sample->Release();
}

void COverlaySink::WriteSample(IMediaSample* sample) {
    BYTE* data = nullptr;
    REFERENCE_TIME start = 0, stop = 0;
    sample->GetPointer(&data);
    if (FAILED(sample->GetTime(&start, &stop)))
        start = stop = 0;
    if (data == nullptr || sample->GetActualDataLength() < LONG(m_format.FrameBytes()))
        throw ToolError(kExitProcessing, "a frame came out of the overlay filter incomplete");
    m_writer.WriteFrame(data, start, stop);
}

void COverlaySink::Write() {
    for (;;) {
        IMediaSample* sample = nullptr;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [&] { return m_stopping || !m_queue.empty(); });
            if (m_stopping)
                return;
            sample = m_queue.front();
            m_queue.pop_front();
        }
        try {
            if (sample == nullptr) {
                m_writer.Finish();
                {
                    std::lock_guard lock(m_mutex);
                    m_ended = true;
                }
                Complete();
                return;
            }
            WriteSample(sample);
            sample->Release();
            m_status.FrameWritten();
        } catch (const std::exception& e) {
            if (sample != nullptr)
                sample->Release();
            const auto* tool = dynamic_cast<const ToolError*>(&e);
            m_status.Fail(tool ? tool->ExitCode() : kExitProcessing,
                          tool ? e.what() : std::string("writing a frame failed: ") + e.what());
            {
                std::lock_guard lock(m_mutex);
                m_failed = true;
            }
            DropQueued();
            SendGraphEvent(EC_ERRORABORT, E_FAIL, 0);
            return;
        }
    }
}
