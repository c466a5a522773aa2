// Objects behind handles (open keys, private heaps), kept in slots used
// again after a release, so that an object made and dropped around every
// call costs no allocation once the machine runs. A handle is a slot's
// number and generation; a release advances the generation, so the handle
// of a released object stays invalid when its slot serves a new one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim {

template <typename T>
class Slots {
public:
    // Handle values: the generation above bit 32, first + step * slot below.
    Slots(uint64_t first, uint64_t step) : m_first(first), m_step(step) {}

    // A slot for a new object (as the last one there was left) and its handle.
    T& Acquire(uint64_t* handle) {
        size_t slot = m_slots.size();
        if (m_free.empty()) {
            m_slots.emplace_back();
        } else {
            slot = m_free.back();
            m_free.pop_back();
        }
        Slot& s = m_slots[slot];
        s.live = true;
        ++m_live;
        *handle = (uint64_t{s.generation} << 32) | (m_first + m_step * slot);
        return s.item;
    }

    // The live object a handle names, or null.
    T* Find(uint64_t handle) {
        const uint64_t low = handle & 0xFFFFFFFFu;
        if (low < m_first || (low - m_first) % m_step) return nullptr;
        const uint64_t slot = (low - m_first) / m_step;
        if (slot >= m_slots.size()) return nullptr;
        Slot& s = m_slots[slot];
        return s.live && s.generation == handle >> 32 ? &s.item : nullptr;
    }

    // Frees the slot of a handle Find accepts; the object stays as it is.
    void Release(uint64_t handle) {
        Slot& s = m_slots[((handle & 0xFFFFFFFFu) - m_first) / m_step];
        s.live = false;
        ++s.generation;
        m_free.push_back(static_cast<size_t>(&s - m_slots.data()));
        --m_live;
    }

    size_t Live() const { return m_live; }

    // Every slot's object, live or not.
    template <typename F>
    void ForEach(F f) {
        for (Slot& s : m_slots) f(s.item);
    }

private:
    struct Slot {
        T item{};
        uint32_t generation = 0;
        bool live = false;
    };
    std::vector<Slot> m_slots;
    std::vector<size_t> m_free;
    size_t m_live = 0;
    uint64_t m_first;
    uint64_t m_step;
};

}  // namespace sim
