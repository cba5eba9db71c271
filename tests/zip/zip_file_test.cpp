// Memory and disk files, the splitting of paths and the platform layer.
#include <sys/stat.h>

#include <cstring>
#include <functional>

#include "ZipException.h"
#include "ZipFile.h"
#include "ZipHost.h"
#include "zip_test_util.h"

using namespace ziptest;

TEST(ZipMemFile, GrowsInStepsAndKeepsLength)
{
    struct Case {
        std::uint32_t write;
        std::uint32_t capacity;
    };
    for (Case c : {Case{1, 1024}, Case{1024, 1024}, Case{1025, 2048}, Case{5000, 5120}}) {
        CZipMemFile f;
        Bytes data = sampleData(c.write);
        f.Write(data.data(), c.write);
        EXPECT_EQ(f.GetCapacity(), c.capacity) << c.write;
        EXPECT_EQ(f.GetLength(), c.write);
        EXPECT_EQ(f.GetPosition(), c.write);
    }
}

TEST(ZipMemFile, WrittenPieceByPieceGrowsGeometrically)
{
    // 4 MiB in 1 KiB writes: steps alone would move the buffer 4096 times.
    CZipMemFile f;
    const Bytes piece = sampleData(1024);
    int moves = 0;
    std::uint32_t capacity = 0;
    for (int i = 0; i < 4096; ++i) {
        f.Write(piece.data(), 1024);
        if (f.GetCapacity() != capacity) ++moves;
        capacity = f.GetCapacity();
    }
    EXPECT_EQ(f.GetLength(), 4u << 20);
    EXPECT_LT(moves, 40);
    EXPECT_LE(capacity, 6u << 20);
}

TEST(ZipMemFile, SeeksReadsAndOverwrites)
{
    CZipMemFile f;
    Bytes ten = bytesOf("0123456789");
    f.Write(ten.data(), 10);
    // Seeking past the end grows the buffer but not the length; the gap reads as zeros.
    EXPECT_EQ(f.Seek(5000, CZipAbstractFile::begin), 5000u);
    EXPECT_EQ(f.GetLength(), 10u);
    EXPECT_GE(f.GetCapacity(), 5000u);
    f.Write("x", 1);
    EXPECT_EQ(f.GetLength(), 5001u);
    EXPECT_EQ(f.GetBuffer()[4999], 0);
    EXPECT_EQ(f.GetBuffer()[5000], 'x');
    // Origin 7 moves nothing.
    EXPECT_EQ(f.Seek(-3, 7), 5001u);
    EXPECT_EQ(codeOf([&] { f.Seek(-5002, CZipAbstractFile::current); }), 505);
    EXPECT_EQ(codeOf([&] { f.Seek(-5002, CZipAbstractFile::end); }), 505);
    EXPECT_EQ(codeOf([&] { f.Seek(0x100000000ll, CZipAbstractFile::begin); }), 505);
    f.Seek(-5001, CZipAbstractFile::end);
    char buf[4];
    EXPECT_EQ(f.Read(buf, 4), 4u);
    EXPECT_EQ(std::memcmp(buf, "0123", 4), 0);
    f.Seek(2, CZipAbstractFile::begin);
    f.Write("ab", 2);
    EXPECT_EQ(f.GetLength(), 5001u);
    EXPECT_EQ(f.GetBuffer()[2], 'a');
    // Reading at the end gives nothing.
    f.SeekToEnd();
    EXPECT_EQ(f.Read(buf, 4), 0u);
}

TEST(ZipMemFile, AttachedBytesAreFixed)
{
    Bytes bytes = sampleData(100);
    Bytes copy = bytes;
    CZipMemFile f;
    f.Attach(bytes.data(), 100);
    Bytes read(100);
    EXPECT_EQ(f.Read(read.data(), 200), 100u);
    EXPECT_TRUE(read == copy);
    f.Seek(90, CZipAbstractFile::begin);
    Bytes ten(10, 'z');
    f.Write(ten.data(), 10);
    EXPECT_EQ(bytes[99], 'z');
    f.Seek(90, CZipAbstractFile::begin);
    Bytes eleven(11, 'y');
    EXPECT_EQ(codeOf([&] { f.Write(eleven.data(), 11); }), 505);
    EXPECT_EQ(bytes[90], 'z');
    // Seeking past the end of fixed bytes only moves: the read there is empty.
    EXPECT_EQ(f.Seek(150, CZipAbstractFile::begin), 150u);
    EXPECT_EQ(f.Read(read.data(), 1), 0u);
    f.Close();
    EXPECT_TRUE(f.IsClosed());
    EXPECT_EQ(bytes.size(), 100u);  // the caller's bytes are not freed
}

TEST(ZipMemFile, SetLengthReservesAndMovesPosition)
{
    CZipMemFile f;
    f.SetLength(3000);
    EXPECT_EQ(f.GetLength(), 3000u);
    EXPECT_EQ(f.GetPosition(), 0u);
    EXPECT_EQ(f.GetBuffer()[2999], 0);
    f.SetLength(100);
    EXPECT_EQ(f.GetLength(), 100u);
    EXPECT_EQ(f.GetPosition(), 100u);
    EXPECT_EQ(codeOf([&] { f.SetLength(0x100000000ull); }), 505);
    f.Close();
    EXPECT_EQ(codeOf([&] { f.Write("a", 1); }), 505);  // a closed file no longer grows
}

