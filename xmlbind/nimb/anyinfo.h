// A kept unknown attribute or element, written back as it was read.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace nimb {

struct c_any_info {
    std::string ns;    // namespace URI (UTF-8), empty for none
    std::string name;  // qualified name as read
    std::string text;  // the attribute's value, or the element's whole markup
    // Namespace declarations in force where the element stood, outermost first
    // (prefix, URI); an empty prefix is the default namespace.
    std::vector<std::pair<std::string, std::string>> declarations;
    bool present = false;

    c_any_info() { declarations.reserve(6); }
    c_any_info(std::string ns_, std::string name_, std::string value)
        : ns(std::move(ns_)), name(std::move(name_)), text(std::move(value)), present(true)
    {
    }
    void assign(const c_any_info& other) { *this = other; }
};

using c_any_info_optional = c_any_info;
using c_any_info_list = std::vector<std::unique_ptr<c_any_info>>;

}  // namespace nimb
