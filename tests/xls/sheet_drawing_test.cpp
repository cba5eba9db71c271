// The drawing layer of a worksheet read and written through the sheet and
// the book: drawings come back record for record, and malformed drawing
// records fail the load with the record's message.
#include "test_support.h"

#include <cstring>
#include <fstream>

#include "book.h"
#include "book_test_util.h"
#include "form_control_fixtures.h"
#include "officeart_fixtures.h"
#include "sheet.h"

namespace celvo {
namespace {

using namespace test;

const Bytes kEof = rec(0x000A, {});
const Bytes kSheetBof = rec(0x0809, cat(u16le(0x0600), u16le(0x0010), u16le(0x18D3), u16le(0x07CD), u32le(1), u32le(6)));

Bytes objRecord(std::uint16_t ot, std::uint16_t id)
{
    return rec(0x5D, cat(u16le(0x15), u16le(0x12), u16le(ot), u16le(id), u16le(0x6011), Bytes(12, 0), Bytes(4, 0)));
}

Bytes txoRecords(const std::string& text)
{
    Bytes chars{0};
    chars.insert(chars.end(), text.begin(), text.end());
    return cat(rec(0x1B6, cat(u16le(0x212), Bytes(8, 0), u16le(static_cast<std::uint16_t>(text.size())), u16le(16),
                              u16le(0), u16le(0))),
               rec(0x3C, chars),
               rec(0x3C, cat(u16le(0), u16le(5), u32le(0), u16le(static_cast<std::uint16_t>(text.size())), u16le(0),
                             u32le(0))));
}

Bytes patriarch()
{
    return oa(15, 0, 0xF004, cat(oa(1, 0, 0xF009, Bytes(16, 0)), oa(2, 0, 0xF00A, cat(u32le(0x400), u32le(5)))));
}
Bytes anchor() { return oa(0, 0, 0xF010, cat(u16le(3), Bytes(16, 1))); }

// A drawing of one shape in one MSODRAWING record, `shape` built by the caller.
Bytes drawingOf(const Bytes& shape)
{
    return oa(15, 0, 0xF002, cat(oa(0, 1, 0xF008, cat(u32le(2), u32le(0x401))), oa(15, 0, 0xF003, cat(patriarch(), shape))));
}

Bytes textShape() { return spContainer(0x401, 0xA00, cat(anchor(), oa(0, 0, 0xF011, {}))); }

// A workbook stream with one worksheet whose substream holds `body`.
Bytes fileWithSheet(const Bytes& body)
{
    const Bytes head = rec(0x809, cat(u16le(0x0600), u16le(0x0005), u16le(0x18D3), u16le(0x07CD), u32le(1), u32le(6)));
    Bytes boundSheet = rec(0x85, {0, 0, 0, 0, 0, 0, 1, 0, 'S'});
    putU32(boundSheet.data() + 4, static_cast<std::uint32_t>(head.size() + boundSheet.size() + kEof.size()));
    return xlsFile(cat(head, boundSheet, kEof, kSheetBof, body, kEof));
}

bool loadBytes(BookImplT* book, const Bytes& file)
{
    return book->loadFromMemory(reinterpret_cast<const char*>(file.data()), static_cast<unsigned>(file.size()));
}

TEST(SheetDrawing, MalformedDrawingRecordsFailTheLoad)
{
    const Bytes shape = textShape();
    const Bytes good = drawingOf(shape);
    // The drawing claims 40 bytes more than the records hold.
    Bytes claimsMore = good;
    putU32(claimsMore.data() + 4, getU32(claimsMore.data() + 4) + 40);
    // A property table of five entries with room for one.
    const Bytes shortTable = drawingOf(spContainer(0x401, 0xA00, oa(3, 5, 0xF00B, cat(u16le(0x80), u32le(1)))));
    // A property table longer than its shape.
    Bytes longTable = drawingOf(spContainer(0x401, 0xA00, oa(3, 1, 0xF00B, cat(u16le(0x80), u32le(1)))));
    putU32(longTable.data() + longTable.size() - 10, 400);
    struct Case {
        const char* what;
        Bytes body;
        const char* message;
    };
    const Case cases[] = {
        {"drawing record of 6 bytes", rec(0xEC, Bytes(6, 0)), "MsoDrawing size is incorrect"},
        {"drawing cut before its end", rec(0xEC, claimsMore), "error in record OfficeArtDgContainer"},
        {"drawing cut at the end of the stream", cat(rec(0xEC, claimsMore), objRecord(25, 1)),
         "error in record OfficeArtDgContainer"},
        {"property table of too many entries", rec(0xEC, shortTable), "error in record OfficeArtFOPTE"},
        {"property table longer than its shape", rec(0xEC, longTable), "error in record OfficeArtFOPT"},
        {"object cut short", cat(rec(0xEC, good), rec(0x5D, Bytes(8, 0))), "error in record Obj"},
        {"text without its characters", cat(rec(0xEC, good), objRecord(25, 1), rec(0x1B6, cat(u16le(0x212), Bytes(8, 0), u16le(5), u16le(16), u16le(0), u16le(0)))),
         "error in record TextObject"},
        {"text runs of 12 bytes", cat(rec(0xEC, good), objRecord(25, 1),
                                      rec(0x1B6, cat(u16le(0x212), Bytes(8, 0), u16le(2), u16le(12), u16le(0), u16le(0))),
                                      rec(0x3C, Bytes{0, 'h', 'i'}), rec(0x3C, Bytes(12, 0))),
         "error in record TextObject"},
        {"text continued in another record", cat(rec(0xEC, good), objRecord(25, 1),
                                                 rec(0x1B6, cat(u16le(0x212), Bytes(8, 0), u16le(2), u16le(16), u16le(0), u16le(0))),
                                                 rec(0x0203, Bytes(14, 0))),
         "error in record TextObject"},
        {"chart without its end", cat(rec(0xEC, good), objRecord(5, 1), kSheetBof, kSheetBof, rec(0x1001, u16le(1))),
         "error in record ChartSheet"},
        {"selection cut", cat(rec(0xEC, good), objRecord(25, 1), rec(0xED, oa(0, 0, 0xF119, u32le(1)))),
         "error in record OfficeArtFDGSL"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BookHolder book;
        EXPECT_FALSE(loadBytes(book.book, fileWithSheet(c.body)));
        EXPECT_EQ(book->errorMessage(), std::string(c.message));
    }
}

TEST(SheetDrawing, DrawingRecordsComeBackInPlace)
{
    const Bytes drawing = cat(rec(0xEC, drawingOf(textShape())), objRecord(25, 1), txoRecords("hi"),
                              rec(0xED, oa(0, 0, 0xF119, cat(u32le(1), u32le(0), u32le(0x401), u32le(0x401)))));
    const Bytes note = rec(0x1C, cat(u16le(0), u16le(0), u16le(0), u16le(1), u16le(2), Bytes{0, 'm', 'e', 0}));
    BookHolder book;
    ASSERT_TRUE(loadBytes(book.book, fileWithSheet(cat(drawing, note)))) << book->errorMessage();
    auto* sheet = static_cast<SheetImplT*>(book->sheet(0));
    EXPECT_FALSE(sheet->drawing().empty());
    EXPECT_EQ(sheet->drawing().blocks().size(), 1u);
    BiffOutput out;
    sheet->write(out);
    const Bytes& bytes = out.bytes();
    const Bytes both = cat(drawing, note);
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), both.begin(), both.end()), bytes.end())
        << "the drawing and its note are written back unchanged, the note after the drawing";
}

