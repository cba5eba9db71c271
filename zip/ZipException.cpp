#include "ZipException.h"

#include <cerrno>

#include "ZipHost.h"

namespace {

const char* fixedText(int code)
{
    switch (code) {
    // The C library's error numbers.
    case 1: return "Not super-user.";
    case 2: return "No such file or directory.";
    case 4: return "Interrupted system call.";
    case 5: return "I/O error.";
    case 6: return "No such device or address.";
    case 9: return "Bad file number.";
    case 12: return "Not enough space.";
    case 13: return "Permission denied.";
    case 14: return "Bad address.";
    case 17: return "File exists.";
    case 18: return "Cross-device link.";
    case 19: return "No such device.";
    case 20: return "Not a directory.";
    case 21: return "Is a directory.";
    case 22: return "Invalid argument.";
    case 23: return "File table overflow.";
    case 24: return "Too many open files.";
    case 27: return "File too large.";
    case 28: return "No space left on device.";
    case 29: return "Illegal seek.";
    case 30: return "Read-only file system.";
    // The library's own codes.
    case 101: return "Damaged or not a zip file.";
    case 102: return "Crc is mismatched.";
    case 103: return "There is no spanned archive callback object set.";
    case 104: return "The volume size was not defined for a split archive.";
    case 105: return "Volume change aborted in a segmented archive.";
    case 106: return "Action aborted.";
    case 107: return "Action aborted safely.";
    case 108: return "The device selected for the spanned archive is not removable.";
    case 109: return "The limit of the maximum number of volumes has been reached.";
    case 110: return "The limit of the maximum number of files in an archive has been reached.";
    case 111:
        return "The filename, the comment or local or central extra field of the file added to the "
               "archive is too long.";
    case 112: return "The file size is too large to be supported.";
    case 113: return "An incorrect password set for the file being decrypted.";
    case 114: return "The directory with a non-zero size found while testing.";
    case 115: return "An internal error.";
    case 116: return "A file error occurred";
    case 117: return "Error while removing a file";
    case 118: return "Error while renaming a file";
    case 119: return "Cannot create a file for the specified platform.";
    case 120:
        return "The central directory was not found in the archive (or you were trying to open not "
               "the last volume of a segmented archive).";
    case 121:
        return "The Zip64 format has not been enabled for the library, but is required to use the "
               "archive.";
    case 122:
        return "WinZip AES encryption has not been enabled for the library, but is required to "
               "decompress the archive.";
    case 123: return "The collection is empty and the bounds do not exist.";
    // The stream library's codes.
    case 500: return "Zlib library error (end of stream).";
    case 503: return "Zlib library error (stream error).";
    case 504: return "Zlib library error (data error).";
    case 505: return "Not enough memory.";
    case 506: return "Zlib library error (buffer error).";
    case 507: return "Zlib library error (version error).";
    default: return nullptr;
    }
}

}  // namespace

CZipException::CZipException(int code, const char16_t* fileName)
    : m_szFileName(fileName ? fileName : u""), m_iCause(code), m_uSystemError(ZipHost::LastSystemError())
{
}

CZipException::~CZipException() = default;

void CZipException::Throw(int code, const char16_t* fileName)
{
    throw CZipException(code, fileName);
}

celvo::u16string CZipException::GetErrorDescription() const
{
    return GetCauseDescription(m_iCause, false);
}

const char* CZipException::what() const noexcept
{
    try {
        what_ = celvo::utf16ToUtf8(GetErrorDescription());
    } catch (...) {
        return "zip error";
    }
    return what_.c_str();
}

celvo::u16string CZipException::GetCauseDescription(int code, bool noRecursion)
{
    if (code == fileError || code == notRemoved || code == notRenamed) {
        celvo::u16string text = celvo::widenAscii(fixedText(code));
        if (noRecursion) return text;
        return text + u" (" + GetSystemErrorDescription() + u").";
    }
    if (const char* text = fixedText(code)) return celvo::widenAscii(text);
    if (code == errNo) {
        int e = errno;
        return GetCauseDescription(e == errNo ? genericError : e, false);
    }
    if (noRecursion) return u"Unspecified error";
    return GetSystemErrorDescription();
}

celvo::u16string CZipException::GetSystemErrorDescription()
{
    int sys = ZipHost::LastSystemError();
    if (sys != 0) return ZipHost::SystemErrorText(sys);
    int e = errno;
    return GetCauseDescription(e == 0 ? genericError : e, true);
}
