// The 8-bit texts of a BIFF5 book read through the code page that its
// CODEPAGE record names: sheet names, cell texts, cached formula texts,
// number formats, font names, notes and headers, in books built here in the
// code pages 932 (Japanese, one or two bytes a character), 10029 (Mac
// Central European) and 1252 (Windows Latin 1), with xlrd reading the same
// files.
#include "test_support.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "book.h"
#include "book_test_util.h"
#include "sheet.h"

namespace celvo {
namespace {

using test::BookHolder;
using test::Bytes;
using test::cat;
using test::rec;

Bytes word(unsigned v) { return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)}; }
Bytes byteCounted(const Bytes& text) { return cat(Bytes{static_cast<std::uint8_t>(text.size())}, text); }
Bytes wordCounted(const Bytes& text) { return cat(word(static_cast<unsigned>(text.size())), text); }

// The texts of a book, as bytes of its code page.
struct Texts {
    Bytes sheetName, label, formulaResult, numFormat, fontName, note, header;
};

constexpr int kNoCodePage = -1;
constexpr int kNumFormatId = 164;

// A BIFF5 book of one sheet holding the texts: the name in BOUNDSHEET, A1 a
// LABEL with a NOTE and B1 a formula whose cached result is a text, the
// header in HEADER, number format 164 in FORMAT and the first font's name.
Bytes biff5Book(int codePage, const Texts& t)
{
    const Bytes font = cat(word(200), word(0), word(0x7FFF), word(400), word(0), Bytes{0, 0, 0, 0},
                           byteCounted(t.fontName));
    const auto globals = [&](std::uint32_t sheetAt) {
        return cat(rec(0x809, {0, 5, 5, 0, 0, 0, 0, 0}),
                   codePage == kNoCodePage ? Bytes{} : rec(0x42, word(static_cast<unsigned>(codePage))),
                   rec(0x31, font), rec(0x41E, cat(word(kNumFormatId), byteCounted(t.numFormat))),
                   rec(0x85, cat(word(sheetAt & 0xFFFF), word(sheetAt >> 16), Bytes{0, 0}, byteCounted(t.sheetName))),
                   rec(0x0A, {}));
    };
    const Bytes formula = cat(word(0), word(1), word(0), Bytes{0, 0, 0, 0, 0, 0, 0xFF, 0xFF}, word(0),
                              Bytes{0, 0, 0, 0}, word(3), Bytes{0x1E, 1, 0});
    const Bytes sheet = cat(rec(0x809, {0, 5, 0x10, 0, 0, 0, 0, 0}), rec(0x14, byteCounted(t.header)),
                            rec(0x204, cat(word(0), word(0), word(0), wordCounted(t.label))), rec(0x06, formula),
                            rec(0x207, wordCounted(t.formulaResult)), rec(0x1C, cat(word(0), word(0), wordCounted(t.note))),
                            rec(0x0A, {}));
    const std::uint32_t sheetAt = static_cast<std::uint32_t>(globals(0).size());
    return test::xlsFile(cat(globals(sheetAt), sheet));
}

// The texts as the book gives them, in the order of Texts.
std::vector<u16string> textsOf(BookImplT* book)
{
    std::vector<u16string> got;
    if (book->sheetCount() < 1) return got;
    ISheetT* sheet = book->sheet(0);
    const auto text = [](const char16_t* s) { return s ? u16string(s) : u16string(u"<none>"); };
    got.push_back(text(sheet->name()));
    got.push_back(text(sheet->readString(0, 0, nullptr)));
    got.push_back(text(sheet->readString(0, 1, nullptr)));
    got.push_back(text(book->customNumFormat(kNumFormatId)));
    got.push_back(book->fontCount() > 0 ? text(book->font(0)->name()) : u"<no font>");
    got.push_back(text(sheet->readComment(0, 0)));
    got.push_back(text(sheet->header()));
    return got;
}

// A text as Python's json.dumps writes it: ASCII, other characters as
// \uXXXX escapes (lower-case hexadecimal).
std::string jsonOf(u16view text)
{
    std::string out = "\"";
    for (char16_t c : text) {
        if (c == u'"' || c == u'\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
            out += buf;
        }
    }
    return out + "\"";
}

bool loadBytes(BookImplT* book, const Bytes& file)
{
    return book->loadFromMemory(reinterpret_cast<const char*>(file.data()), static_cast<unsigned>(file.size()));
}

struct CodePageCase {
    const char* what;
    int codePage;
    Texts bytes;
    std::vector<u16string> want;  // in the order of Texts
    const char* xlrdEncoding;     // the encoding xlrd reads the book with; null: xlrd is not asked
};

