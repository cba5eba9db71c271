// A small keyed store with owned keys, searched linearly in insertion order.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace nimb {

template <class V>
class c_repository {
public:
    virtual void clear() { m_rows.clear(); }
    virtual ~c_repository() = default;

    void set(const std::string& key, V value)
    {
        for (auto& row : m_rows)
            if (row.first == key) {
                row.second = std::move(value);
                return;
            }
        m_rows.emplace_back(key, std::move(value));
    }
    const V* find(const std::string& key) const
    {
        for (const auto& row : m_rows)
            if (row.first == key) return &row.second;
        return nullptr;
    }
    bool find(const std::string& key, V& out) const
    {
        const V* v = find(key);
        if (v) out = *v;
        return v != nullptr;
    }
    std::size_t size() const { return m_rows.size(); }
    const std::vector<std::pair<std::string, V>>& rows() const { return m_rows; }

private:
    std::vector<std::pair<std::string, V>> m_rows;
};

}  // namespace nimb
