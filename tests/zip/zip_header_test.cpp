// Entry headers: DOS times, level flags, names, attributes and extra fields;
// records written through the layers and read by independent readers;
// headers of archives made by other tools parsed as zipinfo shows them.
#include <cstdlib>
#include <ctime>
#include <map>
#include <sstream>

#include "Bundlex.h"
#include "ZipCompressor.h"
#include "ZipFileHeader.h"
#include "ZipStorage.h"
#include "celvo/bytes.h"
#include "zip_test_util.h"

using namespace ziptest;

namespace {
struct UtcZone {
    UtcZone()
    {
        setenv("TZ", "UTC", 1);
        tzset();
    }
};
}  // namespace

TEST(ZipFileHeader, DosTimesRoundTrip)
{
    UtcZone utc;
    struct Case {
        std::int64_t time;
        std::uint16_t date, dosTime;
        std::int64_t readBack;
    };
    const Case cases[] = {
        // 1980-01-01 00:00:00
        {315532800, 0x0021, 0x0000, 315532800},
        // 2000-02-29 13:45:31: odd seconds round down
        {951831931, static_cast<std::uint16_t>((20 << 9) | (2 << 5) | 29), static_cast<std::uint16_t>((13 << 11) | (45 << 5) | 15), 951831930},
        // 1975-06-01 12:00:00 is written with year offset 0 (1980)
        {170856000, static_cast<std::uint16_t>((0 << 9) | (6 << 5) | 1), static_cast<std::uint16_t>(12 << 11), 328708800},
    };
    for (const auto& c : cases) {
        CZipFileHeader h;
        h.SetModificationTime(c.time);
        EXPECT_EQ(h.m_uModDate, c.date) << c.time;
        EXPECT_EQ(h.m_uModTime, c.dosTime) << c.time;
        EXPECT_EQ(h.GetModificationTime(), c.readBack) << c.time;
    }
}

TEST(ZipFileHeader, FlagsFromLevelMethodAndEncryption)
{
    struct Case {
        std::uint16_t method;
        int level;
        std::uint8_t encryption;
        bool segmented;
        std::uint16_t flag;
        int levelBack;
        std::uint32_t descriptor;
    };
    const Case cases[] = {
        {8, 9, 0xFF, false, 2, 9, 0},   {8, 8, 0xFF, false, 2, 9, 0},   {8, 1, 0xFF, false, 6, 1, 0},
        {8, 2, 0xFF, false, 4, 2, 0},   {8, 5, 0xFF, false, 0, -1, 0},  {8, -1, 0xFF, false, 0, -1, 0},
        {0, 9, 0xFF, false, 0, 0, 0},   {8, 6, 0xFF, true, 8, -1, 16},  {8, 6, 0, false, 9, -1, 16},
        {0, 0, 0, false, 9, 0, 16},
    };
    for (const auto& c : cases) {
        CZipFileHeader h;
        h.m_uMethod = c.method;
        h.m_uEncryptionMethod = c.encryption;
        h.PrepareForWrite(c.level, c.segmented);
        EXPECT_EQ(h.m_uFlag, c.flag) << c.method << "/" << c.level;
        EXPECT_EQ(h.LevelFromFlag(), c.levelBack);
        EXPECT_EQ(h.m_uVersionNeeded, 20);
        EXPECT_EQ(h.DataDescriptorLength(c.segmented || c.encryption == 0), c.descriptor);
        EXPECT_EQ(h.m_uLocalComprSize, c.encryption == 0 ? 12u : 0u);
    }
}

TEST(ZipFileHeader, NamesAreStoredWithSlashesAndUtf8Marked)
{
    struct Case {
        u16string name;
        std::string stored;
        bool utf8Flag;
    };
    const Case cases[] = {
        {u"xl\\workbook.xml", "xl/workbook.xml", false},
        {u"docProps/app.xml", "docProps/app.xml", false},
        {u"d\u00e9j\u00e0/\u65e5.xml", "d\xc3\xa9j\xc3\xa0/\xe6\x97\xa5.xml", true},
    };
    for (const auto& c : cases) {
        CZipFileHeader h;
        h.SetFileName(c.name);
        const CZipAutoBuffer& b = h.GetFileNameBytes();
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.GetBuffer()), b.GetSize()), c.stored);
        EXPECT_EQ((h.m_uFlag & CZipFileHeader::flagUtf8) != 0, c.utf8Flag);
        CZipFileHeader copy(h);
        EXPECT_EQ(copy.GetFileNameBytes().GetSize(), c.stored.size());
    }
}

