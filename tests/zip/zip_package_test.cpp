// The package road of the .xlsx engine: packages written in memory and on
// disk are read back by independent readers and by us; hostile packages end
// with the library's texts.
#include <cstring>
#include <zlib.h>

#include "ZipPackage.h"
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
