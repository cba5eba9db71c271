// An XML part held as the bytes of its document, for the parts whose
// binding is not in this build yet. It has the document interface of a
// generated root: reading checks that the bytes are one well-formed document
// (under the limits given: a document type declaration is refused) and keeps
// them; writing gives them back unchanged.
#pragma once

#include <cstddef>
#include <string>

#include "nimb/errors.h"
#include "nimb/reader.h"

namespace celvo {

class RawXmlDocument {
public:
    RawXmlDocument() = default;
    explicit RawXmlDocument(std::string bytes) : bytes_(std::move(bytes)) {}

    nimb::enimb_error unmarshal(const char* data, std::size_t size, nimb::c_error_record* error,
                                const nimb::c_reader_limits& limits);
    nimb::enimb_error marshal(std::string& out, nimb::c_error_record* error = nullptr) const;

    const std::string& bytes() const noexcept { return bytes_; }

private:
    std::string bytes_;
};

}  // namespace celvo