TEST(ZipFileHeader, AttributesConvertBetweenSystems)
{
    struct Case {
        std::uint32_t attr;
        int from, to;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {0x20, 0, 0, 0x20},       {0x21, 0, 3, 0100444},   {0x20, 0, 3, 0100664},  {0x10, 0, 3, 0040775},
        {0x22, 0, 3, 0100220},    {0x23, 0, 3, 0100000},   {0100644, 3, 0, 0x20},  {0100755, 3, 0, 0x00},
        {0040755, 3, 0, 0x10},    {0100444, 3, 0, 0x21},   {0100000, 3, 0, 0x23},  {0x37, 7, 0, 0x11},
        {0x37, 0, 6, 0x37},       {0x1234, 11, 3, 0x1234}, {0x1234, 0, 19, 0x1234},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CZipFileHeader::ConvertAttributes(c.attr, c.from, c.to), c.expected) << c.attr << " " << c.from << "->" << c.to;
    EXPECT_THROW(CZipFileHeader::ConvertAttributes(0x20, 0, 1), CZipException);
    EXPECT_THROW(CZipFileHeader::ConvertAttributes(0x20, 2, 0), CZipException);

    CZipFileHeader h;
    h.SetFileName(u"dir\\");
    EXPECT_TRUE(h.IsDirectory());  // no attributes, but a trailing separator
    h.SetHostAttributes(0x20);
    EXPECT_EQ(h.m_uExternalAttr, 0x20u | (0100664u << 16));
    EXPECT_FALSE(h.IsDirectory());
    h.SetSystemCompatibility(3);
    h.SetHostAttributes(0x10);
    EXPECT_EQ(h.m_uExternalAttr, (0040775u << 16) | 0x10u);
    EXPECT_EQ(h.GetHostAttributes(), 0x10u);
    h.SetSystemCompatibility(30);  // an unknown system: decided by the name
    EXPECT_EQ(h.GetHostAttributes(), 0x10u);
}

TEST(ZipFileHeader, ExtraFieldsParseOrAreRefused)
{
    struct Case {
        Bytes bytes;
        bool ok;
        std::size_t records;
    };
    const Case cases[] = {
        {{}, true, 0},
        {{0x55, 0x54, 0x01, 0x00, 0x07}, true, 1},
        {{0x55, 0x54, 0x01, 0x00, 0x07, 0x75, 0x78, 0x00, 0x00}, true, 2},
        // The last record declares more bytes than remain.
        {{0x55, 0x54, 0x05, 0x00, 0x07}, false, 0},
        // Three bytes cannot hold a record header.
        {{0x55, 0x54, 0x00, 0x00, 0x01, 0x02, 0x03}, false, 0},
    };
    for (const auto& c : cases) {
        CZipExtraRecordList list;
        EXPECT_EQ(list.Parse(c.bytes.data(), static_cast<std::uint32_t>(c.bytes.size())), c.ok);
        if (c.ok) {
            EXPECT_EQ(list.GetCount(), c.records);
            Bytes back;
            list.Write(back);
            EXPECT_TRUE(back == c.bytes);
            EXPECT_EQ(list.GetTotalSize(), c.bytes.size());
        }
    }
}

