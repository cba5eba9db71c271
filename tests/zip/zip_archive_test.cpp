// The archive object: building and reopening archives, refusals, names,
// encryption, changes in place, and archives of other tools.
#include <sys/stat.h>

#include <cstring>
#include <functional>

#include "Bundlex.h"
#include "ZipHost.h"
#include "celvo/bytes.h"
#include "zip_test_util.h"

using namespace ziptest;

namespace {

// Adds bytes as an entry through a memory file over them.
bool addBytes(CBundlex& zip, const u16string& name, const Bytes& data, int level = -1, int smart = 7)
{
    Bytes copy = data;
    static std::uint8_t none = 0;
    CZipMemFile source;
    source.Attach(copy.empty() ? &none : copy.data(), static_cast<std::uint32_t>(copy.size()));
    return zip.AddNewFile(source, name, level, smart, 65536);
}

Bytes extract(CBundlex& zip, std::uint16_t i)
{
    CZipMemFile out;
    EXPECT_TRUE(zip.ExtractFile(i, out));
    return Bytes(out.GetBuffer(), out.GetBuffer() + out.GetLength());
}

struct Named {
    std::string name;
    Bytes data;
};

// Every entry of an archive on disk, names with '/'.
std::vector<Named> readAll(const std::string& path, const char16_t* password = nullptr, int mode = CBundlex::zipOpenReadOnly)
{
    CBundlex zip;
    zip.Open(celvo::utf8ToUtf16(path), mode);
    if (password) zip.SetPassword(password);
    std::vector<Named> all;
    for (std::uint16_t i = 0; i < zip.GetCount(); ++i) {
        u16string n = zip.GetFileHeader(i)->GetFileName();
        for (auto& c : n)
            if (c == u'\\') c = u'/';
        all.push_back({celvo::utf16ToUtf8(n), zip.GetFileHeader(i)->IsDirectory() ? Bytes() : extract(zip, i)});
    }
    zip.Close();
    return all;
}


std::string unzipTest(const std::string& path, const std::string& options = "")
{
    std::string out;
    int rc = run("unzip " + options + " -t '" + path + "'", &out);
    return rc == 0 ? "ok" : out;
}

}  // namespace

TEST(ZipArchive, BuiltInMemoryReopensWithTheSameEntries)
{
    CZipMemFile file;
    CBundlex zip;
    ASSERT_TRUE(zip.OpenAbstractFile(file, CBundlex::zipCreate));
    const std::vector<std::pair<u16string, Bytes>> entries = {
        {u"xl/workbook.xml", sampleData(100000, 1)}, {u"tiny", bytesOf("1234")}, {u"five", bytesOf("12345")},
        {u"docProps\\core.xml", sampleData(10, 2)},  {u"", bytesOf("unnamed")},  {u"", bytesOf("again")},
    };
    for (const auto& e : entries) ASSERT_TRUE(addBytes(zip, e.first, e.second));
    EXPECT_TRUE(zip.Close().empty());
    EXPECT_TRUE(zip.Close().empty());  // closing twice is harmless

    // Local records and data in order, then the directory, then the end record.
    const Bytes bytes(file.GetBuffer(), file.GetBuffer() + file.GetLength());
    EXPECT_EQ(celvo::getU32(bytes.data()), 0x04034b50u);
    EXPECT_EQ(celvo::getU32(&bytes[bytes.size() - 22]), 0x06054b50u);

    Bytes copy = bytes;
    CZipMemFile in;
    in.Attach(copy.data(), static_cast<std::uint32_t>(copy.size()));
    ASSERT_TRUE(zip.OpenAbstractFile(in, CBundlex::zipOpenReadOnly));
    const std::vector<u16string> names = {u"xl\\workbook.xml", u"tiny", u"five", u"docProps\\core.xml", u"file4", u"file5"};
    ASSERT_EQ(zip.GetCount(), names.size());
    std::uint32_t lastOffset = 0;
    for (std::uint16_t i = 0; i < zip.GetCount(); ++i) {
        CZipFileHeader* h = zip.GetFileHeader(i);
        EXPECT_EQ(h->GetFileName(), names[i]);
        EXPECT_TRUE(extract(zip, i) == entries[i].second);
        // Parts below 5 bytes are stored, others deflated even when that makes them larger.
        EXPECT_EQ(h->m_uMethod, entries[i].second.size() < 5 ? 0 : 8) << i;
        EXPECT_FALSE(h->NeedsDataDescriptor());
        EXPECT_EQ(h->GetSystemCompatibility(), 0);
        EXPECT_EQ(h->m_uExternalAttr & 0xFFFF, 0x20u);
        if (i) {
            EXPECT_GT(h->m_uOffset, lastOffset);
        }
        lastOffset = h->m_uOffset;
    }
    EXPECT_GT(zip.GetFileHeader(1)->m_uOffset, 0u);
    zip.Close();
}

