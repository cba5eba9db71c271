// Saving a loaded book keeps every other stream and storage of its compound
// document: embedded objects, macros, property sets.
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>

#include "book_test_util.h"
#include "celvo/file.h"
#include "cfb_builder.h"
#include "test_support.h"

namespace celvo {
namespace {

using test::Bytes;
using test::CfbBuilder;

// The workbook stream of a new book with one sheet.
Bytes workbookStream()
{
    test::BookHolder b;
    b->addSheet(u"Data", nullptr);
    const char* data = nullptr;
    unsigned size = 0;
    EXPECT_TRUE(b->saveToMemory(&data, &size));
    Xls x;
    x.read(reinterpret_cast<const std::uint8_t*>(data), size);
    return x.input().bytes();
}

Bytes saveAfterLoad(const Bytes& file)
{
    test::BookHolder b;
    EXPECT_TRUE(b->loadFromMemory(reinterpret_cast<const char*>(file.data()), static_cast<unsigned>(file.size())))
        << b->errorMessage();
    const char* data = nullptr;
    unsigned size = 0;
    EXPECT_TRUE(b->saveToMemory(&data, &size)) << b->errorMessage();
    return Bytes(data, data + size);
}

// Every kept entry by its path, as our reader sees it.
std::map<std::u16string, const XlsStored::Entry*> byPath(const XlsStored& st)
{
    std::map<std::u16string, const XlsStored::Entry*> out;
    std::vector<std::u16string> paths;
    for (const auto& e : st.entries) {
        std::u16string p = e.parent == XlsStored::kNoParent ? u"" : paths[e.parent] + u"/";
        p += e.entry.name();
        paths.push_back(p);
        out[p] = &e;
    }
    return out;
}

bool nameBefore(const DirEntry& a, const DirEntry& b)
{
    const std::u16string x = a.name(), y = b.name();
    if (x.size() != y.size()) return x.size() < y.size();
    for (std::size_t i = 0; i < x.size(); ++i)
        if (toUpperUnit(x[i]) != toUpperUnit(y[i])) return toUpperUnit(x[i]) < toUpperUnit(y[i]);
    return false;
}

// Checks the tree below entry `top`: names in order, no red entry under a
// red one, the same number of black entries on every path; returns that
// number.
int checkTree(const std::vector<DirEntry>& dir, std::uint32_t i, bool parentRed, const DirEntry* lo,
              const DirEntry* hi)
{
    if (i == kFreeSector) return 0;
    EXPECT_LT(i, dir.size());
    if (i >= dir.size()) return 0;
    const DirEntry& e = dir[i];
    EXPECT_TRUE(!lo || nameBefore(*lo, e)) << "order";
    EXPECT_TRUE(!hi || nameBefore(e, *hi)) << "order";
    const bool red = e.color == 0;
    EXPECT_FALSE(red && parentRed) << "red under red";
    const int l = checkTree(dir, e.left, red, lo, &e), r = checkTree(dir, e.right, red, &e, hi);
    EXPECT_EQ(l, r) << "black height";
    if (e.type != DirEntry::kStream && e.child != kFreeSector) checkTree(dir, e.child, false, nullptr, nullptr);
    return l + (red ? 0 : 1);
}

std::string runCommand(const std::string& cmd)
{
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return "popen failed";
    std::string out;
    char buf[256];
    while (fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
    return out;
}

std::string olefileCompare(const Bytes& original, const Bytes& saved, const std::string& tag)
{
    const std::string dir = test::processTempDir();
    const std::string a = dir + tag + "_in.xls", b = dir + tag + "_out.xls";
    std::ofstream(a, std::ios::binary).write(reinterpret_cast<const char*>(original.data()), original.size());
    std::ofstream(b, std::ios::binary).write(reinterpret_cast<const char*>(saved.data()), saved.size());
    const test::CheckerRun r = test::runChecker(test::pythonScript(CELVO_XLS_TEST_DIR "/olefile_streams.py", a + " " + b));
    std::remove(a.c_str());
    std::remove(b.c_str());
    return r.passed() ? r.body : r.report();
}

DirEntry storage(u16view name, std::uint8_t clsFirst)
{
    DirEntry e(name, DirEntry::kStorage, kFreeSector);
    for (int i = 0; i < 16; ++i) e.classId[i] = static_cast<std::uint8_t>(clsFirst + i);
    e.stateBits = 0x11;
    e.created = 0x01D0000012345678ull;
    e.modified = 0x01D0000087654321ull;
    e.startSector = 0;
    return e;
}

// A stream inside storage `parent` (an index into b.dir).
void addInside(CfbBuilder& b, std::size_t parent, u16view name, const Bytes& data, bool mini)
{
    std::size_t i = b.addStream(name, data, mini, false);
    DirEntry& p = b.dir[parent];
    b.dir[i].right = p.child;  // a chain of right siblings, all black
    p.child = static_cast<std::uint32_t>(i);
}
std::size_t addStorageInside(CfbBuilder& b, std::size_t parent, const DirEntry& e)
{
    std::size_t i = b.addEntry(e, parent == 0);
    if (parent != 0) {
        b.dir[i].right = b.dir[parent].child;
        b.dir[parent].child = static_cast<std::uint32_t>(i);
    }
    return i;
}

struct Case {
    const char* name;
    unsigned shift;
    std::function<void(CfbBuilder&)> extras;
    std::vector<std::u16string> expected;  // kept paths (streams and storages)
};

TEST(XlsStored, SavedAfterLoadKeepsEveryEntry)
{
    const Bytes wb = workbookStream();
    const Case cases[] = {
        {"property sets in the mini stream", 9,
         [](CfbBuilder& b) {
             b.addStream(u"\x05SummaryInformation", test::pattern(300, 3), true);
             b.addStream(u"\x05" u"DocumentSummaryInformation", test::pattern(4095, 4), true);
             b.addStream(u"CompObj", Bytes(), true);
         },
         {u"\x05SummaryInformation", u"\x05" u"DocumentSummaryInformation", u"CompObj"}},
        {"embedded object storages", 9,
         [](CfbBuilder& b) {
             std::size_t s = addStorageInside(b, 0, storage(u"MBD0001A2B3", 0x10));
             addInside(b, s, u"\x01Ole", test::pattern(20, 5), true);
             addInside(b, s, u"CONTENTS", test::pattern(10000, 6), false);
             std::size_t inner = addStorageInside(b, s, storage(u"ObjectPool", 0x40));
             addInside(b, inner, u"\x03" u"EPRINT", test::pattern(4096, 7), false);
             b.addStream(u"Ctls", test::pattern(5000, 8), false);
         },
         {u"MBD0001A2B3", u"MBD0001A2B3/\x01Ole", u"MBD0001A2B3/CONTENTS", u"MBD0001A2B3/ObjectPool",
          u"MBD0001A2B3/ObjectPool/\x03" u"EPRINT", u"Ctls"}},
        {"macros in 4096-byte sectors, many entries", 12,
         [](CfbBuilder& b) {
             std::size_t vba = addStorageInside(b, 0, storage(u"_VBA_PROJECT_CUR", 0x20));
             addInside(b, vba, u"PROJECT", test::pattern(600, 9), true);
             std::size_t mods = addStorageInside(b, vba, storage(u"VBA", 0x30));
             for (int k = 0; k < 12; ++k) {
                 std::u16string n = u"Module";
                 n += static_cast<char16_t>(u'a' + k);
                 addInside(b, mods, n, test::pattern(100 + 700 * k, 10 + k), 100 + 700 * k < 4096);
             }
         },
         [] {
             std::vector<std::u16string> p{u"_VBA_PROJECT_CUR", u"_VBA_PROJECT_CUR/PROJECT", u"_VBA_PROJECT_CUR/VBA"};
             for (int k = 0; k < 12; ++k) p.push_back(std::u16string(u"_VBA_PROJECT_CUR/VBA/Module") + char16_t(u'a' + k));
             return p;
         }()},
        {"an older workbook stream beside the new one is dropped", 9,
         [](CfbBuilder& b) {
             b.addStream(u"Book", test::pattern(5000, 20), false);
             b.addStream(u"Extra", test::pattern(10, 21), true);
         },
         {u"Extra"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CfbBuilder b(c.shift);
        b.addStream(u"Workbook", wb, false);
        for (int i = 0; i < 16; ++i) b.dir[0].classId[i] = static_cast<std::uint8_t>(0xA0 + i);
        b.dir[0].modified = 0x01D0000055555555ull;
        c.extras(b);
        const Bytes original = b.build();
        Xls in;
        in.read(original);
        ASSERT_TRUE(in.stored());
        const Bytes saved = saveAfterLoad(original);

        Xls out;
        out.read(saved);
        ASSERT_TRUE(out.stored());
        auto before = byPath(*in.stored()), after = byPath(*out.stored());
        std::vector<std::u16string> paths;
        for (const auto& kv : after) paths.push_back(kv.first);
        std::vector<std::u16string> expected = c.expected;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(paths, expected);
        for (const auto& kv : after) {
            ASSERT_TRUE(before.count(kv.first));
            const DirEntry &x = before[kv.first]->entry, &y = kv.second->entry;
            EXPECT_EQ(kv.second->data, before[kv.first]->data);
            EXPECT_EQ(y.type, x.type);
            EXPECT_EQ(0, std::memcmp(x.classId, y.classId, 16));
            EXPECT_EQ(y.stateBits, x.stateBits);
            EXPECT_EQ(y.created, x.created);
            EXPECT_EQ(y.modified, x.modified);
        }
        EXPECT_EQ(0, std::memcmp(out.directory()[0].classId, b.dir[0].classId, 16));
        EXPECT_EQ(out.directory()[0].modified, b.dir[0].modified);
        checkTree(out.directory(), out.directory()[0].child, false, nullptr, nullptr);
        // Loading and saving the saved file again changes nothing.
        EXPECT_TRUE(saveAfterLoad(saved) == saved);
        EXPECT_EQ(olefileCompare(original, saved, "stored"), "same " + std::to_string(expected.size()) + "\n");
    }
}

TEST(XlsStored, NewBookWritesOnlyTheWorkbook)
{
    test::BookHolder b;
    b->addSheet(u"Data", nullptr);
    const char* data = nullptr;
    unsigned size = 0;
    ASSERT_TRUE(b->saveToMemory(&data, &size));
    Xls x;
    x.read(reinterpret_cast<const std::uint8_t*>(data), size);
    EXPECT_FALSE(x.stored());
    EXPECT_EQ(x.directory()[0].child, 1u);
    EXPECT_EQ(x.header().firstMiniFatSector, kEndOfChain);
}

// Entries sharing sectors, cycles in the tree and unreadable streams: the
// file still loads and only what can be read is kept, within the file's size.
TEST(XlsStored, DamagedEntriesAreNotKept)
{
    const Bytes wb = workbookStream();
    CfbBuilder b;
    b.addStream(u"Workbook", wb, false);
    std::size_t big = b.addStream(u"Big", test::pattern(6000, 1), false);
    // Twenty entries claiming the same sectors: their sizes exceed the file.
    for (int k = 0; k < 20; ++k) {
        DirEntry e = b.dir[big];
        e.nameUnits[3] = static_cast<char16_t>(u'A' + k);
        e.nameLength = 10;
        e.right = kFreeSector;
        b.addEntry(e);
    }
    DirEntry broken(u"Broken", DirEntry::kStream, kFreeSector);
    broken.startSector = 0xFFFF00;
    broken.size = 9000;
    b.addEntry(broken);
    std::size_t loop = b.addEntry(storage(u"Loop", 1));
    b.dir[loop].child = static_cast<std::uint32_t>(loop);  // the storage holds itself
    const Bytes file = b.build();
    Xls in;
    in.read(file);
    ASSERT_TRUE(in.stored());
    std::uint64_t total = 0;
    for (const auto& e : in.stored()->entries) total += e.data.size();
    EXPECT_LE(total, file.size());
    auto paths = byPath(*in.stored());
    EXPECT_TRUE(paths.count(u"Big"));
    EXPECT_TRUE(paths.count(u"Loop"));
    EXPECT_FALSE(paths.count(u"Broken"));
    const Bytes saved = saveAfterLoad(file);
    Xls out;
    out.read(saved);
    ASSERT_TRUE(out.stored());
    EXPECT_EQ(byPath(*out.stored()).size(), paths.size());
    checkTree(out.directory(), out.directory()[0].child, false, nullptr, nullptr);
}

TEST(XlsStored, CorpusFilesKeepTheirOtherStreams)
{
    CELVO_REQUIRE_CORPUS();
    const std::string tmp = test::processTempDir() + "stored_lo";
    ASSERT_EQ(runCommand("mkdir -p '" + tmp + "/in' '" + tmp + "/out' && echo ok"), "ok\n");
    for (const char* name : {"poi__ole2-embedding.xls", "poi__drawings.xls", "poi__59858.xls"}) {
        SCOPED_TRACE(name);
        const std::string path = test::corpusDir() + "/xls/" + name;
        std::ifstream f(path, std::ios::binary);
        ASSERT_TRUE(f) << path;
        const Bytes original((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        const Bytes saved = saveAfterLoad(original);
        const std::string result = olefileCompare(original, saved, "corpus");
        EXPECT_EQ(result.rfind("same ", 0), 0u) << result;
        std::printf("%s: %s", name, result.c_str());
        Xls out;
        out.read(saved);
        checkTree(out.directory(), out.directory()[0].child, false, nullptr, nullptr);
        ASSERT_TRUE(atomicWriteFile(tmp + "/in/" + name, original.data(), original.size()));
        ASSERT_TRUE(atomicWriteFile(tmp + "/out/" + name, saved.data(), saved.size()));
    }
    // LibreOffice shows the same embedded objects and pictures in the saved
    // files as in the originals.
    const std::string script = CELVO_XLS_TEST_DIR "/lo_embedded_objects.py";
    std::string before, after;
    CELVO_ASSERT_CHECKER(test::pythonScript(script, "'" + tmp + "/lo_in' '" + tmp + "/in'"), before);
    CELVO_ASSERT_CHECKER(test::pythonScript(script, "'" + tmp + "/lo_out' '" + tmp + "/out'"), after);
    EXPECT_EQ(after, before);
    std::printf("%s", after.c_str());
    runCommand("rm -rf '" + tmp + "'");
}

}  // namespace
}  // namespace celvo