TEST(ZipDiskFile, OpensReadsWritesAndReportsErrno)
{
    TempDir dir;
    u16string path = celvo::utf8ToUtf16(dir.file("f.bin"));
    CZipFile f;
    EXPECT_FALSE(f.Open(path, CZipFile::modeRead, false));
    try {
        f.Open(path, CZipFile::modeRead, true);
        FAIL();
    } catch (const CZipException& e) {
        EXPECT_EQ(e.m_iCause, 2);
        EXPECT_EQ(e.m_szFileName, path);
        EXPECT_EQ(celvo::utf16ToUtf8(e.GetErrorDescription()), "No such file or directory.");
    }
    ASSERT_TRUE(f.Open(path, CZipFile::modeCreate | CZipFile::modeReadWrite, true));
    Bytes data = sampleData(70000);
    f.Write(data.data(), 70000);
    EXPECT_EQ(f.GetLength(), 70000u);
    EXPECT_EQ(f.GetPosition(), 70000u);
    f.Seek(-10, CZipAbstractFile::end);
    Bytes tail(20);
    EXPECT_EQ(f.Read(tail.data(), 20), 10u);
    EXPECT_TRUE(f.SetLength(100));
    EXPECT_EQ(f.GetLength(), 100u);
    f.Close();
    EXPECT_TRUE(f.IsClosed());
    std::uint64_t size = 0;
    EXPECT_TRUE(GetFileSizeByPath(path, size));
    EXPECT_EQ(size, 100u);
    // Reopening for writing without "do not truncate" empties the file.
    ASSERT_TRUE(f.Open(path, CZipFile::modeReadWrite | CZipFile::modeNoTruncate, true));
    EXPECT_EQ(f.GetLength(), 100u);
    f.Close();
    ASSERT_TRUE(f.Open(path, CZipFile::modeWrite, true));
    EXPECT_EQ(f.GetLength(), 0u);
    f.Close();
    EXPECT_FALSE(GetFileSizeByPath(celvo::utf8ToUtf16(dir.file("none")), size));
}

