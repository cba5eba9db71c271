// The round trip that every fuzz target of a package part's document root
// checks: read as the .xlsx engine reads a part (no document type
// declaration); what reads is written, a copy writes the same, and what was
// written must read again and write the same bytes. A failure ends the run
// with a message, which libFuzzer keeps as a finding.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "nimb/binding.h"

namespace fuzz {

[[noreturn]] inline void fail(const char* target, const char* what)
{
    std::fprintf(stderr, "%s: %s\n", target, what);
    std::abort();
}

inline nimb::c_reader_limits partLimits()
{
    nimb::c_reader_limits limits;
    limits.refuse_doctype = true;
    return limits;
}

template <class Root>
void rootRoundTrip(const char* target, const char* data, std::size_t size)
{
    auto root = std::make_unique<Root>();
    if (root->unmarshal(data, size, nullptr, partLimits()) != nimb::e_no_error) return;
    std::string out;
    if (root->marshal_to_string(out) != nimb::e_no_error) return;  // a value it cannot write is refused
    std::unique_ptr<nimb::c_binding> copy(root->clone());
    std::string copied;
    if (static_cast<Root&>(*copy).marshal_to_string(copied) != nimb::e_no_error || copied != out)
        fail(target, "a copy writes otherwise");
    auto again = std::make_unique<Root>();
    nimb::c_error_record info;
    if (again->unmarshal(out.data(), out.size(), &info, partLimits()) != nimb::e_no_error) {
        std::fprintf(stderr, "error %d item \"%s\" line %d\n", info.code, info.item.c_str(), info.xml_line);
        fail(target, "what was written does not read");
    }
    std::string twice;
    if (again->marshal_to_string(twice) != nimb::e_no_error || twice != out) fail(target, "written twice, it differs");
}

}  // namespace fuzz
