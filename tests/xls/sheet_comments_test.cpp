// Cell comments of .xls sheets: written with their author and box, read
// back, replaced, refused before anything is added, saved so that an
// independent reader finds text and author, and added to loaded workbooks
// inside their drawings with ids that repeat nowhere in the book.
#include "test_support.h"

#include <unistd.h>

#include <cstdio>
#include <algorithm>
#include <set>
#include <string>

#include "book.h"
#include "book_test_util.h"
#include "celvo/file.h"
#include "celvo/text.h"
#include "sheet.h"

namespace celvo {
namespace {

using test::BookHolder;
using Bytes = std::vector<std::uint8_t>;

SheetImplT* sheetOf(BookImplT* book, int i) { return static_cast<SheetImplT*>(book->sheet(i)); }

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

std::string comment(SheetImplT* sheet, int row, int col)
{
    const char16_t* text = sheet->readComment(row, col);
    return text ? utf16ToUtf8(text) : "<none>";
}

std::string run(const std::string& command)
{
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[4096];
        std::size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        pclose(p);
    }
    return out;
}

std::string tempDir()
{
    std::string dir = test::processTempDir() + "comments_" + std::to_string(getpid());
    run("mkdir -p '" + dir + "'");
    return dir;
}

// The comments of a saved book as python3-xlrd reads them: one line per
// comment, "sheet row col 'author' 'text'".
std::string notesByReader(const Bytes& file)
{
    const std::string path = tempDir() + "/notes.xls";
    EXPECT_TRUE(atomicWriteFile(path, file.data(), file.size()));
    const test::CheckerRun r =
        test::runChecker(test::pythonScript(CELVO_XLS_TEST_DIR "/officeart_notes.py", test::shellQuoted(path)));
    EXPECT_TRUE(test::checkerPassed(r));
    return r.body;
}

// Every OBJ id, shape id and drawing id of the book's sheets, each checked
// to appear once.
void expectUniqueIds(BookImplT* book)
{
    std::set<std::uint16_t> objects;
    std::set<std::uint32_t> shapes;
    std::set<unsigned> drawings;
    for (const auto& sheet : book->sheetList()) {
        const MsoDrawing& d = sheet->drawing();
        if (d.empty()) continue;
        EXPECT_TRUE(drawings.insert(d.drawingId()).second) << "drawing id " << d.drawingId();
        for (std::uint32_t spid : d.shapeIds()) EXPECT_TRUE(shapes.insert(spid).second) << "shape id " << spid;
        for (const ObjBase* o : d.objects()) {
            if (auto* obj = dynamic_cast<const Obj*>(o)) {
                EXPECT_TRUE(objects.insert(obj->id).second) << "object id " << obj->id;
            }
        }
    }
}

TEST(SheetComments, WrittenCommentsReadBackAndSurviveSaving)
{
    const std::u16string longText = std::u16string(5000, u'x') + u"\u00e9\u4e2d end";
    struct Case {
        int row, col;
        std::u16string text;
        const char16_t* author;
        const char* expectedAuthor;
        int width, height;
    };
    const Case cases[] = {
        {0, 0, u"first note", nullptr, "celvo", 100, 50},
        {3, 2, u"caf\u00e9 \u4e2d\u6587", u"Ann \u00c5berg", "Ann \u00c5berg", -1, -1},
        {65535, 255, u"last cell", u"z", "z", 300, 300},
        {10, 1, longText, u"long", "long", 0, 0},
        {11, 1, u"", u"empty", "empty", 20, 10},
    };
    BookHolder book;
    SheetImplT* sheet = static_cast<SheetImplT*>(book->addSheet(u"Notes", nullptr));
    std::string expected;
    for (const Case& c : cases) {
        sheet->writeComment(c.row, c.col, c.text.c_str(), c.author, c.width, c.height);
        EXPECT_EQ(book->errorMessage(), std::string("ok"));
        EXPECT_EQ(comment(sheet, c.row, c.col), utf16ToUtf8(c.text));
    }
    EXPECT_EQ(sheet->notes().size(), 5u);
    EXPECT_EQ(comment(sheet, 1, 1), "<none>");
    expectUniqueIds(book.book);

    const Bytes saved = saveToBytes(book.book);
    BookHolder back;
    ASSERT_TRUE(loadBytes(back.book, saved)) << back->errorMessage();
    for (const Case& c : cases) EXPECT_EQ(comment(sheetOf(back.book, 0), c.row, c.col), utf16ToUtf8(c.text));

    // The independent reader: text and author of each comment.
    const std::string notes = notesByReader(saved);
    for (const Case& c : cases) {
        std::string line = "Notes " + std::to_string(c.row) + " " + std::to_string(c.col) + " '" + c.expectedAuthor + "'";
        EXPECT_NE(notes.find(line), std::string::npos) << line << "\n" << notes;
    }
    EXPECT_NE(notes.find("'first note'"), std::string::npos) << notes;
    EXPECT_NE(notes.find("'caf\u00e9 \u4e2d\u6587'"), std::string::npos) << notes;
    EXPECT_NE(notes.find(" end'"), std::string::npos) << "the long text split across records is read whole";
}

TEST(SheetComments, SecondCommentOnACellReplacesTheFirst)
{
    BookHolder book;
    SheetImplT* sheet = static_cast<SheetImplT*>(book->addSheet(u"S", nullptr));
    sheet->writeComment(2, 2, u"old", u"a", 100, 50);
    sheet->writeComment(4, 4, u"other", u"b", 100, 50);
    sheet->writeComment(2, 2, u"new", u"c", 100, 50);
    EXPECT_EQ(sheet->notes().size(), 2u);
    EXPECT_EQ(comment(sheet, 2, 2), "new");
    EXPECT_EQ(comment(sheet, 4, 4), "other");
    // The replaced comment's shape, OBJ and TXO are gone: patriarch and two boxes.
    EXPECT_EQ(sheet->drawing().shapeIds().size(), 3u);
    EXPECT_EQ(sheet->drawing().objects().size(), 4u);
    expectUniqueIds(book.book);

    const Bytes saved = saveToBytes(book.book);
    const std::string notes = notesByReader(saved);
    EXPECT_EQ(notes, "S 2 2 'c' 'new'\nS 4 4 'b' 'other'\n");
    BookHolder back;
    ASSERT_TRUE(loadBytes(back.book, saved));
    EXPECT_EQ(comment(sheetOf(back.book, 0), 2, 2), "new");
}

TEST(SheetComments, ClearedCellsTakeTheirCommentsAway)
{
    BookHolder book;
    SheetImplT* sheet = static_cast<SheetImplT*>(book->addSheet(u"S", nullptr));
    sheet->writeComment(2, 2, u"goes", u"a", 100, 50);
    sheet->writeComment(4, 4, u"stays", u"b", 100, 50);
    EXPECT_TRUE(sheet->clearCells(0, 3, 0, 3)) << book->errorMessage();
    EXPECT_EQ(comment(sheet, 2, 2), "<none>");
    EXPECT_EQ(comment(sheet, 4, 4), "stays");
    EXPECT_EQ(sheet->drawing().shapeIds().size(), 2u) << "the patriarch and the comment left";
    EXPECT_EQ(sheet->drawing().objects().size(), 2u);
    EXPECT_EQ(notesByReader(saveToBytes(book.book)), "S 4 4 'b' 'stays'\n");
}

TEST(SheetComments, RefusedArgumentsAddNothing)
{
    const std::u16string tooLong(32768, u'x');
    const std::u16string longAuthor(4200, u'a');
    struct Case {
        const char* what;
        int row, col;
        const char16_t* text;
        const char16_t* author;
        int width, height;
        const char* message;
    };
    const Case cases[] = {
        {"row past the sheet", 70000, 0, u"t", nullptr, 10, 10, "row must be in range 0-65535"},
        {"negative row", -1, 0, u"t", nullptr, 10, 10, "row must be in range 0-65535"},
        {"column past the sheet", 0, 256, u"t", nullptr, 10, 10, "col must be in range 0-255"},
        {"text too long", 0, 0, tooLong.c_str(), nullptr, 10, 10, "string is too long"},
        {"author too long", 0, 0, u"t", longAuthor.c_str(), 10, 10, "string is too long"},
        {"negative width", 0, 0, u"t", nullptr, -2, 10, "width and height must be -1 or more"},
        {"negative height", 0, 0, u"t", nullptr, 10, -5, "width and height must be -1 or more"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BookHolder book;
        SheetImplT* sheet = static_cast<SheetImplT*>(book->addSheet(u"S", nullptr));
        sheet->writeComment(c.row, c.col, c.text, c.author, c.width, c.height);
        EXPECT_EQ(book->errorMessage(), std::string(c.message));
        EXPECT_TRUE(sheet->notes().empty());
        EXPECT_TRUE(sheet->drawing().empty());
        EXPECT_FALSE(book->hasDrawingGroup());
    }
}

TEST(SheetComments, BoxSizeGivesTheAnchor)
{
    // Columns of 64 pixels, rows of 17: 100 x 50 pixels from B2 end in
    // column C, 36 pixels in, and in row 4, 16 pixels in.
    BookHolder book;
    SheetImplT* sheet = static_cast<SheetImplT*>(book->addSheet(u"S", nullptr));
    sheet->writeComment(1, 1, u"t", nullptr, 100, 50);
    auto shapes = sheet->drawing().shapes();
    ASSERT_EQ(shapes.size(), 2u);
    const OfficeArtClientAnchorSheet* a = shapes[1]->clientAnchor();
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->flags, 3);
    EXPECT_EQ(std::vector<int>({a->colL, a->dxL, a->rwT, a->dyT, a->colR, a->dxR, a->rwB, a->dyB}),
              std::vector<int>({1, 0, 1, 0, 2, 576, 3, 240}));
    EXPECT_EQ(shapes[1]->fsp()->shapeType(), 202u);
    EXPECT_EQ(shapes[1]->opt()->header.recInstance(), 9u);
}

TEST(SheetComments, CopiedSheetsAndLaterCommentsKeepIdsApart)
{
    BookHolder book;
    auto* first = static_cast<SheetImplT*>(book->addSheet(u"First", nullptr));
    first->writeComment(0, 0, u"one", u"a", 80, 40);
    first->writeComment(1, 1, u"two", u"b", 80, 40);
    auto* copy = static_cast<SheetImplT*>(book->addSheet(u"Copy", first));
    ASSERT_NE(copy, nullptr) << book->errorMessage();
    EXPECT_NE(copy->drawing().drawingId(), first->drawing().drawingId());
    expectUniqueIds(book.book);
    EXPECT_EQ(comment(copy, 1, 1), "two");
    copy->writeComment(1, 1, u"two changed", u"c", 80, 40);
    first->writeComment(2, 2, u"three", u"d", 80, 40);
    auto* third = static_cast<SheetImplT*>(book->addSheet(u"Third", nullptr));
    third->writeComment(5, 5, u"five", u"e", 80, 40);
    expectUniqueIds(book.book);
    EXPECT_EQ(comment(first, 1, 1), "two");
    EXPECT_EQ(comment(copy, 1, 1), "two changed");

    // Saved and loaded: further comments still find ids of their own.
    BookHolder back;
    const Bytes saved = saveToBytes(book.book);
    ASSERT_TRUE(loadBytes(back.book, saved));
    sheetOf(back.book, 2)->writeComment(9, 9, u"nine", u"f", 80, 40);
    sheetOf(back.book, 0)->writeComment(9, 9, u"nine too", u"g", 80, 40);
    expectUniqueIds(back.book);
    EXPECT_EQ(notesByReader(saveToBytes(back.book)),
              "First 0 0 'a' 'one'\nFirst 1 1 'b' 'two'\nFirst 2 2 'd' 'three'\nFirst 9 9 'g' 'nine too'\n"
              "Copy 0 0 'a' 'one'\nCopy 1 1 'c' 'two changed'\nThird 5 5 'e' 'five'\nThird 9 9 'f' 'nine'\n");
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        out.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return out;
}

std::string withoutFilePrefix(const std::string& line) { return line.substr(line.find(' ') + 1); }

TEST(SheetComments, LoadedDrawingsTakeNewCommentsThatOtherApplicationsRead)
{
    CELVO_REQUIRE_CORPUS();
    const std::string dir = tempDir();
    std::vector<std::string> saved, originals;

    // A new book with comments on two sheets.
    {
        BookHolder book;
        for (const char16_t* name : {u"One", u"Two"}) {
            auto* sheet = static_cast<SheetImplT*>(book->addSheet(name, nullptr));
            sheet->writeComment(1, 1, u"new book note", u"Ann", 120, 60);
            sheet->writeComment(5, 3, u"second note", nullptr, -1, -1);
        }
        expectUniqueIds(book.book);
        const Bytes file = saveToBytes(book.book);
        ASSERT_TRUE(atomicWriteFile(dir + "/newbook.xls", file.data(), file.size()));
        saved.push_back(dir + "/newbook.xls");
    }

    // Loaded workbooks with drawings: the new comment lies in the drawing
    // read from the file, with ids none of its objects and shapes has.
    const char* names[] = {"poi__SimpleWithComments", "poi__drawings", "poi__Basic_Expense_Template_2011"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        const std::string from = test::corpusDir() + "/xls/" + name + ".xls";
        std::vector<std::uint8_t> input;
        ASSERT_TRUE(readWholeFile(from, input));
        BookHolder book;
        ASSERT_TRUE(loadBytes(book.book, input)) << book->errorMessage();
        SheetImplT* sheet = sheetOf(book.book, 0);
        const bool hadDrawing = !sheet->drawing().empty();
        sheet->writeComment(300, 20, u"added note", u"Bob", 100, 40);
        EXPECT_EQ(book->errorMessage(), std::string("ok"));
        expectUniqueIds(book.book);
        const Bytes file = saveToBytes(book.book);
        const std::string to = dir + "/" + name + "_saved.xls";
        ASSERT_TRUE(atomicWriteFile(to, file.data(), file.size()));
        saved.push_back(to);
        const std::string original = dir + "/" + name + ".xls";
        ASSERT_TRUE(atomicWriteFile(original, input.data(), input.size()));
        originals.push_back(original);

        // Read back by the engine and by xlrd: the old comments and the new one.
        BookHolder back;
        ASSERT_TRUE(loadBytes(back.book, file)) << back->errorMessage();
        EXPECT_EQ(comment(sheetOf(back.book, 0), 300, 20), "added note");
        if (hadDrawing) {
            EXPECT_EQ(sheetOf(back.book, 0)->drawing().blocks().size(), sheet->drawing().blocks().size());
        }
        std::vector<std::string> expected = lines(notesByReader(Bytes(input.begin(), input.end())));
        const std::string sheetName = utf16ToUtf8(sheet->name());
        expected.push_back(sheetName + " 300 20 'Bob' 'added note'");
        std::sort(expected.begin(), expected.end());
        std::vector<std::string> actual = lines(notesByReader(file));
        std::sort(actual.begin(), actual.end());
        EXPECT_EQ(actual, expected);
    }

    // LibreOffice: every comment of the originals, and the new ones.
    std::string command = test::systemPython() + " " CELVO_XLS_TEST_DIR "/comments_lo_check.py '" + dir + "'";
    for (const auto& f : saved) command += " '" + f + "'";
    for (const auto& f : originals) command += " '" + f + "'";
    std::string shown;
    CELVO_ASSERT_CHECKER(command, shown);
    EXPECT_NE(shown.find("newbook B2 'new book note'"), std::string::npos) << shown;
    std::size_t newBookNotes = 0;
    for (const std::string& l : lines(shown)) newBookNotes += l.rfind("newbook ", 0) == 0;
    EXPECT_EQ(newBookNotes, 4u) << shown;
    for (const char* name : names) {
        std::vector<std::string> before, after;
        for (const std::string& l : lines(shown)) {
            if (l.rfind(std::string(name) + " ", 0) == 0) before.push_back(withoutFilePrefix(l));
            if (l.rfind(std::string(name) + "_saved ", 0) == 0) after.push_back(withoutFilePrefix(l));
        }
        before.push_back("U301 'added note'");
        std::sort(before.begin(), before.end());
        std::sort(after.begin(), after.end());
        EXPECT_EQ(after, before) << name;
    }
    if (!HasFailure()) run("rm -rf '" + dir + "'");
}

}  // namespace
}  // namespace celvo
