// A test's reference on a COM object, released when the test is done with it.
#pragma once

namespace dqtest {

template <class T> class Ref {
public:
    Ref() = default;
    explicit Ref(T* p) : m_p(p) {}
    ~Ref() {
        if (m_p != nullptr)
            m_p->Release();
    }
    Ref(Ref&& other) noexcept : m_p(other.m_p) { other.m_p = nullptr; }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    void reset() {
        if (m_p != nullptr)
            m_p->Release();
        m_p = nullptr;
    }
    T* operator->() const { return m_p; }
    T* get() const { return m_p; }
    T** out() { return &m_p; }
    void** outVoid() { return reinterpret_cast<void**>(&m_p); }

private:
    T* m_p = nullptr;
};

} // namespace dqtest