TEST(ZipArchive, RefusalsAreResults)
{
    CZipMemFile file;
    CBundlex zip;
    EXPECT_FALSE(zip.OpenAbstractFile(file, 2));
    EXPECT_TRUE(zip.IsClosed());
    EXPECT_EQ(zip.GetFileHeader(0), nullptr);
    EXPECT_TRUE(zip.SetPassword(u"set before"));
    ASSERT_TRUE(zip.OpenAbstractFile(file, CBundlex::zipCreate));
    EXPECT_TRUE(zip.GetPassword().empty());  // an open forgets the password
    EXPECT_FALSE(zip.OpenAbstractFile(file, CBundlex::zipCreate));
    EXPECT_FALSE(zip.SetEncryptionMethod(5));
    EXPECT_FALSE(zip.SetArchiveSystem(1));
    EXPECT_TRUE(zip.SetArchiveSystem(3));
    EXPECT_TRUE(zip.SetArchiveSystem(0));

    // A directory entry: its name gets one trailing separator, it has no data.
    CZipFileHeader dir;
    dir.SetHostAttributes(0x10);
    dir.SetFileName(u"folder");
    ASSERT_TRUE(zip.OpenNewFile(dir, 5));
    EXPECT_FALSE(zip.OpenNewFile(dir, 5));  // one entry at a time
    EXPECT_FALSE(zip.OpenEntryForExtract(0));
    EXPECT_TRUE(zip.CloseNewFile());
    EXPECT_FALSE(zip.CloseNewFile());
    ASSERT_TRUE(addBytes(zip, u"a.txt", bytesOf("hello hello hello")));
    CZipFileHeader* h = zip.GetFileHeader(0);
    EXPECT_EQ(h->GetFileName(), u"folder\\");
    EXPECT_EQ(h->m_uMethod, 0);
    EXPECT_EQ(h->m_uVersionNeeded, 10);
    // Renaming keeps the directory's separator; a file loses trailing separators.
    EXPECT_TRUE(h->SetFileName(u"other//"));
    EXPECT_EQ(h->GetFileName(), u"other\\");
    EXPECT_TRUE(zip.GetFileHeader(1)->SetFileName(u"b.txt\\/"));
    EXPECT_EQ(zip.GetFileHeader(1)->GetFileName(), u"b.txt");
    zip.m_iBufferSize = 0;
    EXPECT_FALSE(addBytes(zip, u"refused", bytesOf("x")));
    zip.m_iBufferSize = 65536;
    zip.Close();

    Bytes bytes(file.GetBuffer(), file.GetBuffer() + file.GetLength());
    CZipMemFile in;
    in.Attach(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    ASSERT_TRUE(zip.OpenAbstractFile(in, CBundlex::zipOpenReadOnly));
    EXPECT_EQ(zip.GetFileHeader(0)->GetFileName(), u"other\\");
    EXPECT_EQ(zip.GetFileHeader(1)->GetFileName(), u"b.txt");
    CZipMemFile out;
    EXPECT_FALSE(zip.ExtractFile(0, out));  // a directory
    EXPECT_FALSE(zip.ExtractFile(2, out));  // past the count
    EXPECT_FALSE(zip.ExtractFile(1, out, true, 0));
    EXPECT_EQ(out.GetLength(), 0u);
    EXPECT_FALSE(addBytes(zip, u"c.txt", bytesOf("read-only")));
    EXPECT_TRUE(extract(zip, 1) == bytesOf("hello hello hello"));
    zip.Close();
}

TEST(ZipArchive, HoldsAtMost65535Entries)
{
    CZipMemFile file;
    CBundlex zip;
    ASSERT_TRUE(zip.OpenAbstractFile(file, CBundlex::zipCreate));
    CZipFileHeader header;
    for (unsigned i = 0; i < 65535; ++i) {
        header.SetFileName(u"");
        ASSERT_TRUE(zip.OpenNewFile(header, 0));
        ASSERT_TRUE(zip.CloseNewFile());
    }
    EXPECT_EQ(zip.GetFileHeader(65534)->GetFileName(), u"file65534");
    EXPECT_FALSE(addBytes(zip, u"one more", bytesOf("x")));
    zip.Close();
    Bytes bytes(file.GetBuffer(), file.GetBuffer() + file.GetLength());
    CZipMemFile in;
    in.Attach(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    ASSERT_TRUE(zip.OpenAbstractFile(in, CBundlex::zipOpenReadOnly));
    EXPECT_EQ(zip.GetCount(), 65535u);
    zip.Close();
}

TEST(ZipArchive, TraditionalEncryption)
{
    CELVO_REQUIRE_COMMAND("zip", "Info-ZIP zip");
    CELVO_REQUIRE_COMMAND("unzip", "Info-ZIP unzip");
    TempDir dir;
    const Bytes secretData = sampleData(30000, 4);
    {
        CBundlex zip;
        ASSERT_TRUE(zip.Open(celvo::utf8ToUtf16(dir.file("enc.zip")), CBundlex::zipCreate));
        ASSERT_TRUE(zip.SetPassword(u"secret"));
        ASSERT_TRUE(addBytes(zip, u"s.bin", secretData));
        ASSERT_TRUE(addBytes(zip, u"tiny", bytesOf("ab")));
        ASSERT_TRUE(addBytes(zip, u"empty", Bytes()));  // smart flag 2: an empty entry is not encrypted
        CZipFileHeader* h = zip.GetFileHeader(0);
        EXPECT_EQ(h->m_uFlag & 0x9, 0x9);
        EXPECT_EQ(h->GetDataDescriptorSizeIn(&zip.GetStorage()), 16u);
        EXPECT_EQ(zip.GetFileHeader(2)->m_uFlag & 0x1, 0);
        zip.Close();
    }
    EXPECT_EQ(unzipTest(dir.file("enc.zip"), "-P secret"), "ok");
    std::string out;
    EXPECT_EQ(python("import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1])\nz.setpassword(b'secret')\nprint(z.testzip())",
                     "'" + dir.file("enc.zip") + "'", &out), 0) << out;
    EXPECT_EQ(out, "None\n");
    auto all = readAll(dir.file("enc.zip"), u"secret");
    ASSERT_EQ(all.size(), 3u);
    EXPECT_TRUE(all[0].data == secretData);
    EXPECT_TRUE(all[1].data == bytesOf("ab"));

    // Without a password, or with a wrong one, the entry is refused.
    CBundlex zip;
    ASSERT_TRUE(zip.Open(celvo::utf8ToUtf16(dir.file("enc.zip")), CBundlex::zipOpenReadOnly));
    CZipMemFile target;
    try {
        zip.ExtractFile(0, target);
        FAIL();
    } catch (const CZipException& e) {
        EXPECT_EQ(e.m_iCause, 113);
        EXPECT_EQ(celvo::utf16ToUtf8(e.GetErrorDescription()), "An incorrect password set for the file being decrypted.");
    }
    zip.SetPassword(u"wrong");
    int code = codeOf([&] { zip.ExtractFile(0, target); });
    // The check byte lets one wrong password in 256 through; the data then
    // fails to inflate or fails its CRC.
    EXPECT_TRUE(code == 113 || code == 102 || code == 504) << code;
    zip.Close(CBundlex::afAfterException);

    writeFile(dir.file("plain.bin"), secretData);
    ASSERT_EQ(run("cd '" + dir.path() + "' && zip -q -P pass zp.zip plain.bin", &out), 0) << out;
    auto fromZip = readAll(dir.file("zp.zip"), u"pass");
    ASSERT_EQ(fromZip.size(), 1u);
    EXPECT_TRUE(fromZip[0].data == secretData);
}

TEST(ZipArchive, CipherRunsOnAcrossCalls)
{
    const Bytes plain = sampleData(1000, 8);
    for (const char* password : {"", "secret"}) {
        CZipAutoBuffer pw;
        pw.Assign(password, static_cast<std::uint32_t>(std::strlen(password)));
        CZipCrc32Cryptograph enc, dec1, dec2;
        enc.CryptInitKeys(pw);
        Bytes data = plain;
        enc.Encode(data.data(), 1000);
        EXPECT_FALSE(data == plain);
        Bytes once = data, twice = data;
        dec1.CryptInitKeys(pw);
        dec1.Decode(once.data(), 1000);
        dec2.CryptInitKeys(pw);
        dec2.Decode(twice.data(), 333);
        dec2.Decode(twice.data() + 333, 667);
        EXPECT_TRUE(once == plain);
        EXPECT_TRUE(twice == plain);
    }
}

TEST(ZipArchive, ReadsArchivesOfOtherTools)
{
    CELVO_REQUIRE_COMMAND("zip", "Info-ZIP zip");
    TempDir dir;
    const Bytes a = noiseData(150000, 11), b = bytesOf("second entry"), c = Bytes();
    writeFile(dir.file("a.bin"), a);
    writeFile(dir.file("b.txt"), b);
    writeFile(dir.file("c.txt"), c);
    std::string out;
    const std::string cd = "cd '" + dir.path() + "' && ";
    // Data descriptors from zip; a stub in front; split volumes.
    ASSERT_EQ(run(cd + "zip -q -fd dd.zip a.bin b.txt c.txt", &out), 0) << out;
    ASSERT_EQ(run(cd + "head -c 1000 /dev/urandom > stub && cat stub dd.zip > stub.zip", &out), 0) << out;
    ASSERT_EQ(run(cd + "zip -q -s 64k split.zip a.bin b.txt c.txt", &out), 0) << out;
    ASSERT_EQ(run(cd + "ls split.z01", &out), 0) << "zip made no volumes: " << out;
    // Python: a comment of 65535 bytes, descriptors from a stream that cannot seek.
    const char* script = R"(
import sys, zipfile, io
d = sys.argv[1]
with zipfile.ZipFile(d + '/comment.zip', 'w', zipfile.ZIP_DEFLATED) as z:
    for n in ('a.bin', 'b.txt', 'c.txt'):
        z.write(d + '/' + n, n)
    z.comment = b'c' * 65535
class Stream(io.RawIOBase):
    def __init__(self): self.data = bytearray()
    def writable(self): return True
    def write(self, b): self.data += b; return len(b)
s = Stream()
with zipfile.ZipFile(s, 'w', zipfile.ZIP_DEFLATED) as z:
    for n in ('a.bin', 'b.txt', 'c.txt'):
        with open(d + '/' + n, 'rb') as f, z.open(n, 'w') as w:
            w.write(f.read())
open(d + '/stream.zip', 'wb').write(s.data)
)";
    ASSERT_EQ(python(script, "'" + dir.path() + "'", &out), 0) << out;
    for (const char* name : {"dd.zip", "stub.zip", "split.zip", "comment.zip", "stream.zip"}) {
        SCOPED_TRACE(name);
        auto all = readAll(dir.file(name));
        ASSERT_EQ(all.size(), 3u);
        EXPECT_EQ(all[0].name, "a.bin");
        EXPECT_TRUE(all[0].data == a);
        EXPECT_TRUE(all[1].data == b);
        EXPECT_TRUE(all[2].data == c);
    }
    // An end record further back than a full comment allows is not found.
    ASSERT_EQ(run(cd + "cp dd.zip far.zip && head -c 65536 /dev/zero >> far.zip", &out), 0);
    CBundlex zip;
    EXPECT_EQ(codeOf([&] { zip.Open(celvo::utf8ToUtf16(dir.file("far.zip")), CBundlex::zipOpenReadOnly); }), 120);
    EXPECT_TRUE(zip.IsClosed());
}

TEST(ZipArchive, SplitVolumesJoinIntoAnOrdinaryArchive)
{
    CELVO_REQUIRE_COMMAND("zip", "Info-ZIP zip");
    CELVO_REQUIRE_COMMAND("unzip", "Info-ZIP unzip");
    TempDir dir;
    // Three entries over four volumes; each entry crosses at most one volume
    // boundary, as Info-ZIP's joiner copies no more for an entry with a data descriptor.
    const Bytes big = noiseData(60000, 12);
    const std::string path = dir.file("vol.zip");
    {
        CBundlex zip;
        ASSERT_TRUE(zip.Open(celvo::utf8ToUtf16(path), CBundlex::zipCreateSplit, 65536));
        ASSERT_TRUE(addBytes(zip, u"big.bin", big));
        ASSERT_TRUE(addBytes(zip, u"more.bin", noiseData(60000, 13)));
        ASSERT_TRUE(addBytes(zip, u"last.bin", noiseData(60000, 14)));
        ASSERT_TRUE(addBytes(zip, u"small.txt", bytesOf("small text")));
        EXPECT_EQ(celvo::utf16ToUtf8(zip.Close()), path);
    }
    std::string out;
    EXPECT_EQ(run("ls '" + dir.path() + "'", &out), 0);
    EXPECT_NE(out.find("vol.z02"), std::string::npos) << out;
    EXPECT_NE(out.find("vol.zip"), std::string::npos) << out;
    for (const char* v : {"vol.z01", "vol.z02"}) {
        struct stat st;
        if (::stat(dir.file(v).c_str(), &st) == 0) {
            EXPECT_LE(st.st_size, 65536) << v;
        }
    }
    auto ours = readAll(path);
    ASSERT_EQ(ours.size(), 4u);
    EXPECT_TRUE(ours[0].data == big);
    EXPECT_TRUE(ours[2].data == noiseData(60000, 14));
    EXPECT_TRUE(ours[3].data == bytesOf("small text"));
    ASSERT_EQ(run("cd '" + dir.path() + "' && zip -q -s 0 vol.zip --out joined.zip", &out), 0) << out;
    EXPECT_EQ(unzipTest(dir.file("joined.zip")), "ok");
    auto joined = readAll(dir.file("joined.zip"));
    ASSERT_EQ(joined.size(), 4u);
    EXPECT_TRUE(joined[0].data == big);
    EXPECT_TRUE(joined[3].data == bytesOf("small text"));

    // A split archive that fits its first volume becomes an ordinary one.
    const std::string one = dir.file("one.zip");
    {
        CBundlex zip;
        ASSERT_TRUE(zip.Open(celvo::utf8ToUtf16(one), CBundlex::zipCreateSplit, 1 << 20));
        ASSERT_TRUE(addBytes(zip, u"a.txt", bytesOf("fits on one volume")));
        ASSERT_TRUE(addBytes(zip, u"b.txt", sampleData(5000, 13)));
        zip.Close();
    }
    Bytes bytes = readFile(one);
    ASSERT_GT(bytes.size(), 4u);
    EXPECT_EQ(celvo::getU32(bytes.data()), 0x04034b50u);  // no leading volume signature
    EXPECT_EQ(unzipTest(one), "ok");
    EXPECT_NE(run("ls '" + dir.file("one.z01") + "'"), 0);
    CBundlex zip;
    ASSERT_TRUE(zip.Open(celvo::utf8ToUtf16(one), CBundlex::zipOpenReadOnly));
    EXPECT_FALSE(zip.GetFileHeader(0)->NeedsDataDescriptor());
    zip.Close();
}

TEST(ZipArchive, BinarySplitVolumesReadBack)
{
    TempDir dir;
    const Bytes big = sampleData(150000, 14);
    const std::string path = dir.file("bin.zip");
    {
        CBundlex zip;
        ASSERT_TRUE(zip.Open(celvo::utf8ToUtf16(path), CBundlex::zipCreateBinSplit, 40000));
        ASSERT_TRUE(addBytes(zip, u"big.bin", big));
        ASSERT_TRUE(addBytes(zip, u"small.txt", bytesOf("small text")));
        zip.Close();
    }
    std::string out;
    run("ls '" + dir.path() + "'", &out);
    ASSERT_NE(out.find("bin.zip.001"), std::string::npos) << out;
    std::string last = out.substr(out.rfind("bin.zip."), 11);
    CBundlex zip;
    ASSERT_TRUE(zip.Open(celvo::utf8ToUtf16(dir.file(last)), CBundlex::zipOpenBinSplit));
    ASSERT_EQ(zip.GetCount(), 2u);
    EXPECT_TRUE(extract(zip, 0) == big);
    EXPECT_TRUE(extract(zip, 1) == bytesOf("small text"));
    zip.Close();
}

TEST(ZipArchive, ReplaceRenameAndCopyKeepArchivesValid)
{
    TempDir dir;
    const std::string path = dir.file("edit.zip");
    {
        CBundlex zip;
        ASSERT_TRUE(zip.Open(celvo::utf8ToUtf16(path), CBundlex::zipCreate));
        ASSERT_TRUE(addBytes(zip, u"one.txt", sampleData(3000, 1)));
        ASSERT_TRUE(addBytes(zip, u"two.txt", sampleData(4000, 2)));
        ASSERT_TRUE(addBytes(zip, u"three.txt", sampleData(5000, 3)));
        zip.Close();
    }
    const Bytes replacement = sampleData(9000, 4);
    {
        CBundlex zip;
        ASSERT_TRUE(zip.Open(celvo::utf8ToUtf16(path), CBundlex::zipOpen));
        Bytes copy = replacement;
        CZipMemFile source;
        source.Attach(copy.data(), static_cast<std::uint32_t>(copy.size()));
        CZipAddRequest request(&source, u"one-replaced.txt");
        request.m_uReplaceIndex = 0;
        ASSERT_TRUE(zip.AddNewFile(request));
        ASSERT_TRUE(zip.RenameFile(1, u"dir\\two-renamed-longer.txt"));
        zip.Close();
    }
    EXPECT_EQ(unzipTest(path), "ok");
    auto all = readAll(path);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].name, "one-replaced.txt");
    EXPECT_TRUE(all[0].data == replacement);
    EXPECT_EQ(all[1].name, "dir/two-renamed-longer.txt");
    EXPECT_TRUE(all[1].data == sampleData(4000, 2));
    EXPECT_EQ(all[2].name, "three.txt");
    EXPECT_TRUE(all[2].data == sampleData(5000, 3));

    // Entries copied between archives keep their packed bytes.
    const std::string target = dir.file("copy.zip");
    {
        CBundlex from, to;
        ASSERT_TRUE(from.Open(celvo::utf8ToUtf16(path), CBundlex::zipOpenReadOnly));
        ASSERT_TRUE(to.Open(celvo::utf8ToUtf16(target), CBundlex::zipCreate));
        EXPECT_FALSE(to.CopyEntryFrom(to, 0));
        ASSERT_TRUE(to.CopyEntryFrom(from, 2));
        ASSERT_TRUE(to.CopyEntryFrom(from, 0, u"renamed-copy.txt"));
        to.Close();
        from.Close();
    }
    EXPECT_EQ(unzipTest(target), "ok");
    auto copied = readAll(target);
    ASSERT_EQ(copied.size(), 2u);
    EXPECT_EQ(copied[0].name, "three.txt");
    EXPECT_EQ(copied[1].name, "renamed-copy.txt");
    EXPECT_TRUE(copied[1].data == replacement);
}

