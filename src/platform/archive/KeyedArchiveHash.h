#pragma once

// Private to the keyed archive code: small open-addressing tables for the writer's
// lookups (one per value written), which std::unordered_map and QHash make slow through
// a node allocation per entry or a costly string hash.

#include <QString>

#include <cstdint>
#include <cstring>
#include <vector>

namespace fetemark::keyedarchive {

inline std::uint64_t mixBits(std::uint64_t x)
{
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdull;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ull;
    x ^= x >> 33;
    return x;
}

// A string's hash, eight bytes of UTF-16 at a time.
inline std::uint64_t hashText(const QString& s)
{
    const auto* p = reinterpret_cast<const unsigned char*>(s.constData());
    std::size_t n = static_cast<std::size_t>(s.size()) * 2;
    std::uint64_t h = 0x9e3779b97f4a7c15ull ^ n;
    while (n >= 8) {
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        h = (h ^ mixBits(w)) * 0x100000001b3ull;
        p += 8;
        n -= 8;
    }
    std::uint64_t tail = 0;
    std::memcpy(&tail, p, n);
    return mixBits(h ^ tail);
}

// Maps 64-bit keys to 32-bit values. Insert-only, as the writer needs.
class FlatMap64 {
public:
    // The value under `key`, inserted as `fresh` when absent; `*inserted` says which.
    std::uint32_t& findOrInsert(std::uint64_t key, std::uint32_t fresh, bool* inserted)
    {
        if ((m_size + 1) * 4 > m_slots.size() * 3)
            grow();
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t i = mixBits(key) & mask;; i = (i + 1) & mask) {
            Slot& s = m_slots[i];
            if (!s.used) {
                s = Slot {key, fresh, true};
                ++m_size;
                *inserted = true;
                return s.value;
            }
            if (s.key == key) {
                *inserted = false;
                return s.value;
            }
        }
    }

private:
    struct Slot {
        std::uint64_t key = 0;
        std::uint32_t value = 0;
        bool used = false;
    };
    void grow()
    {
        std::vector<Slot> old = std::move(m_slots);
        m_slots.assign(old.empty() ? 64 : old.size() * 2, Slot {});
        m_size = 0;
        bool inserted;
        for (const Slot& s : old) {
            if (s.used)
                findOrInsert(s.key, s.value, &inserted);
        }
    }
    std::vector<Slot> m_slots;
    std::size_t m_size = 0;
};

// Maps strings, by content, to a pair of 32-bit values the caller assigns.
class StringTable {
public:
    struct Entry {
        QString text;
        std::uint64_t hash = 0;
        std::uint32_t first = 0;
        std::uint32_t second = 0;
    };

    // The entry for `text`, or nullptr.
    Entry* find(const QString& text) { return find(text, hashText(text)); }
    Entry* find(const QString& text, std::uint64_t hash)
    {
        if (m_slots.empty())
            return nullptr;
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            const std::uint32_t e = m_slots[i];
            if (e == kEmpty)
                return nullptr;
            Entry& entry = m_entries[e];
            if (entry.hash == hash && entry.text == text)
                return &entry;
        }
    }
    // Adds `text`, which must not be present yet. The reference lasts until the next add.
    Entry& add(const QString& text, std::uint64_t hash, std::uint32_t first, std::uint32_t second)
    {
        if ((m_entries.size() + 1) * 4 > m_slots.size() * 3)
            grow();
        m_entries.push_back(Entry {text, hash, first, second});
        place(static_cast<std::uint32_t>(m_entries.size() - 1));
        return m_entries.back();
    }

private:
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
    void place(std::uint32_t e)
    {
        const std::size_t mask = m_slots.size() - 1;
        std::size_t i = m_entries[e].hash & mask;
        while (m_slots[i] != kEmpty)
            i = (i + 1) & mask;
        m_slots[i] = e;
    }
    void grow()
    {
        m_slots.assign(m_slots.empty() ? 64 : m_slots.size() * 2, kEmpty);
        for (std::uint32_t e = 0; e < m_entries.size(); ++e)
            place(e);
    }
    std::vector<Entry> m_entries;
    std::vector<std::uint32_t> m_slots;
};

} // namespace fetemark::keyedarchive
