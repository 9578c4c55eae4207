#include "drawlib/sprite_cache.h"

namespace dq::drawlib {

Sprite* SpriteCache::Find(uint32_t cue) {
    const auto it = m_byCue.find(cue);
    if (it == m_byCue.end())
        return nullptr;
    it->second->frame = m_frame;
    if (it->second != m_entries.begin())
        m_entries.splice(m_entries.begin(), m_entries, it->second);
    return &it->second->sprite;
}

Sprite& SpriteCache::Insert(uint32_t cue, Sprite sprite) {
    const auto existing = m_byCue.find(cue);
    if (existing != m_byCue.end()) {
        m_bytes -= existing->second->sprite.Bytes();
        m_entries.erase(existing->second);
        m_byCue.erase(existing);
    }
    m_bytes += sprite.Bytes();
    m_entries.push_front(Entry{cue, m_frame, std::move(sprite)});
    m_byCue.emplace(cue, m_entries.begin());
    return m_entries.front().sprite;
}

void SpriteCache::Erase(uint32_t cue) {
    const auto it = m_byCue.find(cue);
    if (it == m_byCue.end())
        return;
    m_bytes -= it->second->sprite.Bytes();
    m_entries.erase(it->second);
    m_byCue.erase(it);
}

void SpriteCache::Trim() {
    while (m_bytes > m_budget && !m_entries.empty() && m_entries.back().frame != m_frame) {
        m_bytes -= m_entries.back().sprite.Bytes();
        m_byCue.erase(m_entries.back().cue);
        m_entries.pop_back();
    }
}

void SpriteCache::Clear() {
    m_entries.clear();
    m_byCue.clear();
    m_bytes = 0;
}

} // namespace dq::drawlib