TEST(ZipArchive, NameIndexFindsEntries)
{
    CZipMemFile file;
    CBundlex zip;
    ASSERT_TRUE(zip.OpenAbstractFile(file, CBundlex::zipCreate));
    for (const char16_t* n : {u"b.xml", u"A.xml", u"xl/c.xml", u"d.xml"}) ASSERT_TRUE(addBytes(zip, n, bytesOf("data!")));
    struct Case {
        u16string name;
        bool caseSensitive;
        std::uint16_t index;
    };
    for (const Case& c : {Case{u"b.xml", false, 0}, Case{u"a.XML", false, 1}, Case{u"xl/c.xml", false, 2},
                          Case{u"XL\\C.xml", false, 2}, Case{u"none", false, 0xFFFF}, Case{u"A.xml", true, 1},
                          Case{u"a.xml", true, 0xFFFF}}) {
        zip.m_bCaseSensitive = c.caseSensitive;
        EXPECT_EQ(zip.FindFile(c.name), c.index) << celvo::utf16ToUtf8(c.name);
    }
    zip.m_bCaseSensitive = false;
    ASSERT_TRUE(addBytes(zip, u"e.xml", bytesOf("later")));
    EXPECT_EQ(zip.FindFile(u"E.XML"), 4);
    zip.Close();
}

