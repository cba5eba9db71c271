// The ZIP library's only road to the operating system: a few free functions
// on UTF-16 paths, written for POSIX. Paths become UTF-8 at this boundary.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "celvo/text.h"

namespace ZipHost {

using celvo::u16string;
using celvo::u16view;

// The host system number that this platform writes into new entries, as
// the ZIP format numbers host systems (0: MS-DOS attributes).
constexpr int PlatformSystem = 0;

// Code pages understood by the text conversions.
constexpr unsigned CodePageAnsi = 0;
constexpr unsigned CodePageOem = 1;
constexpr unsigned CodePageUtf8 = 65001;

// The last system error of this thread: set by every operation of this
// layer that fails (the errno value), 0 when none. The exception of the
// library notes it when it is built.
int LastSystemError() noexcept;
void SetLastSystemError(int code) noexcept;
// The system's sentence for an error number.
u16string SystemErrorText(int code);

std::string NativePath(u16view path);

bool SetAttributes(u16view path, std::uint32_t attributes);
bool GetAttributes(u16view path, std::uint32_t& attributes);
bool GetModificationTime(u16view path, std::int64_t& time);
bool SetModificationTime(u16view path, std::int64_t time);
// 0 missing, 1 file, -1 directory.
int PathKind(u16view path);
inline bool IsDirectoryAttribute(std::uint32_t attributes) { return (attributes & 0x10) != 0; }
constexpr std::uint32_t FileAttribute() { return 0x20; }
constexpr std::uint32_t DirectoryAttribute() { return 0x10; }

// Text conversions; -1 on failure. Code pages 0 and 1 are UTF-8 here; bytes
// that are not UTF-8 are decoded as code page 437 so that no name is lost.
int EncodeWide(u16view text, std::string& bytes, unsigned codePage);
int DecodeBytes(const std::string& bytes, u16string& text, unsigned codePage);

bool SetFileLength(int descriptor, std::uint64_t length);
// flags: the access and creation bits of the disk file (see CZipFile).
int OpenDescriptor(u16view path, unsigned flags, unsigned shareMode);
bool CommitDescriptor(int descriptor);
int NativeHandle(int descriptor);

std::uint64_t FreeSpaceOf(u16view path);
// Drives are never removable on this platform.
bool IsRemovableDrive(u16view path);
bool SetDriveLabel(u16view path, u16view label);
bool CurrentDirectory(u16string& directory);
// A new empty temporary file in the hint folder (or the system's), with
// at least `needed` free bytes on its volume; empty when none can be made.
u16string MakeTempFile(u16view directoryHint, std::uint64_t needed);
bool DeletePath(u16view path, bool throwOnFailure);
bool MovePath(u16view oldPath, u16view newPath, bool throwOnFailure);

}  // namespace ZipHost
