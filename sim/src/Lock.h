// The simulated machine is one shared state (registry, handle and heap
// tables, modules, recorders, security and network state), and every
// Windows function it stands in for may be called from any thread. So every
// function of the machine, Win32 or control, runs under one lock. It is
// recursive because functions call one another (a computer-name write goes
// through the registry functions) and because LoadLibraryA and FreeLibrary
// call a module's entry point with it held, as Windows holds its loader lock
// there. Nothing in the machine waits for another thread while holding it.
#pragma once

#include <mutex>

namespace sim {

std::recursive_mutex& MachineLock();

class Locked {
public:
    Locked() { MachineLock().lock(); }
    ~Locked() { MachineLock().unlock(); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
};

}  // namespace sim