TEST(ZipArchive, DiskFilesAddAndExtractWithTimes)
{
    TempDir dir;
    const std::string src = dir.file("src.txt");
    writeFile(src, sampleData(3000, 15));
    ZipHost::SetModificationTime(celvo::utf8ToUtf16(src), 1600000000);
    const std::string path = dir.file("disk.zip");
    {
        CBundlex zip;
        ASSERT_TRUE(zip.Open(celvo::utf8ToUtf16(path), CBundlex::zipCreate));
        ASSERT_TRUE(zip.AddNewFile(celvo::utf8ToUtf16(src), u""));
        zip.SetRootPath(celvo::utf8ToUtf16(dir.path() + "/").c_str());
        CZipAddRequest relative(celvo::utf8ToUtf16(src), u"");
        relative.m_bFullPath = false;
        ASSERT_TRUE(zip.AddNewFile(relative));
        EXPECT_EQ(codeOf([&] { zip.AddNewFile(celvo::utf8ToUtf16(dir.file("missing")), u"m"); }), 116);
        zip.Close(CBundlex::afNoException, true);
    }
    std::int64_t stamp = 0;
    ZipHost::GetModificationTime(celvo::utf8ToUtf16(path), stamp);
    EXPECT_NEAR(static_cast<double>(stamp), 1600000000.0, 2.0);
    EXPECT_EQ(unzipTest(path), "ok");
    CBundlex zip;
    ASSERT_TRUE(zip.Open(celvo::utf8ToUtf16(path), CBundlex::zipOpenReadOnly));
    ASSERT_EQ(zip.GetCount(), 2u);
    std::string full = src.substr(1);  // an entry name never starts at the root
    u16string fullName = zip.GetFileHeader(0)->GetFileName();
    for (auto& ch : fullName)
        if (ch == u'\\') ch = u'/';
    EXPECT_EQ(celvo::utf16ToUtf8(fullName), full);
    EXPECT_EQ(zip.GetFileHeader(1)->GetFileName(), u"src.txt");
    const std::string out = dir.file("out.txt");
    ASSERT_TRUE(zip.ExtractFile(1, celvo::utf8ToUtf16(out)));
    EXPECT_TRUE(readFile(out) == sampleData(3000, 15));
    std::int64_t t = 0;
    ZipHost::GetModificationTime(celvo::utf8ToUtf16(out), t);
    EXPECT_NEAR(static_cast<double>(t), 1600000000.0, 2.0);
    zip.Close();
}

