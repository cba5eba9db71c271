// The byte layer under archives: buffering, positions past prepended bytes,
// the signature search and the names of volumes.
#include "ZipException.h"
#include "ZipStorage.h"
#include "zip_test_util.h"

using namespace ziptest;

TEST(ZipStorage, BuffersWritesUntilFull)
{
    CZipMemFile file;
    CZipStorage storage;
    storage.Open(file, CZipStorage::zipCreate, false);
    Bytes data = sampleData(70000);
    storage.Write(data.data(), 70000, false);
    EXPECT_EQ(file.GetLength(), 65536u);
    EXPECT_EQ(storage.GetBytesInWriteBuffer(), 4464u);
    EXPECT_EQ(storage.GetPosition(), 70000u);
    storage.Flush();
    EXPECT_EQ(file.GetLength(), 70000u);
    EXPECT_TRUE(Bytes(file.GetBuffer(), file.GetBuffer() + 70000) == data);
    storage.Close(false);
    EXPECT_FALSE(file.IsClosed());  // a caller's file stays open unless asked
}

TEST(ZipStorage, ReadsMustBeWhole)
{
    Bytes bytes = sampleData(100);
    CZipMemFile file;
    file.Attach(bytes.data(), 100);
    CZipStorage storage;
    storage.Open(file, CZipStorage::zipOpenReadOnly, false);
    EXPECT_TRUE(storage.IsReadOnly());
    storage.m_uBytesBeforeZip = 30;
    storage.Seek(10);
    std::uint8_t buf[80];
    EXPECT_EQ(storage.Read(buf, 60, true), 60u);
    EXPECT_EQ(buf[0], bytes[40]);
    EXPECT_EQ(storage.GetPosition(), 70u);
    try {
        storage.Read(buf, 1, false);
        FAIL();
    } catch (const CZipException& e) {
        EXPECT_EQ(e.m_iCause, 101);
    }
    storage.Seek(65);
    EXPECT_THROW(storage.Read(buf, 10, true), CZipException);
}

TEST(ZipStorage, FindsTheSignatureNearestTheEnd)
{
    const std::uint8_t sig[4] = {0x50, 0x4B, 0x05, 0x06};
    struct Case {
        std::size_t size;
        std::vector<std::size_t> at;  // where signatures are placed
        std::uint64_t depth;
        std::int64_t expected;
    };
    const Case cases[] = {
        {100000, {10, 50000}, 100000, 50000},
        // Straddling the boundary of two 32 KiB search chunks.
        {100000, {100000 - 32768 - 2}, 65557, 100000 - 32768 - 2},
        {100000, {100000 - 65557}, 65557, 100000 - 65557},
        {100000, {100000 - 65558}, 65557, -1},
        {3, {}, 65557, -1},
        {4, {0}, 65557, 0},
        // A half signature that restarts the match.
        {40, {20}, 65557, 20},
    };
    for (const auto& c : cases) {
        Bytes bytes(c.size, 0x50);
        for (std::size_t a : c.at) std::copy(sig, sig + 4, bytes.begin() + static_cast<std::ptrdiff_t>(a));
        CZipMemFile file;
        file.Attach(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
        CZipStorage storage;
        storage.Open(file, CZipStorage::zipOpenReadOnly, false);
        EXPECT_EQ(storage.FindSignatureFromEnd(sig, c.depth), c.expected) << c.size << " " << c.depth;
    }
}

TEST(ZipStorage, NamesVolumes)
{
    CZipRegularSplitNamesHandler regular;
    regular.Initialize(u"a\\b.zip");
    CZipBinSplitNamesHandler binary;
    struct Case {
        const CZipSplitNamesHandler* handler;
        std::uint32_t volume;
        int flags;
        u16string expected;
    };
    const Case cases[] = {
        {&regular, 1, 0, u"a\\b.z01"},
        {&regular, 99, 0, u"a\\b.z99"},
        {&regular, 100, 0, u"a\\b.z100"},
        {&regular, 7, CZipSplitNamesHandler::flLast, u"a\\b.zip"},
        {&binary, 1, 0, u"a\\b.zip.001"},
        {&binary, 1000, 0, u"a\\b.zip.1000"},
        {&binary, 2, CZipSplitNamesHandler::flExisting, u"a\\b.002"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.handler->GetVolumeName(u"a\\b.zip", c.volume, c.flags), c.expected) << c.volume;
    struct NumberCase {
        u16string path;
        std::uint32_t number;
    };
    for (const NumberCase& n : {NumberCase{u"x.zip.001", 1}, NumberCase{u"x.zip.65537", 1}, NumberCase{u"x.zip.01", 0},
                                NumberCase{u"x.zip.0a1", 0}, NumberCase{u"x.zip.000", 0}, NumberCase{u"x.zip", 0}})
        EXPECT_EQ(binary.GetVolumeNumber(n.path), n.number) << celvo::utf16ToUtf8(n.path);
}

TEST(ZipStorage, SegmentedCreationNeedsItsSettings)
{
    TempDir dir;
    u16string path = celvo::utf8ToUtf16(dir.file("s.zip"));
    struct Case {
        int mode;
        std::uint64_t volumeSize;
        int code;
    };
    for (Case c : {Case{CZipStorage::zipCreate | CZipStorage::zipModeSplit, 0, 104},
                   Case{CZipStorage::zipCreate | CZipStorage::zipModeSpan, 0, 103}}) {
        CZipStorage storage;
        try {
            storage.Open(path, c.mode, c.volumeSize);
            FAIL();
        } catch (const CZipException& e) {
            EXPECT_EQ(e.m_iCause, c.code);
        }
    }
    // Drives are never removable here.
    struct Always : CZipSegmCallback {
        bool Callback(std::uint64_t) override { return true; }
    } callback;
    CZipStorage storage;
    storage.m_pSpanChangeVolumeFunc = &callback;
    try {
        storage.Open(path, CZipStorage::zipCreate | CZipStorage::zipModeSpan, 0);
        FAIL();
    } catch (const CZipException& e) {
        EXPECT_EQ(e.m_iCause, 108);
    }
}
