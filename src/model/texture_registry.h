// Process-wide registry of shared texture records, addressed by 32-bit
// handles (16-bit slot, 16-bit generation) and by key text. The texture cache
// of the surface texture sets and the cube texture registry of the
// environments are both of this kind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vyk3d
{

template <class Entry> class texture_registry_t
{
  public:
    using entry_ptr = std::shared_ptr<Entry>;

    // Handles pack the slot into the low 16 bits, so at most 65536 slots.
    static constexpr size_t maxSlots = 0x10000;

    static uint32_t slotOf(uint32_t handle) { return handle & 0xFFFFu; }
    static uint32_t generationOf(uint32_t handle) { return handle >> 16; }

    // Handle stored under key, or 0.
    uint32_t find(const std::string& key) const
    {
        auto it = keys_.find(key);
        return it == keys_.end() ? 0 : it->second;
    }

    // Stores entry under key and returns its handle; reuses the most recently
    // freed slot. Callers look the key up first: adding a key again points it
    // at the new entry, and the old one is then reachable by handle only. Returns 0 (nothing stored) for a null entry
    // or when all 65536 slots are taken: a 17th slot bit would alias slot 0.
    uint32_t add(const std::string& key, entry_ptr entry)
    {
        if (!entry)
            return 0;
        uint32_t slot;
        if (!freeSlots_.empty()) {
            slot = freeSlots_.back();
            freeSlots_.pop_back();
        } else {
            if (entries_.size() >= maxSlots)
                return 0;
            slot = static_cast<uint32_t>(entries_.size());
            entries_.emplace_back();
            generations_.push_back(0);
        }
        // Generation 0 never occurs, so no live handle is ever 0 (slot 0 with
        // a generation of 65536 would have made one).
        uint16_t generation = nextGeneration_;
        nextGeneration_ = nextGeneration_ == 0xFFFF ? 1 : nextGeneration_ + 1;
        entries_[slot] = std::move(entry);
        generations_[slot] = generation;
        uint32_t handle = slot | (uint32_t(generation) << 16);
        keys_[key] = handle;
        return handle;
    }

    // The entry that handle names, or null for 0, an empty slot, a slot out
    // of range or a handle of an earlier occupant of the slot.
    Entry* get(uint32_t handle) const { return share(handle).get(); }

    entry_ptr share(uint32_t handle) const
    {
        if (handle == 0)
            return nullptr;
        uint32_t slot = slotOf(handle);
        if (slot >= entries_.size() || generations_[slot] != generationOf(handle))
            return nullptr;
        return entries_[slot];
    }

    // Drops the key and answers the handle it named (0 for none); the entry
    // stays reachable by that handle, so the next lookup of the key misses.
    uint32_t forget(const std::string& key)
    {
        auto it = keys_.find(key);
        if (it == keys_.end())
            return 0;
        uint32_t handle = it->second;
        keys_.erase(it);
        return handle;
    }

    // Releases the entry (the record lives on while someone shares it), frees
    // its slot and drops its key. False when handle names no entry.
    bool remove(uint32_t handle)
    {
        if (!get(handle))
            return false;
        uint32_t slot = slotOf(handle);
        entries_[slot].reset();
        freeSlots_.push_back(slot);
        for (auto it = keys_.begin(); it != keys_.end();) {
            if (it->second == handle)
                it = keys_.erase(it);
            else
                ++it;
        }
        return true;
    }

    // Releases every entry. The generation counter keeps running, so handles
    // from before never name a later entry.
    void clear()
    {
        keys_.clear();
        freeSlots_.clear();
        // Move out first so that a destructor running during the release sees
        // an already empty registry.
        std::vector<entry_ptr> old;
        old.swap(entries_);
        generations_.clear();
        old.clear();
    }

    // Number of live entries.
    size_t count() const { return entries_.size() - freeSlots_.size(); }
    // Number of slots, live or free.
    size_t slots() const { return entries_.size(); }

  private:
    std::vector<entry_ptr> entries_;
    std::vector<uint16_t> generations_;
    std::vector<uint32_t> freeSlots_;
    std::map<std::string, uint32_t> keys_;
    uint16_t nextGeneration_ = 1;
};

} // namespace vyk3d
