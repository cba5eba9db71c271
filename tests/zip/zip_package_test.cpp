// The package road of the .xlsx engine: packages written in memory and on
// disk are read back by independent readers and by us; hostile packages end
// with the library's texts.
#include <chrono>
#include <cstring>
#include <functional>
#include <thread>
#include <zlib.h>

#include "ZipPackage.h"
#include "celvo/xlerror.h"
#include "zip_test_util.h"

using namespace ziptest;
using celvo::ZipEntry;

namespace {

std::vector<ZipEntry> threeParts()
{
    return {
        {u"[Content_Types].xml", bytesOf("<?xml version=\"1.0\"?><Types/>")},
        {u"xl/workbook.xml", sampleData(200000, 3)},
        {u"a.bin", bytesOf("abc")},
    };
}

void expectSameEntries(const std::vector<ZipEntry>& a, const std::vector<ZipEntry>& b)
{
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].name, b[i].name);
        EXPECT_TRUE(a[i].data == b[i].data) << "entry " << i;
    }
}

const char* checkScript = R"(
import sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
bad = z.testzip()
print('bad' if bad else 'ok', ' '.join(i.filename + ':' + str(i.file_size) + ':' + str(i.compress_type) for i in z.infolist()))
)";

}  // namespace

TEST(ZipPackage, ThreeEntriesInMemoryAndOnDiskPassIndependentReaders)
{
    TempDir dir;
    auto parts = threeParts();
    Bytes mem = celvo::writeZipPackage(parts);
    writeFile(dir.file("mem.zip"), mem);
    celvo::writeZipPackageFile(celvo::utf8ToUtf16(dir.file("disk.xlsx")), parts);

    for (const char* name : {"mem.zip", "disk.xlsx"}) {
        SCOPED_TRACE(name);
        std::string out;
        EXPECT_EQ(run("unzip -t '" + dir.file(name) + "'", &out), 0) << out;
        EXPECT_EQ(python(checkScript, "'" + dir.file(name) + "'", &out), 0) << out;
        // Parts of 5 bytes or more are deflated, shorter ones stored.
        EXPECT_EQ(out, "ok [Content_Types].xml:29:8 xl/workbook.xml:200000:8 a.bin:3:0\n");
        expectSameEntries(celvo::readZipPackageFile(celvo::utf8ToUtf16(dir.file(name))), parts);
    }
    expectSameEntries(celvo::readZipPackage(mem.data(), mem.size()), parts);
}

TEST(ZipPackage, FailuresCarryTheLibraryTexts)
{
    TempDir dir;
    struct Case {
        const char* what;
        std::function<void()> action;
        std::string message;
    };
    const Bytes notZip = bytesOf("this is not an archive at all");
    const Case cases[] = {
        {"missing file", [&] { celvo::readZipPackageFile(celvo::utf8ToUtf16(dir.file("none.xlsx"))); },
         "No such file or directory."},
        {"bytes without an end record", [&] { celvo::readZipPackage(notZip.data(), notZip.size()); },
         "The central directory was not found in the archive (or you were trying to open not the last volume of a "
         "segmented archive)."},
        {"folder as target", [&] { celvo::writeZipPackageFile(celvo::utf8ToUtf16(dir.path()), {}); }, ""},
        {"entry without a name", [&] { celvo::writeZipPackage({{u"", bytesOf("x")}}); }, "a zip entry needs a name"},
    };
    for (const auto& c : cases) {
        try {
            c.action();
            ADD_FAILURE() << c.what << ": no error";
        } catch (const celvo::xlerror& e) {
            if (!c.message.empty()) {
                EXPECT_EQ(std::string(e.what()), c.message) << c.what;
            }
        }
    }
}

TEST(ZipPackage, EmptyPartsAndFailedSavesKeepWhatWasThere)
{
    TempDir dir;
    const std::string target = dir.file("book.xlsx");
    const std::vector<ZipEntry> parts = {{u"empty.xml", Bytes()}, {u"x.xml", bytesOf("<x/>")}};
    celvo::writeZipPackageFile(celvo::utf8ToUtf16(target), parts);
    const Bytes before = readFile(target);
    expectSameEntries(celvo::readZipPackageFile(celvo::utf8ToUtf16(target)), parts);
    // A save that fails before its end leaves the previous file as it was.
    {
        celvo::ZipWriter writer(celvo::utf8ToUtf16(target));
        writer.add(u"new.xml", bytesOf("<new/>"));
        EXPECT_THROW(writer.add(u"", bytesOf("x")), celvo::xlerror);
    }
    EXPECT_TRUE(readFile(target) == before);
    // Directory entries of other producers are not parts.
    const char* script = R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], 'w') as z:
    z.writestr('xl/', b'')
    z.writestr('xl/a.xml', b'<a/>')
)";
    std::string out;
    ASSERT_EQ(python(script, "'" + dir.file("dirs.zip") + "'", &out), 0) << out;
    auto read = celvo::readZipPackageFile(celvo::utf8ToUtf16(dir.file("dirs.zip")));
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].name, u"xl/a.xml");
}

TEST(ZipPackage, FixedEntryTimeGivesTheSameBytesEveryTime)
{
    TempDir dir;
    auto write = [](std::uint16_t date, std::uint16_t time) {
        celvo::ZipWriter w;
        w.setEntryTime(date, time);
        for (const ZipEntry& e : threeParts()) w.add(e.name, e.data);
        return w.finish();
    };
    const Bytes first = write(0x0021, 0);
    // Across a tick of the DOS clock (two seconds) the bytes stay the same.
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    EXPECT_TRUE(write(0x0021, 0) == first);
    writeFile(dir.file("fixed.zip"), first);
    const char* script = R"(
import sys, zipfile
print(sorted(set(i.date_time for i in zipfile.ZipFile(sys.argv[1]).infolist())))
)";
    std::string out;
    ASSERT_EQ(python(script, "'" + dir.file("fixed.zip") + "'", &out), 0) << out;
    EXPECT_EQ(out, "[(1980, 1, 1, 0, 0, 0)]\n");
    // Another stamp gives other bytes.
    EXPECT_FALSE(write(0x5821, 0x6000) == first);
}
