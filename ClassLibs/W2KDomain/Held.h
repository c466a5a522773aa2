// One owner for whatever the domain classes receive from the platform and
// must give back: network API buffers, LSA memory and handles, SID copies,
// service and token handles, local blocks. Each is released through the
// function it belongs to (often one looked up at run time), on every way
// out; a step that must release at a given moment calls Reset itself.
#pragma once

#include <utility>

namespace domain_detail {

template <typename Handle, typename Releaser>
class Held {
public:
    explicit Held(Releaser release) : m_release(std::move(release)), m_handle() {}
    ~Held() { Reset(); }

    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;

    Handle Get() const { return m_handle; }
    explicit operator bool() const { return m_handle != Handle(); }

    // Gives back what is held (if anything) and takes the new one.
    void Reset(Handle handle = Handle()) {
        if (m_handle != Handle()) m_release(m_handle);
        m_handle = handle;
    }
    // Gives up what is held without releasing it.
    Handle Release() {
        const Handle handle = m_handle;
        m_handle = Handle();
        return handle;
    }
    // The empty slot, for functions that hand out through a pointer.
    Handle* Receive() {
        Reset();
        return &m_handle;
    }

private:
    Releaser m_release;
    Handle m_handle;
};

template <typename Handle, typename Releaser>
Held<Handle, Releaser> Hold(Releaser release) {
    return Held<Handle, Releaser>(std::move(release));
}

}  // namespace domain_detail
