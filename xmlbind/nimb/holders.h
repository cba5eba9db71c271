// Value holders of simple-typed members and owned holders of complex
// children: optional (get-or-create), repeated (get-or-grow) and choices.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "nimb/anyinfo.h"
#include "nimb/values.h"

namespace nimb {

// A simple value with the flag that records whether it was given. A value
// whose flag is clear is not written.
template <class T>
struct c_simple {
    T value{};
    bool present = false;

    c_simple() = default;
    explicit c_simple(T default_value) : value(std::move(default_value)) {}
    const T& get() const { return value; }
    int set(T v)
    {
        value = std::move(v);
        present = true;
        return 0;
    }
    void clear_value(T default_value = T())
    {
        value = std::move(default_value);
        present = false;
    }
};

template <class T> using ct_simple_pod_single = c_simple<T>;
template <class T> using ct_simple_pod_optional = c_simple<T>;
template <class T> using ct_simple_non_pod_single = c_simple<T>;
template <class T> using ct_simple_non_pod_optional = c_simple<T>;
using ct_empty_single = c_simple<c_empty>;

// A list-valued attribute (blank-separated items).
template <class T>
struct c_simple_list {
    std::vector<T> items;
    bool present = false;
};
template <class T> using ct_simple_non_pod_list_optional = c_simple_list<T>;
template <class T> using ct_simple_non_pod_list_single = c_simple_list<T>;

// Kept unknown records, deep-copied.
class c_any_list {
public:
    c_any_list() = default;
    c_any_list(const c_any_list& o)
    {
        for (const auto& p : o.m_items) m_items.emplace_back(new c_any_info(*p));
    }
    c_any_list(c_any_list&&) noexcept = default;
    c_any_list& operator=(const c_any_list& o)
    {
        c_any_list copy(o);
        m_items.swap(copy.m_items);
        return *this;
    }
    c_any_list& operator=(c_any_list&&) noexcept = default;

    c_any_info* append()
    {
        m_items.emplace_back(new c_any_info());
        return m_items.back().get();
    }
    std::size_t size() const { return m_items.size(); }
    bool empty() const { return m_items.empty(); }
    c_any_info& operator[](std::size_t i) const { return *m_items[i]; }
    void clear() { m_items.clear(); }

private:
    std::vector<std::unique_ptr<c_any_info>> m_items;
};

}  // namespace nimb
