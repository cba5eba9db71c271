// The parts of a package in memory. Every part writes itself back into bytes
// when the book is saved; a part never looks at the package around it (the
// book keeps names, relationships and content types in step).
//
// XmlFile<T> holds the whole document of an XML part in the binding root T;
// BinaryFile holds the bytes of any other part, unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "celvo/text.h"
#include "celvo/xlerror.h"
#include "nimb/errors.h"
#include "nimb/reader.h"

namespace nimb {
class c_binding;
}

namespace celvo {

class XFile {
public:
    XFile() = default;
    XFile(const XFile&) = default;
    XFile& operator=(const XFile&) = default;
    virtual ~XFile();
    // Replaces `out` with the bytes of the part as they are to be stored.
    virtual void serialize(std::string& out) = 0;
};

class BinaryFile final : public XFile {
public:
    BinaryFile(const char* data, std::size_t size)
        : bytes_(reinterpret_cast<const std::uint8_t*>(data), reinterpret_cast<const std::uint8_t*>(data) + size)
    {
    }
    explicit BinaryFile(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    void serialize(std::string& out) override { out.assign(bytes_.begin(), bytes_.end()); }
    const std::vector<std::uint8_t>& bytes() const noexcept { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

// How the XML of package parts is read: a document type declaration is
// refused (no entity is ever expanded), nesting is bounded.
nimb::c_reader_limits partReaderLimits();
// The exception for a failed read or write of an XML part: the runtime's
// message for the code.
[[noreturn]] void throwBindingError(nimb::enimb_error code);
// Writes the document of a part's binding root without indentation (a part
// of many items is mostly markup, and every byte of it is deflated); `out`
// is replaced only on success.
void writeCompact(const nimb::c_binding& root, const char* name, std::string& out);

template <class T>
class XmlFile : public XFile {
public:
    T& root() noexcept { return root_; }
    const T& root() const noexcept { return root_; }

    // Replaces the document by the one the bytes hold; "data is empty" for
    // no bytes.
    void load(const char* data, std::size_t size)
    {
        if (size == 0) throw xlerror("data is empty");
        T fresh;
        nimb::c_error_record error;
        const nimb::enimb_error e = fresh.unmarshal(data, size, &error, partReaderLimits());
        if (e != nimb::e_no_error) throwBindingError(e);
        root_ = std::move(fresh);
    }

    void serialize(std::string& out) override
    {
        nimb::c_error_record error;
        const nimb::enimb_error e = root_.marshal(out, &error);
        if (e != nimb::e_no_error) throwBindingError(e);
    }

protected:
    T root_;
};

}  // namespace celvo
