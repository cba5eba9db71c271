// Compound document container: reading what other programs write, refusing
// broken files, and laying out the files we write.
#include "test_support.h"

#include <cstdio>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>

#include "celvo/file.h"
#include "cfb_builder.h"
#include "globals_protect.h"
#include "xls.h"

namespace celvo {
namespace {

using test::Bytes;
using test::CfbBuilder;
using test::pattern;

// Loads the file and walks its records as a record loop does.
std::string readError(const Bytes& file)
{
    try {
        Xls x;
        x.read(file);
        while (!x.eof()) x.input().next();
        return "no error";
    } catch (const xlerror& e) {
        return e.what();
    }
}

struct ReadCase {
    const char* name;
    std::function<Bytes()> file;
    Bytes expected;  // the workbook stream as read
};

TEST(XlsRead, ReadsWhatOtherWritersLayOut)
{
    const Bytes small = pattern(3000), big = pattern(70000, 5), page = pattern(4096, 9);
    const std::vector<ReadCase> cases = {
        {"512-byte sectors", [&] { CfbBuilder b; b.addStream(u"Workbook", big); return b.build(); }, big},
        {"4096-byte sectors, a one-sector stream",
         [&] { CfbBuilder b(12); b.addStream(u"Workbook", page); return b.build(); }, page},
        {"4096-byte sectors, several sectors",
         [&] { CfbBuilder b(12); b.addStream(u"Workbook", big); return b.build(); }, big},
        {"DIFAT beyond the header",
         [&] {
             CfbBuilder b;
             b.minFatSectors = 240;
             b.addStream(u"Workbook", big);
             return b.build();
         },
         big},
        {"scattered stream sectors",
         [&] {
             CfbBuilder b;
             b.stride = 3;
             b.addStream(u"Workbook", big);
             return b.build();
         },
         big},
        {"mini stream",
         [&] {
             CfbBuilder b;
             b.addStream(u"Workbook", small, true);
             return b.build();
         },
         small},
        {"fragmented mini stream",
         [&] {
             CfbBuilder b;
             b.stride = 2;
             b.addStream(u"\x05SummaryInformation", pattern(500, 3), true);
             b.addStream(u"Workbook", small, true);
             return b.build();
         },
         small},
        {"a mini-FAT count above its chain, as some writers leave it",
         [&] {
             CfbBuilder b;
             b.addStream(u"Workbook", small, true);
             Bytes f = b.build();
             putU32(f.data() + 64, 17);
             return f;
         },
         small},
        {"a DIFAT chain ended by a free-sector mark",
         [&] {
             CfbBuilder b;
             b.minFatSectors = 240;
             b.addStream(u"Workbook", big);
             Bytes f = b.build();
             putU32(f.data() + (b.firstDifatSector + 2) * 512u + 508, kFreeSector);
             return f;
         },
         big},
        {"stream named BOOK",
         [&] {
             CfbBuilder b;
             b.addStream(u"BOOK", big);
             return b.build();
         },
         big},
        {"lower-case workbook after another stream",
         [&] {
             CfbBuilder b;
             b.addStream(u"Ole", pattern(20));
             b.addStream(u"workbook", big);
             return b.build();
         },
         big},
        {"both names (a book saved for old and new versions): the Workbook stream, not the first",
         [&] {
             CfbBuilder b;
             b.addStream(u"Book", small, true);
             b.addStream(u"WorkBook", big);
             return b.build();
         },
         big},
        {"a Workbook inside an embedded storage is not the workbook",
         [&] {
             CfbBuilder b;
             b.addStream(u"Workbook", pattern(5000, 2), false, false);  // child of a storage
             b.addEntry(DirEntry(u"MBD0001", DirEntry::kStorage, 1));
             b.addStream(u"Book", big);
             return b.build();
         },
         big},
        {"an unused entry named Workbook is skipped",
         [&] {
             CfbBuilder b;
             DirEntry unused(u"Workbook", 0, kFreeSector);
             b.addEntry(unused, false);
             b.addStream(u"Workbook", big);
             return b.build();
         },
         big},
        {"size larger than the chain stops at the chain's end",
         [&] {
             CfbBuilder b;
             std::size_t i = b.addStream(u"Workbook", Bytes(big.begin(), big.begin() + 8192));
             b.dir[i].size = 100000;
             return b.build();
         },
         Bytes(big.begin(), big.begin() + 8192)},
        {"version 3 ignores the high half of the size",
         [&] {
             CfbBuilder b;
             std::size_t i = b.addStream(u"Workbook", big);
             b.dir[i].size |= 0x500000000ull;
             return b.build();
         },
         big},
        {"a file cut inside the stream's last sector gives the bytes that are there",
         [&] {
             CfbBuilder b;
             b.addStream(u"Workbook", Bytes(big.begin(), big.begin() + 5000));  // sectors 0-9
             Bytes f = b.build();                                                // 12 sectors
             // Sector 12, the file's last, becomes the stream's last; it is cut.
             f.insert(f.end(), big.begin() + 9 * 512, big.begin() + 9 * 512 + 200);
             const std::size_t fat = (b.firstFatSector + 1) * 512u;
             putU32(f.data() + fat + 8 * 4, 12);
             putU32(f.data() + fat + 12 * 4, kEndOfChain);
             return f;
         },
         Bytes(big.begin(), big.begin() + 9 * 512 + 200)},
        {"a mini stream whose chain runs on into the workbook stream, as PHPExcel writes",
         [&] {
             CfbBuilder b;
             b.addStream(u"\x05SummaryInformation", pattern(500, 3), true);
             const std::size_t wb = b.addStream(u"Workbook", big);
             Bytes f = b.build();
             const std::uint32_t root = b.dir[0].startSector;  // the mini stream's one sector
             const std::size_t entry = (b.firstFatSector + root / 128 + 1) * 512u + (root % 128) * 4;
             putU32(f.data() + entry, b.dir[wb].startSector);
             return f;
         },
         big},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Xls x;
        try {
            x.read(c.file());
        } catch (const xlerror& e) {
            ADD_FAILURE() << e.what();
            continue;
        }
        EXPECT_TRUE(x.input().bytes() == c.expected) << "size " << x.input().bytes().size();
    }
}

// Offsets inside a built file.
std::size_t sectorOffset(const CfbBuilder& b, std::uint32_t s)
{
    return (static_cast<std::size_t>(s) + 1) * b.ss;
}
void put32(Bytes& f, std::size_t at, std::uint32_t v)
{
    putU32(f.data() + at, v);
}
// Offset of the FAT entry of sector s.
std::size_t fatEntry(const CfbBuilder& b, std::uint32_t s)
{
    return sectorOffset(b, b.firstFatSector + s / (b.ss / 4)) + (s % (b.ss / 4)) * 4;
}

struct BadCase {
    const char* name;
    std::function<Bytes()> file;
    std::string message;
};

TEST(XlsRead, RefusesBrokenFilesWithAClearMessage)
{
    const Bytes big = pattern(9000);
    auto plain = [&](CfbBuilder& b) {
        b.addStream(u"Workbook", big);
        return b.build();
    };
    const std::vector<BadCase> cases = {
        {"shorter than a header", [] { return Bytes(100, 0); }, "invalid file format"},
        {"bad signature",
         [&] {
             CfbBuilder b;
             Bytes f = plain(b);
             f[0] = 0xD1;
             return f;
         },
         "invalid file format"},
        {"sector shift 40",
         [&] {
             CfbBuilder b;
             Bytes f = plain(b);
             putU16(f.data() + 30, 40);
             return f;
         },
         "invalid file format"},
        {"mini-sector shift 0",
         [&] {
             CfbBuilder b;
             Bytes f = plain(b);
             putU16(f.data() + 32, 0);
             return f;
         },
         "invalid file format"},
        {"a FAT chain that cycles",
         [&] {
             CfbBuilder b;
             b.addStream(u"Workbook", big);
             b.fat[3] = 1;  // sector 3 points back into the chain
             return b.build();
         },
         "Xls::read(): sector chain runs in a cycle at sector #1"},
        {"a workbook chain that runs into the directory",
         [&] {
             CfbBuilder b;
             Bytes f = plain(b);
             put32(f, fatEntry(b, 0), b.header.firstDirSector);
             return f;
         },
         "Xls::read(): sector #18 of the workbook stream is also used by the file's own tables"},
        {"a directory chain that cycles",
         [&] {
             CfbBuilder b;
             Bytes f = plain(b);
             put32(f, fatEntry(b, b.header.firstDirSector), b.header.firstDirSector);
             return f;
         },
         "Xls::loadDir(): sector chain runs in a cycle at sector #18"},
        {"a directory chain leaving the FAT",
         [&] {
             CfbBuilder b;
             Bytes f = plain(b);
             put32(f, fatEntry(b, b.header.firstDirSector), 5000);
             return f;
         },
         "Xls::loadDir(): sector #5000 is not found in _fat"},
        {"a DIFAT count larger than the file",
         [&] {
             CfbBuilder b;
             Bytes f = plain(b);
             put32(f, 72, 1000000);
             return f;
         },
         "Xls::loadDifat(): _header.numDifatSectors (1000000) is larger than the file"},
        {"a DIFAT count without DIFAT sectors",
         [&] {
             CfbBuilder b;
             Bytes f = plain(b);
             put32(f, 72, 1);
             return f;
         },
         "Xls::loadDifat(): difat chain sectors (0) not equal _header.numDifatSectors (1)"},
        {"a DIFAT chain longer than its count",
         [&] {
             CfbBuilder b;
             b.minFatSectors = 240;
             Bytes f = plain(b);
             put32(f, 72, 1);
             return f;
         },
         "Xls::loadDifat(): difat chain contains more sectors than _header.numDifatSectors (1)"},
        {"a DIFAT chain that cycles",
         [&] {
             CfbBuilder b;
             b.minFatSectors = 400;
             Bytes f = plain(b);
             // The second DIFAT sector points back to the first.
             put32(f, sectorOffset(b, b.firstDifatSector + 1) + 508, b.firstDifatSector);
             return f;
         },
         "Xls::loadDifat(): difat chain contains more sectors than _header.numDifatSectors (3)"},
        {"FAT count differs from the DIFAT",
         [&] {
             CfbBuilder b;
             Bytes f = plain(b);
             put32(f, 44, 2);
             return f;
         },
         "Xls::loadFat(): extract fat sectors (1) not equal _header.numFatSectors (2)"},
        {"a FAT sector beyond the end of the file",
         [&] {
             CfbBuilder b;
             Bytes f = plain(b);
             put32(f, 76, 0x7FFFFFF0);
             return f;
         },
         "Xls::read(): sector #2147483632 is beyond the end of the file"},
        {"a mini-FAT chain longer than its count",
         [&] {
             CfbBuilder b;
             b.addStream(u"Workbook", pattern(300), true);
             Bytes f = b.build();
             put32(f, fatEntry(b, b.header.firstMiniFatSector), 0);  // chain goes on into sector 0
             return f;
         },
         "error in loading minifat"},
        {"a mini-sector outside the mini stream",
         [&] {
             CfbBuilder b;
             b.addStream(u"Workbook", pattern(300), true);
             b.miniFat[0] = 4000;
             b.miniFat.resize(4100, kFreeSector);
             b.miniFat[4000] = kEndOfChain;
             return b.build();
         },
         "Xls::read(): mini-sector #4000 is outside the mini stream"},
        {"a directory name without terminator",
         [&] {
             CfbBuilder b;
             std::size_t i = b.addStream(u"Workbook", big);
             std::fill(std::begin(b.dir[i].nameUnits), std::end(b.dir[i].nameUnits), u'W');
             return b.build();
         },
         "Xls::loadDir(): the name of directory entry #1 has no terminator"},
        {"no workbook stream",
         [&] {
             CfbBuilder b;
             b.addStream(u"Data", big);
             return b.build();
         },
         "Xls::read(): workbook section is not found"},
        {"a workbook storage instead of a stream",
         [&] {
             CfbBuilder b;
             b.addEntry(DirEntry(u"Workbook", DirEntry::kStorage, kFreeSector));
             return b.build();
         },
         "Xls::read(): workbook section is not found"},
        {"stream of 4 GB or more in version 4",
         [&] {
             CfbBuilder b(12);
             std::size_t i = b.addStream(u"Workbook", big);
             b.dir[i].size = 0x100000000ull;
             return b.build();
         },
         "Xls::read(): workbook stream size is too big"},
        {"stream without sectors",
         [&] {
             CfbBuilder b;
             b.addStream(u"Workbook", Bytes());
             return b.build();
         },
         "Xls::read(): workbook stream is empty"},
        {"a stream that ends mid-record",
         [] {
             CfbBuilder b;
             std::size_t i = b.addStream(u"Workbook", test::cat(test::rec(0x0809, Bytes(16, 0)),
                                                                test::rec(0x00FC, Bytes(8000, 1))));
             b.dir[i].size = 5000;
             return b.build();
         },
         "read error: record 0x00FC runs past the end of the stream"},
        {"a file cut inside the FAT",
         [&] {
             CfbBuilder b;
             Bytes f = plain(b);
             f.resize(sectorOffset(b, b.firstFatSector) + 100);
             return f;
         },
         "Xls::read(): sector #19 is cut by the end of the file"},
    };
    for (const auto& c : cases) EXPECT_EQ(readError(c.file()), c.message) << c.name;
}

TEST(XlsWrite, LaysOutAShortStream)
{
    Xls x;
    x.create();
    Bytes records = test::rec(0x00FC, pattern(2996));  // 3000 bytes of stream
    x.output().writeBytes(records.data(), records.size());
    EXPECT_EQ(x.writePosition(), 3000u);
    Bytes f = x.write();

    ByteReader r(f);
    Xls::Header h;
    h.read(r);
    EXPECT_EQ(h.numFatSectors, 3u) << "F1 = 1, F2 = 1, plus 1";
    EXPECT_EQ(h.numDifatSectors, 0u);
    EXPECT_EQ(h.firstDirSector, 8u + 3u);
    EXPECT_EQ(h.difat[0], 8u);
    EXPECT_EQ(h.difat[2], 10u);
    EXPECT_EQ(h.difat[3], kFreeSector);
    EXPECT_EQ(f.size(), 512u * (1 + 8 + 3 + 1));
    // The first stream byte lands at offset 512.
    EXPECT_TRUE(std::equal(records.begin(), records.end(), f.begin() + 512));

    Xls y;
    y.read(f);
    const DirEntry& e = y.directory()[y.workbookEntry()];
    EXPECT_EQ(e.size, 4096u);
    EXPECT_EQ(e.startSector, 0u);
    Bytes expected = records;
    expected.resize(4096, 0);
    EXPECT_TRUE(y.input().bytes() == expected);
    EXPECT_EQ(y.directory()[0].name(), u"Root Entry");
    EXPECT_EQ(y.directory()[0].child, 1u);
}

TEST(XlsWrite, EmptyDocumentHasAnEmptyWorkbookEntry)
{
    Xls x;
    Bytes f = x.write();
    EXPECT_EQ(readError(f), "Xls::read(): workbook stream is empty");
}

TEST(XlsWrite, FatAlwaysMapsEveryWrittenSector)
{
    auto check = [](std::uint64_t s) {
        Xls::Layout l = Xls::layout(s, 2);
        std::uint64_t used = s + l.dirSectors + l.fatSectors + l.difatSectors;
        EXPECT_GE(l.fatSectors * 128, used) << "stream sectors " << s;
        std::uint64_t x = l.fatSectors <= 109 ? 0 : (l.fatSectors - 109 + 126) / 127;
        EXPECT_EQ(l.difatSectors, x) << "stream sectors " << s;
    };
    // Around the sizes where the first estimate falls short (about 512 MB)
    // and a spread of others.
    for (std::uint64_t s = 1048000; s < 1049500; ++s) check(s);
    for (std::uint64_t s = 0; s < 4000000; s += 997) check(s);
    EXPECT_EQ(Xls::layout(8, 2).fatSectors, 3u);
    EXPECT_EQ(Xls::layout(8, 2).dirSectors, 1u);
}

TEST(DirEntry, RefusesLongNames)
{
    EXPECT_NO_THROW(DirEntry(std::u16string(31, u'a'), DirEntry::kStream, kFreeSector));
    try {
        DirEntry(std::u16string(32, u'a'), DirEntry::kStream, kFreeSector);
        ADD_FAILURE() << "no error";
    } catch (const xlerror& e) {
        EXPECT_STREQ(e.what(), "DirEntry::DirEntry(): newName is too big (length must be less 32)");
    }
}

// The independent compound-document reader lists exactly one "Workbook"
// stream of the written size with our bytes.
TEST(XlsWrite, IndependentReaderListsTheWorkbook)
{
    struct Size {
        const char* name;
        std::size_t bytes;
        std::size_t streamSize;
    };
    const Size sizes[] = {{"short stream", 3000, 4096}, {"DIFAT sectors", 7400000, 7400000}};
    for (const auto& sz : sizes) {
        SCOPED_TRACE(sz.name);
        Xls x;
        Bytes data = pattern(sz.bytes, 11);
        x.output().writeBytes(data.data(), data.size());
        Bytes f = x.write();
        if (sz.bytes > 4096) {
            Xls::Header h;
            ByteReader r(f);
            h.read(r);
            EXPECT_GT(h.numDifatSectors, 0u);
        }
        data.resize(sz.streamSize, 0);
        const std::string dir = test::processTempDir();
        const std::string file = dir + "celvo_cfb.xls", expect = dir + "celvo_cfb.bin";
        std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(f.data()), f.size());
        std::ofstream(expect, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), data.size());
        const std::string script =
            "import olefile,sys\n"
            "o=olefile.OleFileIO(sys.argv[1])\n"
            "print(o.listdir(streams=True,storages=True), o.get_size('Workbook'),"
            " o.openstream('Workbook').read()==open(sys.argv[2],'rb').read())\n";
        const std::string py = dir + "celvo_cfb.py";
        std::ofstream(py) << script;
        std::string cmd = test::systemPython() + " " + py + " " + file + " " + expect + " 2>&1";
        FILE* p = popen(cmd.c_str(), "r");
        ASSERT_NE(p, nullptr);
        std::string outText;
        char buf[256];
        while (fgets(buf, sizeof buf, p)) outText += buf;
        pclose(p);
        EXPECT_EQ(outText, "[['Workbook']] " + std::to_string(sz.streamSize) + " True\n");

