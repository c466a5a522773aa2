// The simulated machine is one shared state (registry, handle and heap
// tables, modules, recorders, security and network state), and every
// Windows function it stands in for may be called from any thread. So every
// function of the machine, Win32 or control, runs under one lock. It is
// recursive because functions call one another (a computer-name write goes
// through the registry functions) and because LoadLibraryA and FreeLibrary
// call a module's entry point with it held, as Windows holds its loader lock
// there. Nothing in the machine waits for another thread while holding it.
//
// A process that has never started a second thread skips it (the C
// library's own flag, as libstdc++ does for its reference counts): nothing
// can contend, and the single-threaded speed of the registry stays. The
// machine's functions start no thread, so a call that began unlocked ends
// before any other thread can call in.
#pragma once

#include <sys/single_threaded.h>

#include <mutex>

namespace sim {

std::recursive_mutex& MachineLock();

class Locked {
public:
    Locked() : m_held(!__libc_single_threaded) {
        if (m_held) MachineLock().lock();
    }
    ~Locked() {
        if (m_held) MachineLock().unlock();
    }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
    const bool m_held;
};

}  // namespace sim
