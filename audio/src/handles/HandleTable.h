// Opaque handles for objects the library owns. A handle value carries the object's
// kind, its slot index and the slot's generation, so a freed, stale, forged or
// foreign value is refused on lookup instead of being followed as a pointer.
#ifndef PELGRA_AUDIO_HANDLE_TABLE_H
#define PELGRA_AUDIO_HANDLE_TABLE_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace pelgra::audio {

// The kind lives in the low bits, so a sample handle is never taken for a song's.
enum class HandleKind : std::uintptr_t { Sample = 1, Song = 2 };

// Value layout, low to high bits: kind (2), slot index (16), generation (the rest).
// Not thread-safe: the owner serialises every call.
template <typename T, HandleKind Kind> class HandleTable {
public:
    static constexpr std::size_t kCapacity = (std::size_t{1} << 16) - 1;

    // Takes ownership; returns the new handle, or 0 when every slot is in use.
    std::uintptr_t insert(std::unique_ptr<T> object) {
        std::size_t index = 0;
        if (!m_freeSlots.empty()) {
            index = m_freeSlots.back();
            m_freeSlots.pop_back();
        } else if (m_slots.size() < kCapacity) {
            // Room for every slot's index among the free ones, so that remove() never
            // allocates: a free that fails halfway would strand its object.
            if (m_freeSlots.capacity() <= m_slots.size()) {
                m_freeSlots.reserve(std::min(kCapacity, 2 * m_slots.size() + 16));
            }
            index = m_slots.size();
            m_slots.emplace_back();
        } else {
            return 0;
        }
        m_slots[index].object = std::move(object);
        ++m_size;
        return encode(index, m_slots[index].generation);
    }

    // The object of a live handle, nullptr for anything else.
    T* find(std::uintptr_t handle) const {
        const Slot* slot = slotOf(handle);
        return slot != nullptr ? slot->object.get() : nullptr;
    }

    // Gives the object back and makes its handle stale; nullptr for anything else.
    std::unique_ptr<T> remove(std::uintptr_t handle) noexcept {
        Slot* slot = const_cast<Slot*>(slotOf(handle));
        if (slot == nullptr) {
            return nullptr;
        }
        slot->generation = (slot->generation + 1) & kGenerationMask;
        m_freeSlots.push_back(static_cast<std::size_t>(slot - m_slots.data()));
        --m_size;
        return std::move(slot->object);
    }

    // Destroys every object and makes every handle stale; returns how many there were.
    std::size_t removeAll() noexcept {
        const std::size_t removed = m_size;
        for (std::size_t index = 0; index < m_slots.size(); ++index) {
            if (m_slots[index].object) {
                remove(encode(index, m_slots[index].generation));
            }
        }
        return removed;
    }

    // Makes every handle stale without destroying the objects, which are leaked: for a
    // forked child, whose copies are still held by threads only its parent has.
    void abandonAll() noexcept {
        for (std::size_t index = 0; index < m_slots.size(); ++index) {
            if (m_slots[index].object) {
                static_cast<void>(remove(encode(index, m_slots[index].generation)).release());
            }
        }
    }

    // Calls visit(T&) for every live object.
    template <typename Visit> void forEach(Visit&& visit) const {
        for (const Slot& slot : m_slots) {
            if (slot.object) {
                visit(*slot.object);
            }
        }
    }

    std::size_t size() const { return m_size; }

private:
    static constexpr unsigned kKindBits = 2;
    static constexpr unsigned kIndexBits = 16;
    static constexpr std::uintptr_t kKindMask = (std::uintptr_t{1} << kKindBits) - 1;
    static constexpr std::uintptr_t kIndexMask = (std::uintptr_t{1} << kIndexBits) - 1;
    static constexpr std::uintptr_t kGenerationMask = ~std::uintptr_t{0} >>
                                                      (kKindBits + kIndexBits);

    struct Slot {
        std::unique_ptr<T> object;
        std::uintptr_t generation = 0;
    };

    static std::uintptr_t encode(std::size_t index, std::uintptr_t generation) noexcept {
        return (generation << (kKindBits + kIndexBits)) | (std::uintptr_t{index} << kKindBits) |
               static_cast<std::uintptr_t>(Kind);
    }

    const Slot* slotOf(std::uintptr_t handle) const noexcept {
        if ((handle & kKindMask) != static_cast<std::uintptr_t>(Kind)) {
            return nullptr;
        }
        const std::size_t index = (handle >> kKindBits) & kIndexMask;
        const std::uintptr_t generation = handle >> (kKindBits + kIndexBits);
        if (index >= m_slots.size() || m_slots[index].generation != generation ||
            !m_slots[index].object) {
            return nullptr;
        }
        return &m_slots[index];
    }

    std::vector<Slot> m_slots;
    std::vector<std::size_t> m_freeSlots;
    std::size_t m_size = 0;
};

} // namespace pelgra::audio

#endif
