// BodyTable: a table from a collision object to a list of pointers, offering
// the part of std::map's interface the program uses (find, end, [], at, count,
// clear, size, empty, iteration over (body, list) pairs in insertion order, ==).
// Lookups go through an open-addressing hash of the body address, clear() is
// O(listed bodies) and keeps every list's storage, so a table rebuilt after each
// sub-step stops allocating once the contacts are steady. Every non-const
// access marks the table modified, so its builder can tell whether it still
// holds what was built. Owns only its lists, never the objects they point to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <utility>
#include <vector>

class btCollisionObject;

template <typename T>
struct BodyTable {
    using key_type = const btCollisionObject*;
    using mapped_type = std::vector<T*>;
    // The key is not const because entries are reused after clear(); callers
    // must not change it.
    using value_type = std::pair<key_type, mapped_type>;
    using iterator = typename std::vector<value_type>::iterator;
    using const_iterator = typename std::vector<value_type>::const_iterator;

    BodyTable() = default;
    BodyTable(const BodyTable& other) : BodyTable(other, 0) {}
    BodyTable(BodyTable&& other) noexcept : BodyTable(std::move(other), 0) {}
    BodyTable& operator=(const BodyTable& other)
    {
        BodyTable copy(other);
        Swap(copy);
        return *this;
    }
    BodyTable& operator=(BodyTable&& other) noexcept
    {
        Swap(other);
        other.modified = true;
        return *this;
    }

    // True after any non-const access since the last MarkUnmodified.
    bool Modified() const { return modified; }
    void MarkUnmodified() { modified = false; }

    iterator begin()
    {
        modified = true;
        return entries.begin();
    }
    iterator end()
    {
        modified = true;
        return entries.begin() + static_cast<std::ptrdiff_t>(used);
    }
    const_iterator begin() const { return entries.begin(); }
    const_iterator end() const { return entries.begin() + static_cast<std::ptrdiff_t>(used); }

    size_t size() const { return used; }
    bool empty() const { return used == 0; }

    iterator find(key_type body)
    {
        modified = true;
        const size_t i = IndexOf(body);
        return i == kAbsent ? end() : begin() + static_cast<std::ptrdiff_t>(i);
    }
    const_iterator find(key_type body) const
    {
        const size_t i = IndexOf(body);
        return i == kAbsent ? end() : begin() + static_cast<std::ptrdiff_t>(i);
    }
    size_t count(key_type body) const { return IndexOf(body) == kAbsent ? 0 : 1; }

    // The body's list, inserted empty when the body has none.
    mapped_type& operator[](key_type body)
    {
        modified = true;
        size_t i = IndexOf(body);
        if (i == kAbsent) {
            i = Insert(body);
        }
        return entries[i].second;
    }
    mapped_type& at(key_type body)
    {
        modified = true;
        const size_t i = IndexOf(body);
        if (i == kAbsent) {
            throw std::out_of_range("BodyTable::at: body not listed");
        }
        return entries[i].second;
    }
    const mapped_type& at(key_type body) const
    {
        const size_t i = IndexOf(body);
        if (i == kAbsent) {
            throw std::out_of_range("BodyTable::at: body not listed");
        }
        return entries[i].second;
    }

    // Removes every entry; the lists keep their storage for reuse.
    void clear()
    {
        modified = true;
        for (size_t i = 0; i < used; ++i) {
            entries[i].second.clear();
        }
        used = 0;
        ++generation;  // every hash slot becomes empty at once
    }

    // Same bodies with equal lists, whatever the insertion order.
    friend bool operator==(const BodyTable& a, const BodyTable& b)
    {
        if (a.used != b.used) {
            return false;
        }
        for (size_t i = 0; i < a.used; ++i) {
            const size_t j = b.IndexOf(a.entries[i].first);
            if (j == kAbsent || b.entries[j].second != a.entries[i].second) {
                return false;
            }
        }
        return true;
    }
    friend bool operator!=(const BodyTable& a, const BodyTable& b) { return !(a == b); }

private:
    static constexpr size_t kAbsent = static_cast<size_t>(-1);

    // Copies and moves start out modified: they hold what someone else built.
    BodyTable(const BodyTable& other, int)
        : entries(other.entries),
          used(other.used),
          slots(other.slots),
          generation(other.generation),
          shift(other.shift)
    {
    }
    BodyTable(BodyTable&& other, int) noexcept
    {
        Swap(other);
        modified = true;
        other.modified = true;
    }
    void Swap(BodyTable& other) noexcept
    {
        entries.swap(other.entries);
        std::swap(used, other.used);
        slots.swap(other.slots);
        std::swap(generation, other.generation);
        std::swap(shift, other.shift);
        modified = true;
    }

    // One hash slot: empty unless stamped with the current generation.
    struct Slot {
        key_type body = nullptr;
        size_t entry = 0;
        uint64_t generation = 0;
    };

    std::vector<value_type> entries;  // [0, used) listed, in insertion order; the rest spare
    size_t used = 0;
    std::vector<Slot> slots;  // power-of-two size, at most half full
    uint64_t generation = 1;  // advanced by clear()
    unsigned shift = 64;      // 64 - log2(slots.size())
    bool modified = true;     // see Modified()

    size_t Home(key_type body) const
    {
        // Fibonacci hashing of the address without its alignment bits.
        const uint64_t bits = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(body)) >> 4;
        return static_cast<size_t>((bits * 0x9E3779B97F4A7C15ull) >> shift);
    }

    // The slot holding body, or the empty slot where it would go.
    size_t Probe(key_type body) const
    {
        size_t s = Home(body);
        while (slots[s].generation == generation && slots[s].body != body) {
            s = (s + 1) & (slots.size() - 1);
        }
        return s;
    }

    size_t IndexOf(key_type body) const
    {
        if (slots.empty()) {
            return kAbsent;
        }
        const Slot& slot = slots[Probe(body)];
        return slot.generation == generation ? slot.entry : kAbsent;
    }

    size_t Insert(key_type body)
    {
        if (2 * (used + 1) > slots.size()) {
            Grow();
        }
        if (used == entries.size()) {
            entries.emplace_back();
        }
        const size_t i = used++;
        entries[i].first = body;
        slots[Probe(body)] = Slot{body, i, generation};
        return i;
    }

    void Grow()
    {
        slots.assign(slots.empty() ? 64 : 2 * slots.size(), Slot{});
        shift = 64;
        for (size_t n = slots.size(); n > 1; n >>= 1) {
            --shift;
        }
        for (size_t i = 0; i < used; ++i) {
            slots[Probe(entries[i].first)] = Slot{entries[i].first, i, generation};
        }
    }
};