TEST(ZipArchive, EfficiencyCheckStoresWhatDeflateWouldGrow)
{
    const Bytes noise = noiseData(20000);
    for (int smart : {int(CBundlex::zipsmCheckForEff), CBundlex::zipsmCheckForEff | CBundlex::zipsmMemoryFlag}) {
        CZipMemFile file;
        CBundlex zip;
        ASSERT_TRUE(zip.OpenAbstractFile(file, CBundlex::zipCreate));
        ASSERT_TRUE(addBytes(zip, u"first.txt", sampleData(5000, 1), -1, smart));
        ASSERT_TRUE(addBytes(zip, u"noise.bin", noise, -1, smart));
        ASSERT_EQ(zip.GetCount(), 2u);
        EXPECT_EQ(zip.GetFileHeader(0)->m_uMethod, 8);
        EXPECT_EQ(zip.GetFileHeader(1)->m_uMethod, 0);
        EXPECT_TRUE(extract(zip, 1) == noise);
        zip.Close();
    }
}

// Entries deflated a piece per thread make one deflate stream: they read
// back here, in Python's zipfile and in unzip, with or without encryption,
// and come out about as small as deflated on one thread.
TEST(ZipArchive, EntriesDeflatedInPiecesOnThreadsReadBackEverywhere)
{
    CELVO_REQUIRE_COMMAND("unzip", "Info-ZIP unzip");
    const std::size_t piece = 64 * 1024;
    struct Case {
        const char* name;
        Bytes data;
    };
    const std::vector<Case> cases = {
        {"five bytes", bytesOf("12345")},
        {"less than a piece", sampleData(1000, 3)},
        {"one piece exactly", sampleData(piece, 4)},
        {"one piece and a byte", sampleData(piece + 1, 5)},
        {"three pieces: one batch", sampleData(3 * piece, 6)},
        {"past one batch", sampleData(7 * piece + 123, 7)},
        {"noise past one batch", noiseData(4 * piece + 5)},
    };
    for (const char16_t* password : {static_cast<const char16_t*>(nullptr), u"secret"}) {
        SCOPED_TRACE(password ? "encrypted" : "plain");
        TempDir dir;
        const std::string path = dir.file("threads.zip");
        std::vector<std::uint64_t> sizes[2];
        for (unsigned threads : {1u, 3u}) {
            CBundlex zip;
            ASSERT_TRUE(zip.Open(celvo::utf8ToUtf16(threads == 1 ? dir.file("one.zip") : path), CBundlex::zipCreate));
            BundlexLib::CDeflateCompressor::COptions options;
            options.m_iThreads = threads;
            options.m_uChunkSize = static_cast<std::uint32_t>(piece);
            zip.SetCompressionOptions(options);
            if (password) {
                ASSERT_TRUE(zip.SetPassword(password));
            }
            for (const Case& c : cases) {
                ASSERT_TRUE(addBytes(zip, celvo::utf8ToUtf16(c.name), c.data)) << c.name;
                sizes[threads == 1 ? 0 : 1].push_back(zip.GetFileHeader(zip.GetCount16() - 1)->m_uComprSize);
            }
            zip.Close();
        }
        const auto all = readAll(path, password);
        ASSERT_EQ(all.size(), cases.size());
        for (std::size_t i = 0; i < cases.size(); ++i) {
            EXPECT_EQ(all[i].name, cases[i].name);
            EXPECT_TRUE(all[i].data == cases[i].data) << cases[i].name;
            // Each piece but the first starts with what came before it, so
            // the pieces cost a few bytes each.
            EXPECT_LE(sizes[1][i], sizes[0][i] + sizes[0][i] / 50 + 64) << cases[i].name;
        }
        EXPECT_EQ(unzipTest(path, password ? "-P secret" : ""), "ok");
        std::string out;
        EXPECT_EQ(python("import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1])\nz.setpassword(b'secret')\n"
                         "print(z.testzip())",
                         "'" + path + "'", &out),
                  0)
            << out;
        EXPECT_EQ(out, "None\n");
    }
}