// A sheet drawing of every kind of form control, as the application lays
// it out: one MSODRAWING record per control shape up to its client data,
// then the control's OBJ; for a control that shows a text, an MSODRAWING
// with its client text box and the TXO.
Bytes formControlDrawing()
{
    const auto all = controls::everyControl();
    const std::uint32_t count = static_cast<std::uint32_t>(all.size());
    std::vector<Bytes> shapes;
    for (std::uint32_t i = 0; i < count; ++i) {
        const bool text = !all[i].text.empty();
        // Host-control shape: protection, text, fill and print properties,
        // a two-cell anchor, client data and the text box when it has one.
        const Bytes props = oa(3, 4, 0xF00B, cat(u16le(0x007F), u32le(0x01040104), u16le(0x00BF), u32le(0x00080008),
                                                 u16le(0x01BF), u32le(0x00010000), u16le(0x03BF), u32le(0x000A0000)));
        const Bytes clientAnchor = oa(0, 0, 0xF010, cat(u16le(1), u16le(static_cast<std::uint16_t>(i)), u16le(0),
                                                        u16le(1), u16le(0), u16le(static_cast<std::uint16_t>(i + 1)),
                                                        u16le(0), u16le(2), u16le(0)));
        const Bytes body = cat(oa(2, 201, 0xF00A, cat(u32le(0x401 + i), u32le(0xA00))), props, clientAnchor,
                               oa(0, 0, 0xF011, {}), text ? oa(0, 0, 0xF00D, {}) : Bytes{});
        shapes.push_back(oa(15, 0, 0xF004, body));
    }
    Bytes group = patriarch();
    for (const Bytes& shape : shapes) group = cat(group, shape);
    const Bytes dg = oa(15, 0, 0xF002, cat(oa(0, 1, 0xF008, cat(u32le(count + 1), u32le(0x400 + count))),
                                           oa(15, 0, 0xF003, group)));
    // Cut the drawing after each shape's client data and after its text box.
    Bytes records;
    std::size_t at = 0, end = dg.size();
    for (const Bytes& shape : shapes) end -= shape.size();
    for (std::size_t i = 0; i < count; ++i) {
        end += shapes[i].size();
        const bool text = !all[i].text.empty();
        const std::size_t dataEnd = text ? end - 8 : end;
        records = cat(records, rec(0xEC, Bytes(dg.begin() + static_cast<std::ptrdiff_t>(at),
                                               dg.begin() + static_cast<std::ptrdiff_t>(dataEnd))),
                      rec(0x5D, all[i].obj));
        if (text)
            records = cat(records, rec(0xEC, Bytes(dg.begin() + static_cast<std::ptrdiff_t>(dataEnd),
                                                   dg.begin() + static_cast<std::ptrdiff_t>(end))),
                          txoRecords(all[i].text));
        at = end;
    }
    return records;
}

