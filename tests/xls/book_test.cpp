// The .xls book: its sheet list, active sheet, dates, loading and saving.
#include "test_support.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "book.h"
#include "celvo/factory.h"
#include "sheet.h"
#include "xls.h"
#include "book_test_util.h"

namespace celvo {
namespace {

using test::BookHolder;
using test::Bytes;
using test::cat;
using test::rec;

std::string msg(BookImplT* b) { return b->errorMessage(); }

std::vector<std::string> sheetNames(IBookT* b)
{
    std::vector<std::string> names;
    for (int i = 0; i < b->sheetCount(); ++i) names.push_back(utf16ToUtf8(u16(b->sheet(i)->name())));
    return names;
}

TEST(Book, FactoryMakesAnXlsBook)
{
    IBookT* b = createXlsBook();
    ASSERT_NE(b, nullptr);
    EXPECT_STREQ(b->errorMessage(), "ok");
    EXPECT_EQ(b->biffVersion(), 0x0600);
    b->release();
}

TEST(BookSheets, AddInsertFindAndRefuse)
{
    BookHolder book;
    struct Case {
        const char* what;
        int index;  // -1: addSheet
        u16string name;
        bool made;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"first", -1, u"One", true, "ok"},
        {"second", -1, u"Two", true, "ok"},
        {"a name that differs only in letter case", -1, u"oNE", false, "book already contains such sheet name"},
        {"a non-ASCII name in another letter case", -1, u"Ärger", true, "ok"},
        {"the same name in the other case", -1, u"äRGER", false, "book already contains such sheet name"},
        {"inserted at the front", 0, u"Zero", true, "ok"},
        {"beyond the end", 9, u"Far", false, "index is out of range"},
        {"a negative index", -2, u"Neg", false, "index is out of range"},
        {"40 characters are cut to 31", -1, u"abcdefghijabcdefghijabcdefghijabcdefghij", true,
         "warning: sheet's name is cut to 31 characters"},
        {"a character outside the BMP", -1, u"Smile \U0001F600", true, "ok"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ISheetT* s = c.index == -1 ? book->addSheet(c.name.c_str(), nullptr)
                                   : book->insertSheet(c.index == -2 ? -1 : c.index, c.name.c_str(), nullptr);
        EXPECT_EQ(s != nullptr, c.made);
        EXPECT_EQ(msg(book.book), c.message);
    }
    EXPECT_EQ(sheetNames(book.book), std::vector<std::string>({"Zero", "One", "Two", "Ärger",
                                                               "abcdefghijabcdefghijabcdefghija",
                                                               "Smile \xF0\x9F\x98\x80"}));
    EXPECT_EQ(book->boundSheets().size(), 6u);
    EXPECT_EQ(book->sheet(6), nullptr);
    EXPECT_EQ(msg(book.book), "index is out of range");
    EXPECT_EQ(book->sheetCount(), 6);
    EXPECT_EQ(msg(book.book), "ok");

    // A cut never splits a character outside the BMP.
    u16string name(30, u'x');
    name += u"\U0001F600";
    ISheetT* s = book->addSheet(name.c_str(), nullptr);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(u16(s->name()), u16string(30, u'x'));
    EXPECT_EQ(msg(book.book), "warning: sheet's name is cut to 31 characters");

    // Copies: only of a sheet of this book.
    ASSERT_TRUE(book->sheet(1)->writeNumber(2, 3, 4.5, nullptr));
    ISheetT* copy = book->addSheet(u"Copy", book->sheet(1));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->readNumber(2, 3, nullptr), 4.5);
    BookHolder other;
    ISheetT* foreign = other->addSheet(u"F", nullptr);
    EXPECT_EQ(book->addSheet(u"Foreign", foreign), nullptr);
    EXPECT_EQ(msg(book.book), "initSheet belongs to another book");
}

TEST(BookSheets, ActiveSheetFollowsInsertAndDelete)
{
    BookHolder book;
    for (const char16_t* n : {u"A", u"B", u"C"}) book->addSheet(n, nullptr);
    EXPECT_EQ(book->activeSheetNumber(), 0);
    book->setActiveSheetNumber(2);
    EXPECT_EQ(msg(book.book), "ok");
    book->insertSheet(0, u"Front", nullptr);
    EXPECT_EQ(book->activeSheetNumber(), 3) << "the same sheet stays active";
    book->setActiveSheetNumber(4);
    EXPECT_EQ(msg(book.book), "index is out of range");
    EXPECT_EQ(book->activeSheetNumber(), 3);

    struct Case {
        const char* what;
        int remove;
        bool ok;
        std::string message;
        std::vector<std::string> names;
        int active;
    };
    const std::vector<Case> cases = {
        {"out of range", 4, false, "index is out of range", {"Front", "A", "B", "C"}, 3},
        {"the active last sheet: the new last one is active", 3, true, "ok", {"Front", "A", "B"}, 2},
        {"a sheet before the active one keeps the active index", 0, true, "ok", {"A", "B"}, 1},
        {"the active last of two", 1, true, "ok", {"A"}, 0},
        {"the last sheet stays", 0, false, "can't remove the last sheet in workbook", {"A"}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(book->deleteSheet(c.remove), c.ok);
        EXPECT_EQ(msg(book.book), c.message);
        EXPECT_EQ(sheetNames(book.book), c.names);
        EXPECT_EQ(book->activeSheetNumber(), c.active);
        EXPECT_EQ(book->boundSheets().size(), static_cast<std::size_t>(book->sheetCount()));
    }
}

TEST(BookSheets, DeletingRenumbersNamesAndHiddenSheetsMoveTheActiveOne)
{
    BookHolder book;
    for (const char16_t* n : {u"A", u"B", u"C"}) book->addSheet(n, nullptr);
    for (int itab : {0, 1, 2, 3, 2}) {
        Lbl n;
        n.itab = static_cast<std::uint16_t>(itab);
        book->names().push_back(n);
    }
    ISheetT* b = book->sheet(1);
    EXPECT_TRUE(book->deleteSheet(1));
    std::vector<int> itabs;
    for (const Lbl& n : book->names()) itabs.push_back(n.itab);
    EXPECT_EQ(itabs, std::vector<int>({0, 1, 2})) << "names of sheet B go, names of C move down";
    // The deleted sheet's object stays usable, detached from the book.
    EXPECT_EQ(u16(b->name()), u"B");
    EXPECT_EQ(b->hidden(), 0);
    EXPECT_FALSE(b->setHidden(1));
    EXPECT_EQ(msg(book.book), "book not found");

    // Hiding the active sheet makes the next visible one active.
    book->setActiveSheetNumber(0);
    EXPECT_TRUE(book->sheet(0)->setHidden(1));
    EXPECT_EQ(book->activeSheetNumber(), 1);
    EXPECT_EQ(book->window1().itabFirst, 1);
    EXPECT_EQ(book->sheet(0)->hidden(), 1);
    EXPECT_FALSE(book->sheet(0)->setHidden(3));
    EXPECT_EQ(book->visibleSheetCount(), 1);
}

TEST(BookDates, PackAndUnpack)
{
    BookHolder book;
    struct PackCase {
        int y, mo, d, h, mi, s, ms;
        double serial;
    };
    // The 1900 system counts 1900-02-29: serial 1 is 1900-01-01, 60 the day
    // that never was, 61 is 1900-03-01.
    const std::vector<PackCase> pack = {
        {1900, 1, 1, 0, 0, 0, 0, 1.0},      {1900, 2, 28, 0, 0, 0, 0, 59.0},  {1900, 2, 29, 0, 0, 0, 0, 60.0},
        {1900, 3, 1, 0, 0, 0, 0, 61.0},     {2000, 1, 1, 12, 0, 0, 0, 36526.5}, {0, 0, 0, 6, 0, 0, 0, 0.25},
        {2024, 2, 29, 0, 0, 0, 0, 45351.0}, {1900, 1, 1, 0, 0, 0, 5, 1.0 + 0.5 / 86400.0},
        {9999, 12, 31, 0, 0, 0, 0, 2958465.0},
    };
    for (const auto& c : pack) {
        SCOPED_TRACE(std::to_string(c.y) + "-" + std::to_string(c.mo) + "-" + std::to_string(c.d));
        EXPECT_DOUBLE_EQ(book->packedDate(c.y, c.mo, c.d, c.h, c.mi, c.s, c.ms), c.serial);
    }

    struct UnpackCase {
        double serial;
        bool ok;
        std::vector<int> parts;
    };
    const std::vector<UnpackCase> unpack = {
        {1.0, true, {1900, 1, 1, 0, 0, 0, 0}},     {59.0, true, {1900, 2, 28, 0, 0, 0, 0}},
        {60.0, true, {1900, 2, 29, 0, 0, 0, 0}},   {61.0, true, {1900, 3, 1, 0, 0, 0, 0}},
        {36526.5, true, {2000, 1, 1, 12, 0, 0, 0}}, {0.5, true, {0, 0, 0, 12, 0, 0, 0}},
        {45351.75, true, {2024, 2, 29, 18, 0, 0, 0}}, {1.0 + 0.5 / 86400.0, true, {1900, 1, 1, 0, 0, 0, 5}},
        {2958465.0, true, {9999, 12, 31, 0, 0, 0, 0}}, {2958466.0, false, {}}, {-657435.0, false, {}},
        {-0.1, false, {}}, {std::nan(""), false, {}}, {INFINITY, false, {}}, {-INFINITY, false, {}},
        // Rounded to the tenth before it is split: no 59.9999 seconds.
        {36526.0 + 3394.0 / 864000.0, true, {2000, 1, 1, 0, 5, 39, 4}},
        {2958465.99996, true, {9999, 12, 31, 23, 59, 56, 5}},
        {2958465.99999999, false, {}},  // rounds up into the year 10000
    };
    for (const auto& c : unpack) {
        SCOPED_TRACE(c.serial);
        std::vector<int> p(7, -1);
        book->setRgbMode(false);  // the message is "ok" before
        EXPECT_EQ(book->unpackedDate(c.serial, &p[0], &p[1], &p[2], &p[3], &p[4], &p[5], &p[6]), c.ok);
        if (c.ok) {
            EXPECT_EQ(p, c.parts);
            EXPECT_EQ(msg(book.book), "ok");
        } else {
            EXPECT_EQ(p, std::vector<int>(7, -1)) << "nothing written";
            EXPECT_EQ(msg(book.book), "serial date is out of range");
        }
    }

    // The 1904 system: serial 0 is 1904-01-01.
    book->setDate1904(true);
    EXPECT_DOUBLE_EQ(book->packedDate(1904, 1, 1, 0, 0, 0, 0), 0.0);
    EXPECT_DOUBLE_EQ(book->packedDate(2000, 1, 1, 0, 0, 0, 0), 35064.0);
    std::vector<int> p(7, -1);
    EXPECT_TRUE(book->unpackedDate(0.0, &p[0], &p[1], &p[2], &p[3], &p[4], &p[5], &p[6]));
    EXPECT_EQ(p, std::vector<int>({1904, 1, 1, 0, 0, 0, 0}));
    EXPECT_TRUE(book->unpackedDate(35064.25, &p[0], &p[1], &p[2], nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(std::vector<int>(p.begin(), p.begin() + 3), std::vector<int>({2000, 1, 1}));
    EXPECT_TRUE(book->unpackedDate(2957003.5, &p[0], &p[1], &p[2], nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(std::vector<int>(p.begin(), p.begin() + 3), std::vector<int>({9999, 12, 31}));
    EXPECT_FALSE(book->unpackedDate(2957004.0, &p[0], &p[1], &p[2], nullptr, nullptr, nullptr, nullptr));
}

TEST(BookModes, MessagesOfTheSmallOperations)
{
    BookHolder book;
    EXPECT_FALSE(book->refR1C1());
    book->addSheet(u"S", nullptr);
    book->setRefR1C1(true);
    EXPECT_TRUE(book->refR1C1());
    EXPECT_TRUE(static_cast<SheetImplT*>(book->addSheet(u"T", nullptr))->r1c1());
    book->setRgbMode(true);
    EXPECT_TRUE(book->rgbMode());
    EXPECT_FALSE(book->setLocale("xx_NO.SUCH-LOCALE"));
    EXPECT_EQ(msg(book.book), "setlocale error");
    EXPECT_TRUE(book->setLocale("C"));
    EXPECT_EQ(msg(book.book), "ok");
}

// ---- saving and loading ---------------------------------------------------

Bytes saveToBytes(BookImplT* book)
{
    const char* data = nullptr;
    unsigned size = 0;
    EXPECT_TRUE(book->saveToMemory(&data, &size)) << book->errorMessage();
    return Bytes(reinterpret_cast<const std::uint8_t*>(data), reinterpret_cast<const std::uint8_t*>(data) + size);
}

bool loadBytes(BookImplT* book, const Bytes& file)
{
    return book->loadFromMemory(reinterpret_cast<const char*>(file.data()), static_cast<unsigned>(file.size()));
}

TEST(BookFiles, SavedBookLoadsBackWithItsContent)
{
    BookHolder book;
    for (const char16_t* n : {u"First", u"Second \U0001F600", u"Third"}) book->addSheet(n, nullptr);
    book->sheet(1)->setHidden(1);
    book->setActiveSheetNumber(2);
    EXPECT_EQ(book->addCustomNumFormat(u"0.000"), 164);
    IFormatT* f = book->addFormat(nullptr);
    f->setNumFormat(164);
    book->sst().addString(u"shared");
    book->packColor(1, 2, 3);
    book->sheet(0)->setName(u"Renamed");
    const Bytes file = saveToBytes(book.book);

    BookHolder back;
    ASSERT_TRUE(loadBytes(back.book, file)) << back->errorMessage();
    EXPECT_EQ(sheetNames(back.book), std::vector<std::string>({"Renamed", "Second \xF0\x9F\x98\x80", "Third"}));
    EXPECT_EQ(back->sheet(1)->hidden(), 1);
    EXPECT_EQ(back->activeSheetNumber(), 2);
    EXPECT_EQ(back->formatCount(), 22);
    EXPECT_EQ(back->fontCount(), 5);
    EXPECT_EQ(u16(back->customNumFormat(164)), u"0.000");
    EXPECT_EQ(back->addCustomNumFormat(u"new"), 165);
    EXPECT_EQ(back->format(21)->numFormat(), 164);
    EXPECT_EQ(back->sst().size(), 1u);
    int r = 0, g = 0, b = 0;
    back->unpackColor(8, &r, &g, &b);
    EXPECT_EQ(r + g + b, 6) << "the changed palette is saved";

    // Each BOUNDSHEET8 offset names its sheet's BOF; the sheets pass through.
    const Bytes again = saveToBytes(back.book);
    EXPECT_EQ(again, saveToBytes(back.book)) << "saving twice gives the same file";
    Xls xls;
    xls.read(again);
    const Bytes& stream = xls.input().bytes();
    BookHolder third;
    ASSERT_TRUE(loadBytes(third.book, again));
    for (const BoundSheet8& e : third->boundSheets()) {
        ASSERT_LT(e.lbPlyPos + 4u, stream.size());
        EXPECT_EQ(getU16(stream.data() + e.lbPlyPos), 0x0809);
    }
}

TEST(BookFiles, LoadedBookHoldsOnlyTheFilesFormats)
{
    // A workbook stream made by hand: two fonts, five XFs, no STYLE.
    auto font = [](const char* name) {
        Bytes d = {0xC8, 0, 0, 0, 0xFF, 0x7F, 0x90, 1, 0, 0, 0, 0, 0, 0, static_cast<std::uint8_t>(std::strlen(name)), 0};
        for (const char* p = name; *p; ++p) d.push_back(static_cast<std::uint8_t>(*p));
        return rec(0x31, d);
    };
    Bytes xf = rec(0xE0, Bytes(20, 0));
    const Bytes head = cat(rec(0x809, {0, 6, 5, 0}), font("Arial"), font("Tahoma"), xf, xf, xf, xf, xf,
                           rec(0x41E, {0xA4, 0, 1, 0, 0, 'a'}), rec(0x41E, {0xA6, 0, 1, 0, 0, 'b'}));
    Bytes boundSheet = rec(0x85, {0, 0, 0, 0, 0, 0, 1, 0, 'S'});
    const Bytes tail = cat(rec(0x00AB, {1, 2, 3}), rec(0x0A, {}));
    putU32(boundSheet.data() + 4, static_cast<std::uint32_t>(head.size() + boundSheet.size() + tail.size()));
    const Bytes globals = cat(head, boundSheet, tail);
    const Bytes sheet = cat(rec(0x809, {0, 6, 0x10, 0}), rec(0x0000, {}), rec(0x0200, Bytes(14, 0)), rec(0x0A, {}));
    const Bytes file = test::xlsFile(cat(globals, sheet));

    BookHolder book;
    ASSERT_TRUE(loadBytes(book.book, file)) << book->errorMessage();
    EXPECT_EQ(book->fontCount(), 2) << book->errorMessage();
    EXPECT_EQ(book->formatCount(), 5);
    EXPECT_EQ(book->styles().size(), 0u);
    EXPECT_EQ(book->addCustomNumFormat(u"c"), 165);
    ASSERT_EQ(book->rawRecords().size(), 1u);
    EXPECT_EQ(book->rawRecords()[0].id, 0x00AB);
    EXPECT_EQ(sheetNames(book.book), std::vector<std::string>({"S"}));
    EXPECT_EQ(static_cast<SheetImplT*>(book->sheet(0))->rawRecords().size(), 1u) << "the record of id 0 is kept";

    // Saved: those records only, the unknown one kept.
    BookHolder back;
    ASSERT_TRUE(loadBytes(back.book, saveToBytes(book.book)));
    EXPECT_EQ(back->fontCount(), 2);
    EXPECT_EQ(back->formatCount(), 5);
    EXPECT_EQ(back->styles().size(), 0u);
    ASSERT_EQ(back->rawRecords().size(), 1u);
    EXPECT_EQ(back->rawRecords()[0].data, Bytes({1, 2, 3}));
}

// A file whose globals hold the given records after the BOF.
Bytes fileWith(const Bytes& records, std::uint16_t version = 0x0600)
{
    Bytes globals = cat(rec(0x809, {static_cast<std::uint8_t>(version), static_cast<std::uint8_t>(version >> 8), 5, 0}),
                        records, rec(0x0A, {}));
    return test::xlsFile(globals);
}

TEST(BookFiles, FailedLoadsGiveTheirMessageAndAUsableBook)
{
    struct Case {
        const char* what;
        Bytes file;
        std::string message;
    };
    const Bytes good = fileWith({});
    // Globals of 25 bytes naming one sheet right after them, then the sheet
    // with one cell and no EOF record.
    const Bytes cutSheet = test::xlsFile(
        cat(rec(0x809, {0, 6, 5, 0}), rec(0x85, {25, 0, 0, 0, 0, 0, 1, 0, 'S'}), rec(0x0A, {}),
            rec(0x809, {0, 6, 0x10, 0}), rec(0x203, {0, 0, 0, 0, 15, 0, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F})));
    const std::vector<Case> cases = {
        // (4096 bytes: the container writes shorter streams padded with zeros)
        {"a stream that ends inside the globals", test::xlsFile(cat(rec(0x809, {0, 6, 5, 0}), rec(0x862, Bytes(4084, 1)))),
         "read error: the workbook stream ends inside the workbook globals (no EOF record)"},
        {"a stream that ends inside a sheet", cutSheet,
         "read error: the workbook stream ends inside a sheet (no EOF record)"},
        {"an encrypted workbook", fileWith(rec(0x2F, {0, 0})), "workbook is encrypted"},
        {"a record id of 0", fileWith(rec(0x00, {1})), "read error: record id can't be 0"},
        {"an unknown BIFF version", fileWith({}, 0x0400), "This file format isn't supported"},
        {"a non-empty INTERFACEEND", fileWith(rec(0xE2, {1})), "InterfaceEnd size is incorrect"},
        {"a non-empty EXCEL9FILE", fileWith(rec(0x1C0, {1})), "Excel9File size is incorrect"},
        {"a short WINDOW1", fileWith(rec(0x3D, {1, 2})), "Window1 size is incorrect"},
        {"an SST of 7 bytes", fileWith(rec(0xFC, Bytes(7, 0))), "SST size is incorrect"},
        {"a malformed XF", fileWith(rec(0xE0, Bytes(21, 0))), "XF size is incorrect"},
        {"not a compound document", Bytes(600, 0x41), "invalid file format"},
        {"a truncated file", Bytes(good.begin(), good.begin() + 700), ""},
        {"nothing", Bytes(), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        BookHolder book;
        book->addSheet(u"Before", nullptr);
        EXPECT_FALSE(loadBytes(book.book, c.file));
        if (!c.message.empty()) {
            EXPECT_EQ(msg(book.book), c.message);
        } else {
            EXPECT_NE(msg(book.book), "ok");
        }
        // The book is the one it was, consistent and usable.
        ASSERT_EQ(book->sheetCount(), 1);
        EXPECT_EQ(u16(book->sheet(0)->name()), u"Before");
        EXPECT_EQ(book->boundSheets().size(), static_cast<std::size_t>(book->sheetCount()));
        EXPECT_NE(book->addSheet(u"After", nullptr), nullptr) << book->errorMessage();
        const char* data = nullptr;
        unsigned size = 0;
        EXPECT_TRUE(book->saveToMemory(&data, &size)) << book->errorMessage();
    }
}

TEST(BookFiles, FailedLoadFromAFileLeavesTheBookAsItWas)
{
    const std::string dir = test::processTempDir();
    const std::string encrypted = dir + "/celvo_encrypted.xls";
    const Bytes file = fileWith(rec(0x2F, {0, 0}));
    std::ofstream(encrypted, std::ios::binary).write(reinterpret_cast<const char*>(file.data()),
                                                     static_cast<std::streamsize>(file.size()));
    const std::string truncated = dir + "/celvo_truncated.xls";
    std::ofstream(truncated, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), 100);
    struct Case {
        const char* what;
        std::string path;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"a missing file", dir + "/celvo_no_such_file.xls", "can't open file for reading"},
        {"a directory", dir, "can't open file for reading"},
        {"an encrypted workbook", encrypted, "workbook is encrypted"},
        {"a truncated file", truncated, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        BookHolder book;
        ISheetT* before = book->addSheet(u"Before", nullptr);
        ASSERT_TRUE(before->writeNumber(0, 0, 2.5, nullptr));
        IFormatT* format = book->addFormat(nullptr);
        EXPECT_FALSE(book->load(utf8ToUtf16(c.path).c_str()));
        if (!c.message.empty()) {
            EXPECT_EQ(msg(book.book), c.message);
        }
        // The sheets, formats and their objects are the ones the book had.
        EXPECT_EQ(book->sheetCount(), 1);
        EXPECT_EQ(book->sheet(0), before);
        EXPECT_EQ(before->readNumber(0, 0, nullptr), 2.5);
        EXPECT_EQ(book->formatCount(), 22);
        EXPECT_EQ(book->format(21), format);
        EXPECT_EQ(book->fontCount(), 5);
        EXPECT_EQ(book->styles().size(), 6u);
        EXPECT_NE(book->addSheet(u"After", nullptr), nullptr);
    }
    std::remove(encrypted.c_str());
    std::remove(truncated.c_str());
}

TEST(BookFiles, FailedSaveLeavesThePreviousFile)
{
    const std::string dir = test::processTempDir();
    const std::string path = dir + "/celvo_keep.xls";
    BookHolder book;
    book->addSheet(u"S", nullptr);
    ASSERT_TRUE(book->save(utf8ToUtf16(path).c_str())) << book->errorMessage();
    std::ifstream in(path, std::ios::binary);
    const Bytes before((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    // A format text that no record can hold makes the save fail.
    Format huge;
    huge.ifmt = 200;
    huge.text.assign(u16string(9000, u'x').c_str(), book->pool());
    book->numFormats().push_back(huge);
    EXPECT_FALSE(book->save(utf8ToUtf16(path).c_str()));
    EXPECT_EQ(msg(book.book), "record is too long") << msg(book.book);
    std::ifstream again(path, std::ios::binary);
    const Bytes after((std::istreambuf_iterator<char>(again)), std::istreambuf_iterator<char>());
    EXPECT_EQ(after, before);

    book->numFormats().pop_back();
    EXPECT_FALSE(book->save(utf8ToUtf16(dir + "/no/such/folder/x.xls").c_str()));
    EXPECT_EQ(msg(book.book), "can't open file for writing");
    std::remove(path.c_str());
}

TEST(BookFiles, Biff5BooksLoadAndAreNotSavedAsBiff8)
{
    // BIFF5 layouts: FORMAT with a byte count, BOUNDSHEET8 name without option byte.
    const Bytes globals = cat(rec(0x809, {0, 5, 5, 0, 0, 0, 0, 0}), rec(0x41E, {5, 0, 2, '#', '0'}),
                              rec(0x18, {0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 'N'}),
                              rec(0x293, {0x15, 0, 2, 'S', 't'}), rec(0x85, {0, 0, 0, 0, 0, 0, 2, 'O', 'k'}),
                              rec(0x0A, {}));
    const Bytes sheet = cat(rec(0x809, {0, 5, 0x10, 0, 0, 0, 0, 0}), rec(0x0A, {}));
    const Bytes file = test::xlsFile(cat(globals, sheet));
    BookHolder book;
    ASSERT_TRUE(loadBytes(book.book, file)) << book->errorMessage();
    EXPECT_EQ(book->biffVersion(), 0x0500);
    EXPECT_EQ(sheetNames(book.book), std::vector<std::string>({"Ok"}));
    EXPECT_EQ(u16(book->customNumFormat(5)), u"#0");
    EXPECT_EQ(book->styles().at(0).styleName.view(), u"St");
    ASSERT_EQ(book->rawRecords().size(), 1u) << "the older NAME layout is kept as it is";
    EXPECT_EQ(book->rawRecords()[0].id, 0x18);
    const char* data = nullptr;
    unsigned size = 0;
    EXPECT_FALSE(book->saveToMemory(&data, &size));
    EXPECT_EQ(msg(book.book), "a BIFF5 workbook can't be saved as BIFF8");
}

}  // namespace
}  // namespace celvo