const std::vector<CodePageCase>& codePageCases()
{
    static const std::vector<CodePageCase> cases = {
        // (xlrd counts the characters of a STRING record, not its bytes, and
        // so cannot read two-byte characters there: the cached formula text
        // has one-byte ones here, two-byte ones in the case further down.)
        {"Japanese (932): two-byte characters, a second byte that is a backslash, half-width kana",
         932,
         {{0x8A, 0xBF, 0x8E, 0x9A, 0x96, 0xBC},
          {0x95, 0x5C, 0x8E, 0xA6, 0x83, 0x65, 0x83, 0x58, 0x83, 0x67, 0x20, 0xB1},
          {0xBA, 0xDE, 0xB3, 0xB9, 0xB2},
          {0x23, 0x2C, 0x23, 0x23, 0x30, 0x22, 0x89, 0x7E, 0x22},
          {0x82, 0x6C, 0x82, 0x72, 0x20, 0x82, 0x6F, 0x83, 0x53, 0x83, 0x56, 0x83, 0x62, 0x83, 0x4E},
          {0x94, 0xF5, 0x8D, 0x6C, 0x81, 0x46, 0x95, 0x5C},
          {0x95, 0x5C}},
         {u"漢字名", u"表示テスト ｱ", u"ｺﾞｳｹｲ", u"#,##0\"円\"", u"ＭＳ Ｐゴシック", u"備考：表", u"表"},
         "cp932"},
        {"Mac Central European (10029)",
         10029,
         {{0x80, 0x72, 0x6B, 0x75, 0x73, 0x7A, 0x31},
          {0xFC, 0x97, 0x64, 0x90, 0x20, 0xAB, 0x88},
          {0x53, 0x75, 0x6D, 0x61, 0x20, 0xEB},
          {0x30, 0x2E, 0x30, 0x22, 0x20, 0x7A, 0xB8, 0x22},
          {0x47, 0x65, 0x6E, 0x65, 0x76, 0x61},
          {0x4E, 0x6F, 0x74, 0x61, 0x74, 0x6B, 0x61, 0x20, 0xCE},
          {0xEB}},
         {u"Ärkusz1", u"Łódź ęą", u"Suma Ž", u"0.0\" zł\"", u"Geneva", u"Notatka ő", u"Ž"},
         "mac_latin2"},
        {"Windows Latin 1 (1252): the characters it places at 0x80-0x9F",
         1252,
         {{0x43, 0x61, 0x66, 0xE9, 0x20, 0x80},
          {0x93, 0x71, 0x75, 0x6F, 0x74, 0x65, 0x64, 0x94, 0x20, 0x96, 0x20, 0x8A},
          {0x9F, 0x65, 0x73},
          {0x80, 0x20, 0x23, 0x2C, 0x23, 0x23, 0x30},
          {0x54, 0x61, 0x68, 0x6F, 0x6D, 0x61},
          {0x8C, 0x75, 0x76, 0x72, 0x65},
          {0x80}},
         {u"Café €", u"“quoted” – Š", u"Ÿes", u"€ #,##0", u"Tahoma", u"Œuvre", u"€"},
         "cp1252"},
        {"32769, Windows Latin 1 by its other number",
         32769,
         {{0x80}, {0x8A}, {0x9F}, {0x30}, {0x41}, {0x8C}, {0x93}},
         {u"€", u"Š", u"Ÿ", u"0", u"A", u"Œ", u"“"},
         "cp1252"},
        {"Mac Roman (10000)",
         10000,
         {{0x52, 0x8E, 0x73, 0x75, 0x6D, 0x8E}, {0x86, 0x62, 0x65, 0x72, 0x20, 0xA5, 0x20, 0xB0}, {0xA5},
          {0x30}, {0x41}, {0x8E}, {0xB0}},
         {u"Résumé", u"Über • ∞", u"•", u"0", u"A", u"é", u"∞"},
         "mac_roman"},
        // UTF-16 cannot be the code page of 8-bit texts; they are then the
        // low bytes of UTF-16 units, as in a BIFF8 book (and so without a
        // CODEPAGE record).
        {"1200 (UTF-16)", 1200, {{0x43, 0x61, 0x66, 0xE9}, {0x80}, {0xFF}, {0x30}, {0x41}, {0xE9}, {0xB5}},
         {u"Café", u"\u0080", u"ÿ", u"0", u"A", u"é", u"µ"}, nullptr},
        {"no CODEPAGE record", kNoCodePage, {{0x43, 0x61, 0x66, 0xE9}, {0x80}, {0xFF}, {0x30}, {0x41}, {0xE9}, {0xB5}},
         {u"Café", u"\u0080", u"ÿ", u"0", u"A", u"é", u"µ"}, nullptr},
        // A character cut short or a byte pair the code page leaves
        // undefined is one replacement character; the rest reads on.
        {"932 with a lead byte at a text's end and an undefined pair", 932,
         {{0x41, 0x81}, {0x85, 0x40, 0x41}, {0x8D, 0x87, 0x81}, {0x30}, {0x41}, {0x81}, {0x42}},
         {u"A\uFFFD", u"\uFFFDA", u"合\uFFFD", u"0", u"A", u"\uFFFD", u"B"}, nullptr},
    };
    return cases;
}