TEST(SheetDrawing, FormControlsLoadAndSaveWhole)
{
    const Bytes drawing = formControlDrawing();
    // The drop-down ids and a cell linked to the controls after the drawing.
    const Bytes after = rec(0x0203, cat(u16le(0), u16le(5), u16le(0), Bytes(8, 0)));
    BookHolder book;
    ASSERT_TRUE(loadBytes(book.book, fileWithSheet(cat(drawing, after)))) << book->errorMessage();
    auto* sheet = static_cast<SheetImplT*>(book->sheet(0));
    std::size_t blocks = 0;
    for (const auto& c : controls::everyControl()) blocks += c.text.empty() ? 1 : 2;
    EXPECT_EQ(sheet->drawing().blocks().size(), blocks);
    auto writtenSheet = [](SheetImplT* s) {
        BiffOutput out;
        s->write(out);
        return out.bytes();
    };
    const Bytes first = writtenSheet(sheet);
    EXPECT_NE(std::search(first.begin(), first.end(), drawing.begin(), drawing.end()), first.end())
        << "every control's drawing records and OBJ come back unchanged";

    // A saved copy loads and writes the same sheet again.
    const char* data = nullptr;
    unsigned size = 0;
    ASSERT_TRUE(book->saveToMemory(&data, &size)) << book->errorMessage();
    const Bytes saved(data, data + size);
    BookHolder again;
    ASSERT_TRUE(loadBytes(again.book, saved)) << again->errorMessage();
    EXPECT_EQ(writtenSheet(static_cast<SheetImplT*>(again->sheet(0))), first);
}

