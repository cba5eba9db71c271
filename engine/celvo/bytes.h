// Explicit little-endian reading and writing over byte buffers. Every read is
// bounds-checked; a read past the end throws xlerror with the reader's
// message. No file structure is ever read by casting bytes to a struct.
#pragma once

#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "celvo/xlerror.h"

namespace celvo {

inline std::uint16_t getU16(const std::uint8_t* p) noexcept
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t getU32(const std::uint8_t* p) noexcept
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint64_t getU64(const std::uint8_t* p) noexcept
{
    return static_cast<std::uint64_t>(getU32(p)) | (static_cast<std::uint64_t>(getU32(p + 4)) << 32);
}
inline double getF64(const std::uint8_t* p) noexcept
{
    std::uint64_t bits = getU64(p);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}
inline void putU16(std::uint8_t* p, std::uint16_t v) noexcept
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void putU32(std::uint8_t* p, std::uint32_t v) noexcept
{
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void putU64(std::uint8_t* p, std::uint64_t v) noexcept
{
    for (int i = 0; i < 8; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Reads little-endian values from a fixed span of bytes.
class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size, std::string errorText = "unexpected end of data")
        : data_(data), size_(size), error_(std::move(errorText)) {}
    ByteReader(const std::vector<std::uint8_t>& v, std::string errorText = "unexpected end of data")
        : ByteReader(v.data(), v.size(), std::move(errorText)) {}

    std::size_t size() const noexcept { return size_; }
    std::size_t pos() const noexcept { return pos_; }
    std::size_t remaining() const noexcept { return size_ - pos_; }
    bool atEnd() const noexcept { return pos_ == size_; }
    const std::uint8_t* data() const noexcept { return data_; }

    void seek(std::size_t pos)
    {
        if (pos > size_) fail();
        pos_ = pos;
    }
    void skip(std::size_t n) { need(n); pos_ += n; }

    std::uint8_t u8() { need(1); return data_[pos_++]; }
    std::uint16_t u16() { need(2); auto v = getU16(data_ + pos_); pos_ += 2; return v; }
    std::uint32_t u32() { need(4); auto v = getU32(data_ + pos_); pos_ += 4; return v; }
    std::uint64_t u64() { need(8); auto v = getU64(data_ + pos_); pos_ += 8; return v; }
    std::int16_t i16() { return static_cast<std::int16_t>(u16()); }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    double f64() { need(8); double v = getF64(data_ + pos_); pos_ += 8; return v; }

    void bytes(void* out, std::size_t n)
    {
        need(n);
        if (n) std::memcpy(out, data_ + pos_, n);
        pos_ += n;
    }
    std::vector<std::uint8_t> bytes(std::size_t n)
    {
        need(n);
        std::vector<std::uint8_t> v(data_ + pos_, data_ + pos_ + n);
        pos_ += n;
        return v;
    }
    // A pointer to the next n bytes, which are then consumed.
    const std::uint8_t* take(std::size_t n)
    {
        need(n);
        const std::uint8_t* p = data_ + pos_;
        pos_ += n;
        return p;
    }

    void need(std::size_t n) const
    {
        if (n > size_ - pos_) fail();
    }

private:
    [[noreturn]] void fail() const { throw xlerror(error_); }

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    std::string error_;
};

// Appends little-endian values to a growing byte vector; earlier positions can
// be patched once a length is known.
class ByteWriter {
public:
    std::vector<std::uint8_t>& buffer() noexcept { return buf_; }
    const std::vector<std::uint8_t>& buffer() const noexcept { return buf_; }
    std::size_t size() const noexcept { return buf_.size(); }

    // Values of a few bytes go in byte by byte: push_back's inline path is
    // far cheaper than growing the vector for each of them.
    void u8(std::uint8_t v) { buf_.push_back(v); }
    void u16(std::uint16_t v) { little(v, 2); }
    void u32(std::uint32_t v) { little(v, 4); }
    void u64(std::uint64_t v) { little(v, 8); }
    void f64(double v) { std::uint64_t bits; std::memcpy(&bits, &v, sizeof bits); u64(bits); }
    void bytes(const void* p, std::size_t n)
    {
        const auto* b = static_cast<const std::uint8_t*>(p);
        if (n <= 16) {
            room(n);
            for (std::size_t i = 0; i < n; ++i) buf_.push_back(b[i]);
        } else {
            buf_.insert(buf_.end(), b, b + n);
        }
    }
    void bytes(const std::vector<std::uint8_t>& v) { buf_.insert(buf_.end(), v.begin(), v.end()); }
    void zeros(std::size_t n) { buf_.insert(buf_.end(), n, 0); }

    void patchU16(std::size_t at, std::uint16_t v) { check(at, 2); putU16(buf_.data() + at, v); }
    void patchU32(std::size_t at, std::uint32_t v) { check(at, 4); putU32(buf_.data() + at, v); }

private:
    void check(std::size_t at, std::size_t n) const
    {
        if (at > buf_.size() || n > buf_.size() - at) throw xlerror("patch position is out of range");
    }
    // Room for n more bytes, so that their push_backs never reallocate in
    // between; growing by doubling keeps appends linear.
    void room(std::size_t n)
    {
        if (buf_.capacity() - buf_.size() < n) buf_.reserve(std::max(buf_.size() + n, 2 * buf_.capacity()));
    }
    // The n low bytes of v, lowest first.
    void little(std::uint64_t v, int n)
    {
        room(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) buf_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    std::vector<std::uint8_t> buf_;
};

}  // namespace celvo
