// File access on UTF-16 paths (converted to UTF-8 at the system boundary).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "celvo/text.h"

namespace celvo {

std::string pathToNative(u16view path);

// True when the path names a regular file (or anything that is not a
// directory) / a directory. Any failure of the query gives false.
bool fileExists(const std::string& nativePath) noexcept;
bool directoryExists(const std::string& nativePath) noexcept;

// Reads a whole regular file. Returns false when it cannot be opened for
// reading or is a directory; throws xlerror(tooLarge) past maxSize bytes.
bool readWholeFile(const std::string& nativePath, std::vector<std::uint8_t>& out,
                   std::uint64_t maxSize = 0xFFFFFFFFull);

// Writes the bytes to a temporary file in the target's folder and renames it
// over the target only when everything was written and flushed: a failed
// write leaves the previous file as it was. Returns false on failure with
// the reason in *error when error is not null.
bool atomicWriteFile(const std::string& nativePath, const void* data, std::size_t size,
                     std::string* error = nullptr);

}  // namespace celvo
