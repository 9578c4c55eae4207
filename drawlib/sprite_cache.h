// Rendered cues, kept between frames: each cue's text is drawn once into a sprite and then only
// composited. Least recently used sprites go when the cache is over its byte budget, but never
// one drawn in the current frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <unordered_map>

#include "platform/drawing/drawing.h"

namespace dq::drawlib {

struct Sprite {
    std::unique_ptr<gfx::Bitmap> bitmap; // null: nothing to draw (or it could not be drawn)
    int blockX = 0, blockY = 0;          // the text block's top-left inside the bitmap
    int blockWidth = 0, blockHeight = 0; // the block: the text, and the box's padding if any

    size_t Bytes() const {
        return bitmap ? size_t(bitmap->Width()) * size_t(bitmap->Height()) * 4 : 0;
    }
};

class SpriteCache {
public:
    static constexpr size_t kDefaultBudget = size_t(128) << 20;

    explicit SpriteCache(size_t budgetBytes = kDefaultBudget) : m_budget(budgetBytes) {}

    // Starts a frame: sprites found or added from now on are this frame's.
    void BeginFrame() { ++m_frame; }
    // The cue's sprite, marked as used in this frame; null when not cached.
    Sprite* Find(uint32_t cue);
    // Caches the cue's sprite (used in this frame) and returns it.
    Sprite& Insert(uint32_t cue, Sprite sprite);
    // Drops least recently used sprites not used in this frame while over budget.
    void Trim();
    // Drops the cue's sprite, if cached.
    void Erase(uint32_t cue);
    void Clear();

    size_t Bytes() const { return m_bytes; }
    size_t Count() const { return m_entries.size(); }

private:
    struct Entry {
        uint32_t cue;
        uint64_t frame;
        Sprite sprite;
    };
    size_t m_budget;
    size_t m_bytes = 0;
    uint64_t m_frame = 0;
    std::list<Entry> m_entries; // most recently used first
    std::unordered_map<uint32_t, std::list<Entry>::iterator> m_byCue;
};

} // namespace dq::drawlib