TEST(ZipPathComponent, SplitsAndJoins)
{
    struct Case {
        u16string path;
        u16string prefix, drive, dir, title, ext, fullPath;
    };
    const Case cases[] = {
        {u"\\\\?\\UNC\\host\\dir\\a.b.c", u"\\\\?\\UNC\\", u"", u"host\\dir", u"a.b", u"c", u"\\\\?\\UNC\\host\\dir\\a.b.c"},
        {u"\\\\?\\C:\\x\\y.zip", u"\\\\?\\", u"C:", u"x", u"y", u"zip", u"\\\\?\\C:\\x\\y.zip"},
        {u"\\\\server\\share\\f.txt", u"\\\\", u"", u"server\\share", u"f", u"txt", u"\\\\server\\share\\f.txt"},
        {u"name.xlsx", u"", u"", u"", u"name", u"xlsx", u".\\name.xlsx"},
        {u"C:\\dir\\sub\\..file", u"", u"C:", u"dir\\sub", u".", u"file", u"C:\\dir\\sub\\..file"},
        {u"/tmp/x/a.zip", u"", u"", u"/tmp/x", u"a", u"zip", u"/tmp/x/a.zip"},
        {u"/a.zip", u"", u"", u"/", u"a", u"zip", u"/a.zip"},
        {u"dir/", u"", u"", u"dir", u"", u"", u"dir"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(celvo::utf16ToUtf8(c.path));
        CZipPathComponent p(c.path);
        EXPECT_EQ(p.GetPrefix(), c.prefix);
        EXPECT_EQ(p.GetFileDrive(), c.drive);
        EXPECT_EQ(p.GetFileDir(), c.dir);
        EXPECT_EQ(p.GetFileTitle(), c.title);
        EXPECT_EQ(p.GetFileExt(), c.ext);
        EXPECT_EQ(p.GetFullPath(), c.fullPath);
    }
    u16string s = u"a\\b//";
    CZipPathComponent::AppendSeparator(s);
    EXPECT_EQ(s, u"a\\b\\");
    s = u"\\/x";
    CZipPathComponent::RemoveLeadingSeparators(s);
    EXPECT_EQ(s, u"x");
    s = u"//\\";
    CZipPathComponent::RemoveTrailingSeparators(s);
    EXPECT_EQ(s, u"");
}

TEST(ZipWideText, FormatsAndCuts)
{
    u16string t = u"kept";
    EXPECT_TRUE(WideFormat(t, "file%u", 12u));
    EXPECT_EQ(t, u"file12");
    std::string big(5000, 'x');
    EXPECT_TRUE(WideFormat(t, "%s!", big.c_str()));
    EXPECT_EQ(t.size(), 5001u);
    std::string huge(9000, 'y');
    EXPECT_TRUE(WideFormat(t, "%s", huge.c_str()));
    EXPECT_EQ(t.size(), 7167u);  // cut at the largest buffer
    EXPECT_EQ(WideLeft(u"abcdef", 2), u"ab");
    EXPECT_EQ(WideLeft(u"ab", 9), u"ab");
    EXPECT_EQ(WideMid(u"abcdef", 4), u"ef");
    EXPECT_EQ(WideMid(u"ab", 9), u"");
    EXPECT_EQ(ToLowerWide(u'Q'), u'q');
}

TEST(ZipHostLayer, TimesAttributesTextsAndFiles)
{
    TempDir dir;
    u16string f = celvo::utf8ToUtf16(dir.file("t.txt"));
    writeFile(dir.file("t.txt"), bytesOf("x"));
    // 1970-01-01 00:00:00 UTC is a valid time.
    for (std::int64_t t : {std::int64_t(0), std::int64_t(1700000000)}) {
        EXPECT_TRUE(ZipHost::SetModificationTime(f, t));
        std::int64_t back = -1;
        EXPECT_TRUE(ZipHost::GetModificationTime(f, back));
        EXPECT_EQ(back, t);
    }
    std::int64_t now = 0;
    EXPECT_FALSE(ZipHost::GetModificationTime(celvo::utf8ToUtf16(dir.file("none")), now));
    EXPECT_GT(now, 0);

    EXPECT_EQ(ZipHost::PathKind(f), 1);
    EXPECT_EQ(ZipHost::PathKind(celvo::utf8ToUtf16(dir.path())), -1);
    EXPECT_EQ(ZipHost::PathKind(celvo::utf8ToUtf16(dir.file("none"))), 0);
    std::uint32_t attr = 0;
    EXPECT_TRUE(ZipHost::GetAttributes(f, attr));
    EXPECT_EQ(attr, 0x20u);
    EXPECT_TRUE(ZipHost::SetAttributes(f, 0x21));
    EXPECT_TRUE(ZipHost::GetAttributes(f, attr));
    EXPECT_EQ(attr & 0x01, 0x01u);
    EXPECT_TRUE(ZipHost::SetAttributes(f, 0x20));
    EXPECT_TRUE(ZipHost::GetAttributes(celvo::utf8ToUtf16(dir.path()), attr));
    EXPECT_TRUE(ZipHost::IsDirectoryAttribute(attr));

    // Texts: empty strings convert without the converter; bytes that are
    // not UTF-8 are read as code page 437.
    std::string bytes = "junk";
    EXPECT_EQ(ZipHost::EncodeWide(u"", bytes, ZipHost::CodePageOem), 0);
    EXPECT_TRUE(bytes.empty());
    u16string text = u"junk";
    EXPECT_EQ(ZipHost::DecodeBytes("", text, ZipHost::CodePageOem), 0);
    EXPECT_TRUE(text.empty());
    EXPECT_EQ(ZipHost::EncodeWide(u"\u00e9t\u00e9", bytes, ZipHost::CodePageUtf8), 5);
    EXPECT_EQ(ZipHost::DecodeBytes(bytes, text, ZipHost::CodePageOem), 3);
    EXPECT_EQ(text, u"\u00e9t\u00e9");
    EXPECT_EQ(ZipHost::DecodeBytes("\x82t\x82", text, ZipHost::CodePageOem), 3);
    EXPECT_EQ(text, u"\u00e9t\u00e9");

    // Temporary files: in the hint folder, or none when no volume has the room.
    u16string temp = ZipHost::MakeTempFile(celvo::utf8ToUtf16(dir.path()), 0);
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(celvo::utf16ToUtf8(temp).rfind(dir.path() + "/BLX", 0), 0u);
    EXPECT_EQ(ZipHost::PathKind(temp), 1);
    EXPECT_TRUE(ZipHost::MakeTempFile(celvo::utf8ToUtf16(dir.path()), ~0ull >> 1).empty());
    EXPECT_GT(ZipHost::FreeSpaceOf(temp), 0u);
    EXPECT_FALSE(ZipHost::IsRemovableDrive(temp));

    // Moving never replaces; failures raise 117 / 118 when asked.
    EXPECT_FALSE(ZipHost::MovePath(temp, f, false));
    u16string moved = celvo::utf8ToUtf16(dir.file("moved"));
    EXPECT_TRUE(ZipHost::MovePath(temp, moved, true));
    EXPECT_TRUE(ZipHost::DeletePath(moved, true));
    EXPECT_FALSE(ZipHost::DeletePath(moved, false));
    try {
        ZipHost::DeletePath(moved, true);
        FAIL();
    } catch (const CZipException& e) {
        EXPECT_EQ(e.m_iCause, 117);
        EXPECT_EQ(celvo::utf16ToUtf8(e.GetErrorDescription()),
                  "Error while removing a file (" + celvo::utf16ToUtf8(ZipHost::SystemErrorText(2)) + ").");
    }
    try {
        ZipHost::MovePath(moved, f, true);
        FAIL();
    } catch (const CZipException& e) {
        EXPECT_EQ(e.m_iCause, 118);
    }
}
