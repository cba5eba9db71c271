// File access on UTF-16 paths (converted to native bytes at the system boundary).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "celvo/text.h"

namespace celvo {

// Paths cross the engine as UTF-16 and reach the system as bytes. A path
// whose bytes are not valid UTF-8 still names its file: each byte that is
// not part of a well-formed UTF-8 sequence (and a NUL byte) travels as the
// lone surrogate U+DC00 + byte, which pathToNative turns back into that
// byte. Valid UTF-8 converts as text does.
u16string pathFromNative(std::string_view bytes);
// Throws xlerror("invalid path") for a path that holds a NUL byte or a lone
// surrogate that no native byte stands behind.
std::string pathToNative(u16view path);

// True when the path names a regular file (or anything that is not a
// directory) / a directory. Any failure of the query gives false.
bool fileExists(const std::string& nativePath) noexcept;
bool directoryExists(const std::string& nativePath) noexcept;

// Reads a whole regular file. Returns false when it cannot be opened for
// reading or is not a regular file; throws xlerror("file is too large") past
// maxSize bytes, before reading.
bool readWholeFile(const std::string& nativePath, std::vector<std::uint8_t>& out,
                   std::uint64_t maxSize = 0xFFFFFFFFull);

// The largest book file that Load reads (a book over 1 GiB is refused before
// anything is read).
constexpr std::uint64_t kMaxBookFileSize = 1ull << 30;

// What a book file must be before Load reads it.
struct BookFileRules {
    // The file starts with one of these (none: any start).
    std::vector<std::string_view> signatures;
    // The message for a file that starts otherwise.
    const char* wrongSignature = "invalid file format";
    std::uint64_t maxSize = kMaxBookFileSize;
};

// Reads a book file, checking before it reads: a path that cannot be opened
// or is not a regular file (a directory, a device, a FIFO) gives "can't open
// file for reading"; a file over rules.maxSize "file is too large"; a file
// whose first bytes match no signature rules.wrongSignature. Only then is
// the rest read, never more than the size the file had when it was opened.
// Failures are thrown as xlerror.
std::vector<std::uint8_t> readBookFile(const std::string& nativePath, const BookFileRules& rules);

// Writes the bytes to a temporary file in the target's folder and renames it
// over the target only when everything was written and flushed: a failed
// write leaves the previous file as it was. A symbolic link is followed and
// the file it names is replaced (the link stays a link). A target that exists
// and is not a regular file, or that the process may not write, is refused
// and left alone. The new file takes the permission bits of the one it
// replaces. Returns false on failure with "can't open file for writing" (the
// target is refused or no file can be made beside it) or "can't write file"
// in *error when error is not null.
bool atomicWriteFile(const std::string& nativePath, const void* data, std::size_t size,
                     std::string* error = nullptr);

}  // namespace celvo
