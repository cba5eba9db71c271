// Damaged and hostile archives: every case ends with the library's code (or
// a refusal), never a hang, a crash or an unbounded allocation.
#include <functional>

#include "Bundlex.h"
#include "ZipPackage.h"
#include "celvo/bytes.h"
#include "celvo/xlerror.h"
#include "zip_test_util.h"

using namespace ziptest;

namespace {

// Where the records of an archive without a comment lie.
struct Layout {
    std::size_t end;
    std::vector<std::size_t> central;
    std::vector<std::size_t> local;
};

Layout layoutOf(const Bytes& b)
{
    Layout l;
    l.end = b.size() - 22;
    std::size_t at = celvo::getU32(&b[l.end + 16]);
    for (unsigned i = 0; i < celvo::getU16(&b[l.end + 10]); ++i) {
        l.central.push_back(at);
        l.local.push_back(celvo::getU32(&b[at + 42]));
        at += 46u + celvo::getU16(&b[at + 28]) + celvo::getU16(&b[at + 30]) + celvo::getU16(&b[at + 32]);
    }
    return l;
}

// A valid archive: a deflated entry, a stored entry.
Bytes sampleArchive()
{
    celvo::ZipWriter w;
    w.add(u"deflated.xml", sampleData(20000, 9));
    w.add(u"abc", bytesOf("abc"));
    return w.finish();
}

void put32(Bytes& b, std::size_t at, std::uint32_t v) { celvo::putU32(&b[at], v); }
void put16(Bytes& b, std::size_t at, std::uint16_t v) { celvo::putU16(&b[at], v); }

// Sets a field of both records of entry i (central offset, local offset).
void putBoth32(Bytes& b, const Layout& l, int i, std::size_t centralAt, std::size_t localAt, std::uint32_t v)
{
    put32(b, l.central[i] + centralAt, v);
    put32(b, l.local[i] + localAt, v);
}

// Opens the bytes and extracts every entry: the code of the first
// exception, 0 when everything went through, -1 when an extraction was refused.
int openAndExtract(Bytes bytes)
{
    try {
        CZipMemFile file;
        file.Attach(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
        CBundlex zip;
        zip.OpenAbstractFile(file, CBundlex::zipOpenReadOnly);
        int result = 0;
        for (std::uint16_t i = 0; i < zip.GetCount(); ++i) {
            CZipMemFile out;
            if (!zip.ExtractFile(i, out)) result = -1;
        }
        try {
            zip.Close();
        } catch (const CZipException&) {
            zip.Close(CBundlex::afAfterException);
            throw;
        }
        return result;
    } catch (const CZipException& e) {
        return e.m_iCause;
    }
}

// Reads the bytes as a package: the text of its refusal, empty when it is read.
std::string packageFault(const Bytes& bytes)
{
    try {
        celvo::readZipPackage(bytes.data(), bytes.size());
        return "";
    } catch (const celvo::xlerror& e) {
        return std::string(e.what()).empty() ? "(no text)" : e.what();
    }
}

struct HostileCase {
    const char* what;
    std::function<void(Bytes&, const Layout&)> damage;
    int code;
    // The declared size is past the package reader's caps, which refuse it first.
    bool pastCaps = false;
};

}  // namespace

TEST(ZipHostile, DamagedArchivesEndWithTheirCodes)
{
    const Bytes good = sampleArchive();
    ASSERT_EQ(openAndExtract(good), 0);
    const std::uint32_t deflatedSize = celvo::getU32(&good[layoutOf(good).central[0] + 20]);
    const HostileCase cases[] = {
        {"bad crc", [](Bytes& b, const Layout& l) { putBoth32(b, l, 0, 16, 14, 0x12345678); }, 102},
        {"truncated deflate data",
         [&](Bytes& b, const Layout& l) { putBoth32(b, l, 0, 20, 18, deflatedSize / 2); }, 101},
        {"deflate larger than declared",
         [](Bytes& b, const Layout& l) { putBoth32(b, l, 0, 24, 22, 19999); }, 101},
        {"deflate smaller than declared",
         [](Bytes& b, const Layout& l) { putBoth32(b, l, 0, 24, 22, 20001); }, 101},
        {"stored longer than its data",
         [](Bytes& b, const Layout& l) { putBoth32(b, l, 1, 24, 22, 4); }, 101},
        {"stored sizes past the end of the file",
         [](Bytes& b, const Layout& l) {
             putBoth32(b, l, 1, 20, 18, 0x7FFFFFF0);
             putBoth32(b, l, 1, 24, 22, 0x7FFFFFF0);
         }, 101, true},
        {"stored data left unread", [](Bytes& b, const Layout& l) { putBoth32(b, l, 1, 24, 22, 2); }, -1},
        {"corrupt deflate stream",
         [](Bytes& b, const Layout& l) {
             std::size_t data = l.local[0] + 30 + celvo::getU16(&b[l.local[0] + 26]);
             for (std::size_t k = 0; k < 8; ++k) b[data + k] = 0xFF;
         }, 504},
        {"unknown method", [](Bytes& b, const Layout& l) {
             put16(b, l.central[0] + 10, 12);
             put16(b, l.local[0] + 8, 12);
         }, -1},
        {"local method differs", [](Bytes& b, const Layout& l) { put16(b, l.local[0] + 8, 0); }, 101},
        {"local signature", [](Bytes& b, const Layout& l) { b[l.local[1]] = 'Q'; }, 101},
        {"aes method", [](Bytes& b, const Layout& l) {
             put16(b, l.central[0] + 8, 1);
             put16(b, l.local[0] + 6, 1);
             put16(b, l.local[0] + 8, 99);
             put16(b, l.central[0] + 10, 99);
         }, 122},
        {"no end record", [](Bytes& b, const Layout& l) { b[l.end] = 0; }, 120},
        {"name runs past the directory", [](Bytes& b, const Layout& l) { put16(b, l.central[1] + 28, 60000); }, 101},
        {"extra field past its record", [](Bytes& b, const Layout& l) {
             // The stored name's last bytes become an extra record claiming too much.
             put16(b, l.central[1] + 28, 0);
             put16(b, l.central[1] + 30, 3);
         }, 101},
        {"fewer entries counted than records", [](Bytes& b, const Layout& l) {
             put16(b, l.end + 8, 1);
             put16(b, l.end + 10, 1);
         }, 110},
        {"more entries than records", [](Bytes& b, const Layout& l) {
             put16(b, l.end + 8, 3);
             put16(b, l.end + 10, 3);
         }, 101},
        {"directory past the end record", [](Bytes& b, const Layout& l) { put32(b, l.end + 16, 0x7FFFFFFF); }, 101},
        {"directory size wraps", [](Bytes& b, const Layout& l) { put32(b, l.end + 12, 0xFFFFFFF0); }, 101},
        {"size without entries", [](Bytes& b, const Layout& l) {
             put16(b, l.end + 8, 0);
             put16(b, l.end + 10, 0);
         }, 101},
        {"comment past the end", [](Bytes& b, const Layout& l) { put16(b, l.end + 20, 500); }, 101},
        {"other volumes in memory", [](Bytes& b, const Layout& l) {
             put16(b, l.end + 4, 3);
             put16(b, l.end + 6, 3);
         }, 101},
        {"duplicate offsets", [](Bytes& b, const Layout& l) { put32(b, l.central[1] + 42, static_cast<std::uint32_t>(l.local[0])); }, 101},
        {"zip64 locator", [](Bytes& b, const Layout& l) {
             put16(b, l.end + 8, 0xFFFF);
             put16(b, l.end + 10, 0xFFFF);
             const std::uint8_t loc[20] = {0x50, 0x4B, 0x06, 0x07};
             b.insert(b.begin() + static_cast<std::ptrdiff_t>(l.end), loc, loc + 20);
         }, 121},
        {"ffff counts without a locator", [](Bytes& b, const Layout& l) {
             put16(b, l.end + 8, 0xFFFF);
             put16(b, l.end + 10, 0xFFFF);
         }, 101},
        {"empty input", [](Bytes& b, const Layout&) { b.clear(); }, 120},
        {"only an end record", [](Bytes& b, const Layout& l) { b.erase(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(l.end)); }, 101},
    };
    ASSERT_EQ(packageFault(good), "");
    for (const auto& c : cases) {
        Bytes bytes = good;
        c.damage(bytes, layoutOf(good));
        EXPECT_EQ(openAndExtract(bytes), c.code) << c.what;
        // The package reader, which takes an entry in one piece where it
        // can, refuses it too, with the text of the library's code.
        const std::string fault = packageFault(bytes);
        EXPECT_NE(fault, "") << c.what;
        if (c.code > 0) {
            const int code = c.pastCaps ? CZipException::tooBigSize : c.code;
            EXPECT_EQ(fault, celvo::utf16ToUtf8(CZipException::GetCauseDescription(code))) << c.what;
        }
    }
}

TEST(ZipHostile, DeclaredSizesAndBombsStopAtTheCaps)
{
    // A 1000:1 deflate bomb: 50 MB of zeros.
    celvo::ZipWriter w;
    Bytes zeros(50u << 20, 0);
    w.add(u"bomb.bin", zeros);
    zeros.clear();
    Bytes bomb = w.finish();
    ASSERT_LT(bomb.size(), 100000u);
    celvo::ZipLimits small;
    small.maxEntrySize = 1u << 20;
    const std::string tooLarge = "The file size is too large to be supported.";
    try {
        celvo::readZipPackage(bomb.data(), bomb.size(), small);
        FAIL();
    } catch (const celvo::xlerror& e) {
        EXPECT_EQ(std::string(e.what()), tooLarge);
    }
    celvo::ZipLimits total;
    total.maxTotalSize = 10u << 20;
    EXPECT_THROW(celvo::readZipPackage(bomb.data(), bomb.size(), total), celvo::xlerror);

    // A bomb that declares a small size delivers that much, then is refused.
    Bytes lying = bomb;
    Layout l = layoutOf(lying);
    putBoth32(lying, l, 0, 24, 22, 1000);
    try {
        celvo::readZipPackage(lying.data(), lying.size());
        FAIL();
    } catch (const celvo::xlerror& e) {
        EXPECT_EQ(std::string(e.what()), "Damaged or not a zip file.");
    }

    // An entry that declares 4 GiB - 1 bytes over a few bytes of data.
    Bytes huge = sampleArchive();
    Layout h = layoutOf(huge);
    putBoth32(huge, h, 1, 24, 22, 0xFFFFFFFF);
    try {
        celvo::readZipPackage(huge.data(), huge.size());
        FAIL();
    } catch (const celvo::xlerror& e) {
        EXPECT_EQ(std::string(e.what()), tooLarge);
    }
    // With the caps raised the same entry is refused by its data, without reserving 4 GiB.
    celvo::ZipLimits wide;
    wide.maxEntrySize = wide.maxTotalSize = 0xFFFFFFFFull;
    EXPECT_THROW(celvo::readZipPackage(huge.data(), huge.size(), wide), celvo::xlerror);
}

// An archive of `count` empty stored entries whose end record keeps only the
// low 16 bits of the count, as a writer without ZIP64 leaves it.
Bytes wrappedArchive(std::uint32_t count)
{
    Bytes b, dir;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::string name = "e" + std::to_string(i);
        const auto offset = static_cast<std::uint32_t>(b.size());
        Bytes local(30, 0), central(46, 0);
        celvo::putU32(&local[0], 0x04034b50);
        celvo::putU16(&local[4], 10);
        celvo::putU16(&local[26], static_cast<std::uint16_t>(name.size()));
        b.insert(b.end(), local.begin(), local.end());
        b.insert(b.end(), name.begin(), name.end());
        celvo::putU32(&central[0], 0x02014b50);
        celvo::putU16(&central[4], 20);
        celvo::putU16(&central[6], 10);
        celvo::putU16(&central[28], static_cast<std::uint16_t>(name.size()));
        celvo::putU32(&central[42], offset);
        dir.insert(dir.end(), central.begin(), central.end());
        dir.insert(dir.end(), name.begin(), name.end());
    }
    Bytes end(22, 0);
    celvo::putU32(&end[0], 0x06054b50);
    celvo::putU16(&end[8], static_cast<std::uint16_t>(count));
    celvo::putU16(&end[10], static_cast<std::uint16_t>(count));
    celvo::putU32(&end[12], static_cast<std::uint32_t>(dir.size()));
    celvo::putU32(&end[16], static_cast<std::uint32_t>(b.size()));
    b.insert(b.end(), dir.begin(), dir.end());
    b.insert(b.end(), end.begin(), end.end());
    return b;
}

TEST(ZipHostile, CountPast65535IsRefusedNotCut)
{
    // 65,535 entries are read whole; 65,539 (counted as 3) and 131,071
    // (counted as 65,535) are refused.
    EXPECT_EQ(openAndExtract(wrappedArchive(65535)), 0);
    EXPECT_EQ(openAndExtract(wrappedArchive(65539)), 110);
    EXPECT_EQ(openAndExtract(wrappedArchive(131071)), 110);
    const Bytes wrapped = wrappedArchive(65537);
    EXPECT_THROW(celvo::ZipReader(wrapped.data(), wrapped.size()), celvo::xlerror);
}