namespace {

// Writes entries with the storage, headers and compressor alone, then the
// central records and an end record.
Bytes writeWithLayers(const std::vector<std::tuple<u16string, Bytes, int>>& entries)
{
    CZipMemFile file;
    CZipStorage storage;
    storage.Open(file, CZipStorage::zipCreate, false);
    std::vector<std::unique_ptr<CZipFileHeader>> headers;
    for (const auto& [name, data, level] : entries) {
        auto h = std::make_unique<CZipFileHeader>();
        h->SetFileName(name);
        h->SetModificationTime(1700000000);
        h->SetHostAttributes(0x20);
        h->m_uMethod = level == 0 ? 0 : 8;
        h->PrepareForWrite(level, false);
        h->WriteLocalRecord(&storage);
        std::unique_ptr<CZipCompressor> c(CZipCompressor::CreateForMethod(h->m_uMethod, &storage));
        c->InitCompression(level, h.get(), nullptr);
        // Fed in pieces, to cross the compressor's blocks.
        for (std::size_t at = 0; at < data.size(); at += 50000)
            c->Compress(data.data() + at, static_cast<std::uint32_t>(std::min<std::size_t>(50000, data.size() - at)));
        c->FinishCompression(false);
        h->PatchLocalRecord(&storage);
        h->WriteDescriptor(&storage);
        headers.push_back(std::move(h));
    }
    std::uint64_t dirOffset = storage.GetPosition();
    std::uint32_t dirSize = 0;
    for (auto& h : headers) dirSize += h->WriteCentralRecord(&storage);
    std::uint8_t end[22] = {0x50, 0x4B, 0x05, 0x06};
    celvo::putU16(end + 8, static_cast<std::uint16_t>(headers.size()));
    celvo::putU16(end + 10, static_cast<std::uint16_t>(headers.size()));
    celvo::putU32(end + 12, dirSize);
    celvo::putU32(end + 16, static_cast<std::uint32_t>(dirOffset));
    storage.Write(end, 22, true);
    storage.Close(false);
    return Bytes(file.GetBuffer(), file.GetBuffer() + file.GetLength());
}

}  // namespace

TEST(ZipFileHeader, RecordsWrittenByTheLayersPassIndependentReaders)
{
    UtcZone utc;
    TempDir dir;
    struct Entry {
        u16string name;
        Bytes data;
        int level;
        std::string storedName;
        int method;
        int utf8Flag;
    };
    const std::vector<Entry> entries = {
        {u"stored.txt", bytesOf("stored bytes"), 0, "stored.txt", 0, 0},
        {u"xl\\deflated.bin", sampleData(300000, 5), 6, "xl/deflated.bin", 8, 0},
        {u"empty.txt", Bytes(), 9, "empty.txt", 8, 0},
        {u"fast.bin", sampleData(1000, 2), 1, "fast.bin", 8, 0},
        {u"caf\u00e9.txt", bytesOf("utf-8 name"), 5, "caf\xc3\xa9.txt", 8, 0x800},
    };
    std::vector<std::tuple<u16string, Bytes, int>> input;
    std::string expected;
    for (const auto& e : entries) {
        input.emplace_back(e.name, e.data, e.level);
        char crc[16];
        std::snprintf(crc, sizeof crc, "%08lx", crc32(0, e.data.data(), static_cast<uInt>(e.data.size())));
        expected += e.storedName + " " + std::to_string(e.method) + " " + std::to_string(e.data.size()) + " " +
                    std::to_string(e.utf8Flag) + " " + crc + " (2023, 11, 14, 22, 13, 20)\n";
    }
    writeFile(dir.file("layers.zip"), writeWithLayers(input));
    std::string out;
    EXPECT_EQ(run("unzip -t '" + dir.file("layers.zip") + "'", &out), 0) << out;
    const char* script = R"(
import sys, zipfile, zlib
z = zipfile.ZipFile(sys.argv[1])
assert z.testzip() is None
for i in z.infolist():
    d = z.read(i)
    print(i.filename, i.compress_type, i.file_size, i.flag_bits & 0x808, '%08x' % (zlib.crc32(d) & 0xffffffff), i.date_time)
)";
    EXPECT_EQ(python(script, "'" + dir.file("layers.zip") + "'", &out), 0) << out;
    EXPECT_EQ(out, expected);
}

namespace {

// The fields that zipinfo -v shows for each central record, by label.
std::vector<std::map<std::string, std::string>> zipinfoEntries(const std::string& path)
{
    std::string out;
    run("zipinfo -v '" + path + "'", &out);
    std::vector<std::map<std::string, std::string>> entries;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("Central directory entry #", 0) == 0) {
            entries.emplace_back();
            std::getline(in, line);  // dashes
            // The name is the first line that is not blank and not a remark on the gap before the entry.
            while (std::getline(in, line) && (line.find_first_not_of(' ') == std::string::npos ||
                                              line.rfind("  There are an extra", 0) == 0)) {
            }
            entries.back()["name"] = line.substr(line.find_first_not_of(' '));
            continue;
        }
        if (entries.empty()) continue;
        auto colon = line.find(":  ");
        if (colon == std::string::npos || line.size() < 3 || line[0] != ' ' || line[2] == ' ') continue;
        std::string label = line.substr(2, colon - 2);
        std::string value = line.substr(colon + 1);
        value = value.substr(value.find_first_not_of(' '));
        entries.back().emplace(label, value);
    }
    return entries;
}