        Xls y;
        y.read(f);
        EXPECT_TRUE(y.input().bytes() == data);
    }
}

// Every .xls of the corpus: where the independent reader finds a workbook
// stream we read the same bytes; where it refuses the file we fail cleanly
// or read it, but never crash.
TEST(XlsRead, CorpusMatchesTheIndependentReader)
{
    CELVO_REQUIRE_CORPUS();
    const std::string folder = test::corpusDir() + "/xls";
    const std::string out = test::processTempDir() + "celvo_corpus_streams";
    ASSERT_EQ(test::runOutside("mkdir -p " + out).status, 0);
    std::string listing;
    CELVO_ASSERT_CHECKER(test::pythonScript(CELVO_XLS_TEST_DIR "/olefile_workbook.py", folder + " " + out), listing);
    // Files broken on purpose may be refused even where the reference is
    // lenient.
    std::set<std::string> broken;
    {
        std::ifstream manifest(test::corpusDir() + "/MANIFEST.tsv");
        for (std::string l; std::getline(manifest, l);)
            if (l.rfind("xls/", 0) == 0 && l.find("BROKEN-ON-PURPOSE") != std::string::npos)
                broken.insert(l.substr(4, l.find('\t') - 4));
    }
    int matched = 0;
    std::istringstream lines(listing);
    for (std::string l; std::getline(lines, l);) {
        std::string name, status;
        {
            auto sp = l.find(' ');
            name = l.substr(0, sp);
            status = l.substr(sp + 1, l.find_first_of(" \n", sp + 1) - sp - 1);
        }
        SCOPED_TRACE(name);
        Bytes file;
        ASSERT_TRUE(readWholeFile(folder + "/" + name, file));
        Xls x;
        std::string error;
        try {
            x.read(file);
        } catch (const xlerror& e) {
            error = e.what();
        }
        if (status != "OK") continue;  // refused by the reference: any clean outcome
        if (broken.count(name) && !error.empty()) continue;
        EXPECT_EQ(error, "");
        Bytes expected;
        ASSERT_TRUE(readWholeFile(out + "/" + name + ".bin", expected));
        EXPECT_TRUE(x.input().bytes() == expected) << "ours " << x.input().bytes().size() << " bytes, reference "
                                                   << expected.size();
        ++matched;
    }
    EXPECT_GT(matched, 0) << "the reference read no file";
}