TEST(Biff5CodePage, TextsAreReadThroughTheBooksCodePage)
{
    for (const CodePageCase& c : codePageCases()) {
        BookHolder book;
        ASSERT_TRUE(loadBytes(book.book, biff5Book(c.codePage, c.bytes))) << c.what << ": " << book->errorMessage();
        EXPECT_EQ(book->biffVersion(), 0x0500) << c.what;
        const std::vector<u16string> got = textsOf(book.book);
        ASSERT_EQ(got.size(), c.want.size()) << c.what;
        const char* field[] = {"sheet name", "text cell", "cached formula text", "number format",
                               "font name", "note", "header"};
        for (std::size_t i = 0; i < got.size(); ++i)
            EXPECT_EQ(utf16ToUtf8(got[i]), utf16ToUtf8(c.want[i])) << c.what << ": " << field[i];
        EXPECT_EQ(book->sheet(0)->cellType(0, 0), 2) << c.what;  // a text cell
    }
}

// xlrd reads the same books with the same texts: the fixtures are the
// texts they are meant to be, in the code page they name.
TEST(Biff5CodePage, XlrdReadsTheSameTexts)
{
    const std::string dir = test::processTempDir();
    for (const CodePageCase& c : codePageCases()) {
        if (!c.xlrdEncoding) continue;
        const std::string path = dir + "biff5-" + std::to_string(c.codePage) + ".xls";
        const Bytes file = biff5Book(c.codePage, c.bytes);
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()),
                                                     static_cast<std::streamsize>(file.size()));
        std::string out;
        CELVO_ASSERT_CHECKER(test::pythonScript(CELVO_XLS_TEST_DIR "/xlrd_texts.py", test::shellQuoted(path)), out);
        const std::string want = std::string("encoding ") + c.xlrdEncoding + "\n" + "sheet " + jsonOf(c.want[0]) +
                                 "\n" + "cell 0,0 " + jsonOf(c.want[1]) + "\n" + "cell 0,1 " + jsonOf(c.want[2]) +
                                 "\n";
        EXPECT_EQ(out, want) << c.what;

        BookHolder book;
        ASSERT_TRUE(loadBytes(book.book, file)) << c.what << ": " << book->errorMessage();
        const std::vector<u16string> got = textsOf(book.book);
        ASSERT_GE(got.size(), 3u) << c.what;
        EXPECT_EQ("sheet " + jsonOf(got[0]) + "\ncell 0,0 " + jsonOf(got[1]) + "\ncell 0,1 " + jsonOf(got[2]) + "\n",
                  want.substr(want.find('\n') + 1))
            << c.what << ": the engine reads what xlrd reads";
    }
}

// A code page the engine has no converter for refuses the load with a
// message naming it, and the book stays as it was; so does a code page
// whose characters are wider than a byte.
TEST(Biff5CodePage, AnUnknownCodePageRefusesTheLoad)
{
    const Texts ascii{{0x53}, {0x41}, {0x42}, {0x30}, {0x46}, {0x4E}, {0x48}};
    for (int codePage : {12345, 65535, 0, 1201, 12000}) {
        BookHolder book;
        ASSERT_NE(book->addSheet(u"Mine", nullptr), nullptr);
        EXPECT_FALSE(loadBytes(book.book, biff5Book(codePage, ascii))) << codePage;
        EXPECT_EQ(std::string(book->errorMessage()), "code page " + std::to_string(codePage) + " is not supported");
        ASSERT_EQ(book->sheetCount(), 1) << codePage;
        EXPECT_EQ(u16(book->sheet(0)->name()), u"Mine") << codePage;
    }
}

// The 8-bit texts of a BIFF8 book are the low bytes of UTF-16 units
// whatever its CODEPAGE record says.
TEST(Biff5CodePage, Biff8TextsDoNotDependOnTheCodePage)
{
    for (unsigned codePage : {932u, 10029u, 1252u}) {
        const auto globals = [&](std::uint32_t sheetAt) {
            return cat(rec(0x809, {0, 6, 5, 0, 0, 0, 0, 0}), rec(0x42, word(codePage)),
                       rec(0x85, cat(word(sheetAt & 0xFFFF), word(sheetAt >> 16), Bytes{0, 0, 4, 0, 'C', 'a', 'f', 0xE9})),
                       rec(0x0A, {}));
        };
        const Bytes sheet = cat(rec(0x809, {0, 6, 0x10, 0, 0, 0, 0, 0}), rec(0x0A, {}));
        const Bytes file = test::xlsFile(cat(globals(static_cast<std::uint32_t>(globals(0).size())), sheet));
        BookHolder book;
        ASSERT_TRUE(loadBytes(book.book, file)) << codePage << ": " << book->errorMessage();
        ASSERT_EQ(book->sheetCount(), 1);
        EXPECT_EQ(u16(book->sheet(0)->name()), u"Café") << codePage;
    }
}

}  // namespace
}  // namespace celvo
