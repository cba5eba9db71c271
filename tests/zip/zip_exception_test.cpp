// The texts of the library's codes, with the fall-backs on errno and on the
// last system error.
#include <cerrno>

#include "ZipException.h"
#include "ZipHost.h"
#include "test_support.h"

namespace {

struct DescriptionCase {
    int code;
    int systemError;
    int errnoValue;
    std::string expected;  // "%s" stands for the system's text of systemError
};

std::string expand(const DescriptionCase& c)
{
    std::string text = c.expected;
    auto at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, celvo::utf16ToUtf8(ZipHost::SystemErrorText(c.systemError)));
    return text;
}

}  // namespace

TEST(ZipException, DescriptionsFollowTheMessageTable)
{
    const DescriptionCase cases[] = {
        {2, 0, 0, "No such file or directory."},
        {13, 0, 0, "Permission denied."},
        {30, 0, 0, "Read-only file system."},
        {101, 0, 0, "Damaged or not a zip file."},
        {102, 0, 0, "Crc is mismatched."},
        {113, 0, 0, "An incorrect password set for the file being decrypted."},
        {121, 0, 0, "The Zip64 format has not been enabled for the library, but is required to use the archive."},
        {505, 0, 0, "Not enough memory."},
        {504, 0, 0, "Zlib library error (data error)."},
        // General error: no system error and errno 0.
        {100, 0, 0, "Unspecified error"},
        // File errors append the system's text.
        {116, 5, 0, "A file error occurred (%s)."},
        {117, 2, 0, "Error while removing a file (%s)."},
        {118, 17, 0, "Error while renaming a file (%s)."},
        // zlib's file error takes errno's text.
        {502, 0, 13, "Permission denied."},
        // No text of its own: errno's text, then "Unspecified error".
        {501, 0, 12, "Not enough space."},
        {999, 0, 0, "Unspecified error"},
        {999, 0, 7, "Unspecified error"},
        {999, 2, 0, "%s"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        ZipHost::SetLastSystemError(c.systemError);
        errno = c.errnoValue;
        EXPECT_EQ(celvo::utf16ToUtf8(CZipException(c.code).GetErrorDescription()), expand(c));
    }
    ZipHost::SetLastSystemError(0);
    errno = 0;
}

TEST(ZipException, CarriesCodePathAndSystemErrorAndIsAStandardException)
{
    ZipHost::SetLastSystemError(28);
    try {
        CZipException::Throw(CZipException::badZipFile, u"a/b.zip");
        FAIL() << "no exception";
    } catch (const std::exception& e) {
        const auto* z = dynamic_cast<const CZipException*>(&e);
        ASSERT_NE(z, nullptr);
        EXPECT_EQ(z->m_iCause, 101);
        EXPECT_EQ(z->m_szFileName, u"a/b.zip");
        EXPECT_EQ(z->m_uSystemError, 28u);
        EXPECT_STREQ(e.what(), "Damaged or not a zip file.");
    }
    ZipHost::SetLastSystemError(0);
}
