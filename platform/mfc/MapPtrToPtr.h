#pragma once
// CMapPtrToPtr: a hash map from one untyped pointer to another. Iteration order carries no
// meaning; walk it with a range for: for (auto [key, value] : map).

#include <cstddef>
#include <cstdint>
#include <unordered_map>

class CMapPtrToPtr {
public:
    CMapPtrToPtr() = default;

    // Prepares room for about hashSize entries.
    void InitHashTable(uint32_t hashSize) { m_map.reserve(hashSize); }

    ptrdiff_t GetCount() const { return static_cast<ptrdiff_t>(m_map.size()); }
    bool IsEmpty() const { return m_map.empty(); }

    bool Lookup(void* key, void*& value) const
    {
        auto it = m_map.find(key);
        if (it == m_map.end())
            return false;
        value = it->second;
        return true;
    }
    void SetAt(void* key, void* value) { m_map[key] = value; }
    void*& operator[](void* key) { return m_map[key]; }
    bool RemoveKey(void* key) { return m_map.erase(key) != 0; }
    void RemoveAll() { m_map.clear(); }

    auto begin() const { return m_map.begin(); }
    auto end() const { return m_map.end(); }

private:
    std::unordered_map<void*, void*> m_map;
};