std::string dosTimeText(const CZipFileHeader& h)
{
    static const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    int month = (h.m_uModDate >> 5) & 0x0F;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d %s %d %02d:%02d:%02d", (h.m_uModDate >> 9) + 1980,
                  month >= 1 && month <= 12 ? months[month - 1] : "?", h.m_uModDate & 0x1F, h.m_uModTime >> 11,
                  (h.m_uModTime >> 5) & 0x3F, (h.m_uModTime & 0x1F) * 2);
    return buf;
}

}  // namespace

TEST(ZipFileHeader, HeadersOfOtherToolsParseAsZipinfoShowsThem)
{
    CELVO_REQUIRE_COMMAND("zip", "Info-ZIP zip");
    CELVO_REQUIRE_COMMAND("zipinfo", "Info-ZIP zipinfo");
    TempDir dir;
    writeFile(dir.file("a.txt"), sampleData(5000, 7));
    run("mkdir -p '" + dir.file("sub") + "'");
    writeFile(dir.file("sub/\xc3\xa9t\xc3\xa9.txt"), bytesOf("accented name"));
    std::string out;
    // zip with data descriptors (-fd) and a UTF-8 name; python with a stored and a deflated entry.
    ASSERT_EQ(run("cd '" + dir.path() + "' && LC_ALL=C.UTF-8 zip -q -fd z.zip a.txt sub/\xc3\xa9t\xc3\xa9.txt", &out), 0) << out;
    const char* script = R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], 'w') as z:
    z.writestr(zipfile.ZipInfo('p/stored.txt', (2021, 3, 4, 5, 6, 8)), b'python stored', compress_type=zipfile.ZIP_STORED)
    z.writestr(zipfile.ZipInfo('p/\u65e5\u672c.xml', (2022, 12, 31, 23, 59, 58)), b'<a/>' * 500, compress_type=zipfile.ZIP_DEFLATED)
)";
    ASSERT_EQ(python(script, "'" + dir.file("p.zip") + "'", &out), 0) << out;

    for (const char* name : {"z.zip", "p.zip"}) {
        SCOPED_TRACE(name);
        auto info = zipinfoEntries(dir.file(name));
        CBundlex zip;
        ASSERT_TRUE(zip.Open(celvo::utf8ToUtf16(dir.file(name)), CBundlex::zipOpenReadOnly));
        ASSERT_EQ(zip.GetCount(), info.size());
        ASSERT_FALSE(info.empty());
        for (std::uint16_t i = 0; i < zip.GetCount(); ++i) {
            CZipFileHeader* h = zip.GetFileHeader(i);
            auto& e = info[i];
            u16string ourName = h->GetFileName();
            for (auto& c : ourName)
                if (c == u'\\') c = u'/';
            EXPECT_EQ(celvo::utf16ToUtf8(ourName), e["name"]);
            EXPECT_EQ(std::to_string(h->m_uOffset), e["offset of local header from start of archive"]);
            EXPECT_EQ(e["compression method"], h->m_uMethod == 8 ? "deflated" : "none (stored)");
            char crc[16];
            std::snprintf(crc, sizeof crc, "%08x", h->m_uCrc32);
            EXPECT_EQ(crc, e["32-bit CRC value (hex)"]);
            EXPECT_EQ(std::to_string(h->m_uComprSize) + " bytes", e["compressed size"]);
            EXPECT_EQ(std::to_string(h->m_uUncomprSize) + " bytes", e["uncompressed size"]);
            EXPECT_EQ(std::to_string(h->GetFileNameBytes().GetSize()) + " characters", e["length of filename"]);
            EXPECT_EQ(std::to_string(h->m_aCentralExtraData.GetTotalSize()) + " bytes", e["length of extra field"]);
            EXPECT_EQ(e["extended local header"], h->NeedsDataDescriptor() ? "yes" : "no");
            EXPECT_EQ(dosTimeText(*h), e["file last modified on (DOS date/time)"]);
        }
        zip.Close();
    }
}
