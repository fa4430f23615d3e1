// Two small pieces the driver's process-wide lists share: a list of slots where an item takes
// the lowest free one (its slot number stays its own until it leaves), and a process-wide
// object made on first use and destroyed on demand.
#pragma once

#include <cstddef>
#include <mutex>
#include <vector>

namespace quildrv {

// Puts the item in the lowest free (null) slot, or a new one; its slot number. The caller
// holds the list's lock.
template <class T>
int TakeFreeSlot(std::vector<T*>& slots, T* item) {
    std::size_t slot = 0;
    while (slot < slots.size() && slots[slot] != nullptr) ++slot;
    if (slot == slots.size())
        slots.push_back(item);
    else
        slots[slot] = item;
    return static_cast<int>(slot);
}

// Frees the slot (when it is one of the list's) and forgets it. The caller holds the lock.
template <class T>
void FreeSlot(std::vector<T*>& slots, int& slot) {
    if (slot >= 0 && static_cast<std::size_t>(slot) < slots.size())
        slots[static_cast<std::size_t>(slot)] = nullptr;
    slot = -1;
}

template <class T>
class CProcessObject {
public:
    T* Get() {
        std::lock_guard lock(m_mutex);
        if (m_object == nullptr) m_object = new T;
        return m_object;
    }
    // The object when there is one, without making it.
    T* Current() {
        std::lock_guard lock(m_mutex);
        return m_object;
    }
    // Taken out under the lock, destroyed after it.
    void Destroy() {
        T* object = nullptr;
        {
            std::lock_guard lock(m_mutex);
            object = m_object;
            m_object = nullptr;
        }
        delete object;
    }

private:
    std::mutex m_mutex;
    T* m_object = nullptr;
};

}  // namespace quildrv