// A minimal workbook (globals and one sheet) written through the container,
// with filler records that make the stream as long as the case asks, opens
// in xlrd, which follows the sheet offsets and checks that no sector is used
// twice.
TEST(XlsWrite, XlrdOpensAMinimalWorkbook)
{
    for (std::size_t filler : {std::size_t(0), std::size_t(300), std::size_t(1000)}) {
        SCOPED_TRACE(filler);
        Xls x;
        BiffOutput& out = x.output();
        Bof globals;
        globals.write(out);
        const Bytes blank(8000, 0);
        for (std::size_t i = 0; i < filler; ++i) out.writeRecord(0x00EF, blank);  // skipped by readers
        // BOUNDSHEET: sheet offset (patched below), visible worksheet, name.
        out.writeRecordHeader(0x0085, 4 + 2 + 2 + 6);
        const std::size_t offsetAt = out.writePosition();
        out.write32(0);
        out.write16(0);
        const Bytes name{6, 0, 'S', 'h', 'e', 'e', 't', '1'};
        out.writeBytes(name.data(), name.size());
        out.writeRecord(0x000A, nullptr, 0);
        out.patch32(offsetAt, static_cast<std::uint32_t>(out.writePosition()));
        Bof sheet;
        sheet.type = Bof::kWorksheet;
        sheet.write(out);
        out.writeRecord(0x000A, nullptr, 0);
        Bytes f = x.write();

        const std::string dir = test::processTempDir();
        const std::string file = dir + "celvo_minimal.xls", py = dir + "celvo_minimal.py";
        std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(f.data()), f.size());
        std::ofstream(py) << "import xlrd,sys\n"
                             "b=xlrd.open_workbook(sys.argv[1],on_demand=False)\n"
                             "print(b.nsheets, b.sheet_names()[0], b.sheet_by_index(0).nrows)\n";
        std::string cmd = test::systemPython() + " " + py + " " + file + " 2>&1";
        FILE* p = popen(cmd.c_str(), "r");
        ASSERT_NE(p, nullptr);
        std::string text;
        char buf[512];
        while (fgets(buf, sizeof buf, p)) text += buf;
        pclose(p);
        EXPECT_EQ(text, "1 Sheet1 0\n");
    }
}

}  // namespace
}  // namespace celvo
