// The one exception type of the ZIP library and the texts of its codes.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "celvo/text.h"

class CZipException : public std::exception {
public:
    // Codes of the library itself; the C library's errno values and the
    // stream-library codes (500-507) share the same number space.
    enum : int {
        genericError = 100,
        badZipFile = 101,
        badCrc = 102,
        noCallback = 103,
        noVolumeSize = 104,
        aborted = 105,
        abortedAction = 106,
        abortedSafely = 107,
        nonRemovable = 108,
        tooManyVolumes = 109,
        tooManyFiles = 110,
        tooLongData = 111,
        tooBigSize = 112,
        badPassword = 113,
        dirWithSize = 114,
        internalError = 115,
        fileError = 116,
        notRemoved = 117,
        notRenamed = 118,
        platfNotSupp = 119,
        cdirNotFound = 120,
        noZip64 = 121,
        noAES = 122,
        outOfBounds = 123,
        streamEnd = 500,
        needDict = 501,
        errNo = 502,
        streamError = 503,
        dataError = 504,
        memError = 505,
        bufError = 506,
        versionError = 507,
    };

    CZipException(int code, const char16_t* fileName = nullptr);
    CZipException(const CZipException&) = default;
    CZipException& operator=(const CZipException&) = default;
    ~CZipException() override;

    // Builds the exception and raises it.
    [[noreturn]] static void Throw(int code, const char16_t* fileName = nullptr);
    [[noreturn]] static void Throw(int code, const celvo::u16string& fileName)
    {
        Throw(code, fileName.c_str());
    }

    // The text of the exception's own cause.
    celvo::u16string GetErrorDescription() const;
    // The message table; noRecursion stops the fall-back on the system text.
    static celvo::u16string GetCauseDescription(int code, bool noRecursion = false);
    // The text of the last system error of this thread (at the time of the call).
    static celvo::u16string GetSystemErrorDescription();

    // The standard text: the description in UTF-8.
    const char* what() const noexcept override;

    celvo::u16string m_szFileName;
    int m_iCause;
    std::uint32_t m_uSystemError;

private:
    mutable std::string what_;
};