// What LibreOffice shows of the saved form controls: every one but the
// drop-down of a filter (an arrow of the filter, not a control) and the
// picture of an embedded control (its data lives in a stream the fixture
// does not have); the lists that take several choices say so.
TEST(SheetDrawingLibreOffice, SavedFormControlsAppear)
{
    BookHolder book;
    ASSERT_TRUE(loadBytes(book.book, fileWithSheet(formControlDrawing()))) << book->errorMessage();
    const char* data = nullptr;
    unsigned size = 0;
    ASSERT_TRUE(book->saveToMemory(&data, &size)) << book->errorMessage();
    const std::string dir = processTempDir() + "form_controls";
    const std::string file = dir + ".xls";
    std::ofstream(file, std::ios::binary).write(data, size);
    std::string body;
    CELVO_ASSERT_CHECKER(
        pythonScript(CELVO_XLS_TEST_DIR "/lo_form_controls.py", shellQuoted(dir) + " " + shellQuoted(file)), body);
    EXPECT_EQ(body,
              "control Button_1 CommandButton -\n"
              "control Check_Box_2 CheckBox -\n"
              "control Option_Button_3 RadioButton -\n"
              "control Edit_Box_4 TextField -\n"
              "control Label_5 FixedText -\n"
              "control Spinner_6 SpinButton -\n"
              "control Scroll_Bar_7 ScrollBar -\n"
              "control List_Box_8 ListBox -\n"
              "control List_Box_9 ListBox true\n"
              "control List_Box_10 ListBox true\n"
              "control Group_Box_11 GroupBox -\n"
              "control Drop_Down_12 ListBox -\n"
              "control Drop_Down_13 ListBox -\n"
              "control Drop_Down_14 ListBox -\n"
              "control Drop_Down_15 ListBox -\n");
}

TEST(SheetDrawing, LyingListDataFailsTheLoad)
{
    using namespace controls;
    ListData items;
    items.items = {u"one", u"two"};
    items.lines = 9;
    const Bytes shape = textShape();
    const Bytes obj = cat(cmo(kList, 1), sbs(0, 0, 1), listData(items), kEnd);
    BookHolder book;
    EXPECT_FALSE(loadBytes(book.book, fileWithSheet(cat(rec(0xEC, drawingOf(shape)), rec(0x5D, obj)))));
    EXPECT_EQ(book->errorMessage(), std::string("error in record FtLbsData"));
}

TEST(SheetDrawing, CommentTextIsTheTextObjectAfterTheNotesObject)
{
    // Two shapes in two MSODRAWING records; the NOTE of A1 names object 1.
    const Bytes shape1 = textShape();
    const Bytes shape2 = spContainer(0x402, 0xA00, cat(anchor(), oa(0, 0, 0xF011, {})));
    const Bytes dg = oa(15, 0, 0xF002, cat(oa(0, 1, 0xF008, cat(u32le(3), u32le(0x402))),
                                           oa(15, 0, 0xF003, cat(patriarch(), shape1, shape2))));
    const Bytes first(dg.begin(), dg.end() - static_cast<std::ptrdiff_t>(shape2.size()));
    const Bytes note = rec(0x1C, cat(u16le(0), u16le(0), u16le(0), u16le(1), u16le(1), Bytes{0, 'a', 0}));
    struct Case {
        const char* what;
        Bytes objects1, objects2;
        const char* text;  // null: no comment text
    };
    const Case cases[] = {
        {"comment object and its text", objRecord(25, 1), txoRecords("hi"), "hi"},
        {"text of another object", cat(objRecord(25, 2), txoRecords("other")), objRecord(25, 1), nullptr},
        {"no text after the object", objRecord(25, 1), objRecord(25, 2), nullptr},
        {"object of another type", objRecord(8, 1), txoRecords("pic"), nullptr},
        {"no such object", objRecord(25, 5), txoRecords("hi"), nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BookHolder book;
        const Bytes body = cat(rec(0xEC, first), c.objects1, rec(0xEC, shape2), c.objects2, note);
        ASSERT_TRUE(loadBytes(book.book, fileWithSheet(body))) << book->errorMessage();
        const char16_t* text = book->sheet(0)->readComment(0, 0);
        if (c.text) {
            ASSERT_NE(text, nullptr);
            EXPECT_EQ(std::u16string(text), std::u16string(c.text, c.text + std::strlen(c.text)));
        } else {
            EXPECT_EQ(text, nullptr);
        }
        EXPECT_EQ(book->sheet(0)->readComment(1, 1), nullptr);
    }
}

}  // namespace
}  // namespace celvo
