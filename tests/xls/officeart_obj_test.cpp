// OBJ, TXO, CONTINUE and chart records of sheet drawings.
#include "obj_records.h"
#include "form_control_fixtures.h"
#include "officeart_fixtures.h"
#include "test_support.h"

namespace celvo {
namespace {

using namespace test;

Bytes ftCmo(std::uint16_t ot, std::uint16_t id, std::uint16_t grbit = 0x4011)
{
    return cat(u16le(0x15), u16le(0x12), u16le(ot), u16le(id), u16le(grbit), Bytes(12, 0));
}
Bytes sub(std::uint16_t ft, const Bytes& data) { return cat(u16le(ft), u16le(static_cast<std::uint16_t>(data.size())), data); }
const Bytes ftEnd = Bytes(4, 0);

template <class T>
Bytes roundTrip(const Bytes& stream, T& obj)
{
    BiffInput in(stream);
    RecordCursor rec = in.next();
    obj.read(rec, in);
    EXPECT_TRUE(in.eof());
    BiffOutput out;
    obj.write(out);
    return out.bytes();
}

template <class T>
std::string readError(const Bytes& stream)
{
    try {
        T obj;
        roundTrip(stream, obj);
        return "";
    } catch (const std::exception& e) {
        return e.what();
    }
}

TEST(ObjRecord, ObjectsOfEveryKindReadAndWriteBack)
{
    struct Case {
        const char* name;
        Bytes data;
        bool noteDataMissing, endMissing;
    };
    Bytes nts = sub(0x0D, Bytes(22, 0x31));
    Bytes fmla = sub(0x14, Bytes{5, 0, 0, 0, 0x23, 1});
    const Case cases[] = {
        {"comment with note data", cat(ftCmo(25, 1), nts, ftEnd), false, false},
        {"comment of 26 bytes", cat(ftCmo(25, 2), ftEnd), true, false},
        {"picture", cat(ftCmo(8, 3), sub(7, u16le(0xFFFF)), sub(8, u16le(1)), ftEnd), false, false},
        {"picture ending after FtCf", cat(ftCmo(8, 4), sub(7, u16le(0xFFFF))), false, true},
        {"picture with a formula", cat(ftCmo(8, 5), sub(7, u16le(9)), sub(8, u16le(1)), sub(9, Bytes{2, 0, 0, 0}), ftEnd),
         false, false},
        {"group", cat(ftCmo(0, 6), sub(6, u16le(0)), ftEnd), false, false},
        {"check box", cat(ftCmo(11, 7), sub(0x0A, Bytes(12, 0)), fmla, sub(0x12, Bytes(8, 1)), ftEnd), false, false},
        {"radio button", cat(ftCmo(12, 8), sub(0x0A, Bytes(12, 0)), sub(0x0B, Bytes(6, 0)), sub(0x12, Bytes(8, 1)),
                             sub(0x11, Bytes{0, 0, 1, 0}), ftEnd), false, false},
        {"list box", cat(ftCmo(18, 9), sub(0x0C, Bytes(20, 2)), fmla, u16le(0x13), u16le(0x1FEE), Bytes(10, 0), ftEnd),
         false, false},
        {"group box", cat(ftCmo(19, 10), sub(0x0F, Bytes(6, 0)), ftEnd), false, false},
        {"edit box", cat(ftCmo(13, 11), sub(0x10, Bytes(8, 0)), ftEnd), false, false},
        {"macro", cat(ftCmo(7, 12), sub(4, Bytes{2, 0, 0, 0}), ftEnd), false, false},
        {"bytes after FtEnd are kept", cat(ftCmo(8, 13), sub(7, u16le(2)), sub(8, u16le(1)), ftEnd, Bytes{1, 2, 3}),
         false, false},
    };
    for (const Case& c : cases) {
        Bytes stream = rec(Obj::kId, c.data);
        Obj obj;
        EXPECT_EQ(roundTrip(stream, obj), stream) << c.name;
        EXPECT_EQ(obj.noteDataMissing, c.noteDataMissing) << c.name;
        EXPECT_EQ(obj.endMissing, c.endMissing) << c.name;
        EXPECT_EQ(obj.dataSize(), c.data.size()) << c.name;
        auto copy = obj.clone();
        BiffOutput out;
        copy->write(out);
        EXPECT_EQ(out.bytes(), stream) << c.name;
    }
}

TEST(ObjRecord, FormControlsReadAndWriteBack)
{
    for (const controls::Control& c : controls::everyControl()) {
        SCOPED_TRACE(c.name);
        Bytes stream = rec(Obj::kId, c.obj);
        Obj obj;
        EXPECT_EQ(roundTrip(stream, obj), stream);
        EXPECT_EQ(obj.ot, c.ot);
        EXPECT_EQ(obj.endMissing, c.endMissing);
        // So the list data ended where its fields say, before the end of
        // the object.
        EXPECT_TRUE(obj.tail.empty());
        EXPECT_EQ(obj.dataSize(), c.obj.size());
    }
}

TEST(ObjRecord, WhatFollowsListDataIsKept)
{
    using namespace controls;
    ListData items;
    items.items = {u"a", u"bc"};
    const Bytes list = listData(items);
    const Bytes head = cat(cmo(kList, 1), sbs(0, 0, 1));
    struct Case {
        const char* name;
        Bytes data;
        bool endMissing;
        std::size_t tail;
    };
    const Case cases[] = {
        {"the record ends with the list data", cat(head, list), true, 0},
        {"bytes that are not the end of the object", cat(head, list, Bytes{1, 2, 3, 4, 5, 6}), true, 6},
        {"fewer bytes than the end of the object", cat(head, list, Bytes{0, 0}), true, 2},
        {"bytes after the end of the object", cat(head, list, kEnd, Bytes{9, 9}), false, 2},
        {"list data of cb 0 holds nothing", cat(head, u16le(0x13), u16le(0), kEnd), false, 0},
        {"list data of cb 0 before other bytes", cat(head, u16le(0x13), u16le(0), Bytes(10, 5), kEnd), true, 14},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes stream = rec(Obj::kId, c.data);
        Obj obj;
        EXPECT_EQ(roundTrip(stream, obj), stream);
        EXPECT_EQ(obj.endMissing, c.endMissing);
        EXPECT_EQ(obj.tail.size(), c.tail);
        EXPECT_EQ(obj.dataSize(), c.data.size());
    }
}

TEST(ObjRecord, TruncatedOrLyingListDataFails)
{
    using namespace controls;
    const Bytes head = cat(cmo(kList, 1), sbs(0, 0, 1));
    const Bytes dropHead = cat(cmo(kDropDown, 2), sbs(0, 0, 1));
    ListData items;
    items.items = {u"one", u"two"};
    const Bytes good = listData(items);
    ListData multi = items;
    multi.selectionType = 1;
    const Bytes multiData = listData(multi);
    ListData more = items;
    more.lines = 40;  // forty items said, two stored
    ListData drop;
    drop.dropDown = true;
    drop.editText = u"ab";  // 5 bytes and a pad
    const Bytes dropData = listData(drop);
    ListData range;
    range.inputRange = area3d(0, 9, 1, 1);
    Bytes longFormula = listData(range);
    longFormula[4] = 0x40;  // 64 formula bytes said, 18 there
    Bytes tokensBeyond = listData(range);
    tokensBeyond[6] = 20;  // the tokens run past the formula's own length
    Bytes wideItems = good;
    wideItems[16] = 1;  // the first item said to be two bytes a character
    struct Case {
        const char* name;
        Bytes data;
    };
    const Case cases[] = {
        {"nothing after cb", cat(head, u16le(0x13), u16le(0x1FEE))},
        {"cut inside the fields", cat(head, Bytes(good.begin(), good.begin() + 9))},
        {"cut inside an item", cat(head, Bytes(good.begin(), good.end() - 2))},
        {"more items said than stored", cat(head, listData(more), kEnd)},
        {"selection bytes missing", cat(head, Bytes(multiData.begin(), multiData.end() - 2))},
        {"formula longer than the record", cat(head, longFormula, kEnd)},
        {"tokens longer than their formula", cat(head, tokensBeyond, kEnd)},
        {"items wider than said", cat(head, wideItems)},
        {"drop-down text cut", cat(dropHead, Bytes(dropData.begin(), dropData.end() - 3))},
        {"drop-down text pad missing", cat(dropHead, Bytes(dropData.begin(), dropData.end() - 1))},
    };
    for (const Case& c : cases) EXPECT_EQ(readError<Obj>(rec(Obj::kId, c.data)), "error in record FtLbsData") << c.name;
}

TEST(ObjRecord, FormulaCutByTheEndOfTheRecordKeepsWhatIsThere)
{
    Bytes stream = rec(Obj::kId, cat(ftCmo(8, 1), sub(7, u16le(2)), u16le(9), u16le(8), Bytes{1, 2, 3, 4}));
    Obj obj;
    Bytes written = roundTrip(stream, obj);
    Bytes expected = rec(Obj::kId, cat(ftCmo(8, 1), sub(7, u16le(2)), u16le(9), u16le(4), Bytes{1, 2, 3, 4}));
    EXPECT_EQ(written, expected);
}

TEST(ObjRecord, MalformedObjectsFail)
{
    struct Case {
        const char* name;
        Bytes data;
        const char* message;
    };
    const Case cases[] = {
        {"shorter than FtCmo", Bytes(10, 0), "error in record Obj"},
        {"check box data beyond the record", cat(ftCmo(11, 1), u16le(0x12), u16le(8), Bytes(4, 0)),
         "error in record FtCblsData"},
        {"radio data beyond the record", cat(ftCmo(12, 1), u16le(0x11), u16le(4), Bytes(2, 0)),
         "error in record FtRboData"},
        {"edit data beyond the record", cat(ftCmo(13, 1), u16le(0x10), u16le(8), Bytes(2, 0)),
         "error in record FtEdoData"},
        {"group box data beyond the record", cat(ftCmo(19, 1), u16le(0x0F), u16le(6), Bytes(2, 0)),
         "error in record FtGboData"},
        {"sub-record beyond the record", cat(ftCmo(8, 1), u16le(7), u16le(40)), "error in record Obj"},
        {"odd formula length", cat(ftCmo(8, 1), sub(9, Bytes{1, 2, 3}), ftEnd), "error in record ObjFmla"},
    };
    for (const Case& c : cases) EXPECT_EQ(readError<Obj>(rec(Obj::kId, c.data)), c.message) << c.name;
}

TEST(ObjRecord, NewObjectsTakeConsecutiveIdsAndClonesKeepTheirs)
{
    Obj a;
    Obj b;
    EXPECT_EQ(static_cast<std::uint16_t>(a.id + 1), b.id);
    auto copy = b.clone();
    EXPECT_EQ(static_cast<Obj&>(*copy).id, b.id);
    Obj c;
    EXPECT_EQ(static_cast<std::uint16_t>(b.id + 1), c.id);
    // A new picture object: ot 8, FtCf, FtPioGrbit and FtEnd, 38 bytes.
    BiffOutput out;
    c.write(out);
    Bytes expected = rec(Obj::kId, cat(ftCmo(8, c.id, 0x6011), sub(7, u16le(0xFFFF)), sub(8, u16le(1)), ftEnd));
    EXPECT_EQ(out.bytes(), expected);
    EXPECT_EQ(c.dataSize(), 38u);
}

Bytes txoHead(std::uint16_t cch, std::uint16_t cbRuns, const Bytes& fmla = {})
{
    return cat(u16le(0x0212), u16le(0), u16le(0), u32le(0), u16le(cch), u16le(cbRuns), u16le(0),
               u16le(static_cast<std::uint16_t>(fmla.size())), fmla);
}
Bytes runs(std::uint16_t cch) { return cat(u16le(0), u16le(5), u32le(0), u16le(cch), u16le(0), u32le(0)); }

TEST(TextObjectRecord, TextsReadAndWriteBack)
{
    struct Case {
        const char* name;
        Bytes stream;
        std::u16string text;
    };
    const Case cases[] = {
        {"no text", rec(0x01B6, txoHead(0, 0)), u""},
        {"no text, with a formula", rec(0x01B6, txoHead(0, 0, Bytes{1, 2, 3, 4})), u""},
        {"narrow text", cat(rec(0x01B6, txoHead(5, 16)), rec(0x3C, Bytes{0, 'h', 'e', 'l', 'l', 'o'}), rec(0x3C, runs(5))),
         u"hello"},
        {"wide text", cat(rec(0x01B6, txoHead(2, 16)), rec(0x3C, Bytes{1, 0x3A, 0x04, 'x', 0}), rec(0x3C, runs(2))),
         u"\u043Ax"},
        {"text over two records of different widths",
         cat(rec(0x01B6, txoHead(4, 24)), rec(0x3C, Bytes{0, 'a', 'b'}), rec(0x3C, Bytes{1, 0x3A, 0x04, 'z', 0}),
             rec(0x3C, cat(u16le(0), u16le(5), u32le(0), u16le(2), u16le(6), u32le(0), u16le(4), u16le(0), u32le(0)))),
         u"ab\u043Az"},
        {"runs over two records", cat(rec(0x01B6, txoHead(1, 16)), rec(0x3C, Bytes{0, 'q'}),
                                      rec(0x3C, cat(u16le(0), u16le(5), u32le(0))), rec(0x3C, cat(u16le(1), u16le(0), u32le(0)))),
         u"q"},
    };
    for (const Case& c : cases) {
        TextObject txo;
        EXPECT_EQ(roundTrip(c.stream, txo), c.stream) << c.name;
        EXPECT_EQ(txo.text(), c.text) << c.name;
    }
}

TEST(TextObjectRecord, SetTextWritesTextAndRuns)
{
    TextObject txo;
    BiffOutput empty;
    txo.write(empty);
    EXPECT_EQ(empty.bytes(), rec(0x01B6, txoHead(0, 0)));

    txo.setText(u"Hello");
    BiffOutput out;
    txo.write(out);
    EXPECT_EQ(out.bytes(), cat(rec(0x01B6, txoHead(5, 16)), rec(0x3C, Bytes{0, 'H', 'e', 'l', 'l', 'o'}),
                               rec(0x3C, runs(5))));

    // A text longer than one record goes on in further CONTINUE records.
    std::u16string longText(10000, u'\u20AC');
    txo.setText(longText);
    BiffOutput big;
    txo.write(big);
    TextObject back;
    EXPECT_EQ(roundTrip(big.bytes(), back), big.bytes());
    EXPECT_EQ(back.text(), longText);
}

TEST(TextObjectRecord, MalformedTextsFail)
{
    struct Case {
        const char* name;
        Bytes stream;
    };
    const Case cases[] = {
        {"head cut", rec(0x01B6, Bytes(10, 0))},
        {"formula beyond the record", rec(0x01B6, cat(Bytes(16, 0), u16le(50)))},
        {"text record missing", rec(0x01B6, txoHead(5, 16))},
        {"text record of another kind", cat(rec(0x01B6, txoHead(2, 16)), rec(0x5D, Bytes{0, 'a', 'b'}))},
        {"text shorter than its count", cat(rec(0x01B6, txoHead(4, 16)), rec(0x3C, Bytes{0, 'a'}), rec(0x3C, runs(4)))},
        {"runs not a multiple of 8", cat(rec(0x01B6, txoHead(1, 12)), rec(0x3C, Bytes{0, 'a'}), rec(0x3C, Bytes(12, 0)))},
        {"runs record missing", cat(rec(0x01B6, txoHead(1, 16)), rec(0x3C, Bytes{0, 'a'}))},
        {"wide text with an odd byte", cat(rec(0x01B6, txoHead(1, 16)), rec(0x3C, Bytes{1, 'a'}), rec(0x3C, runs(1)))},
    };
    for (const Case& c : cases) EXPECT_EQ(readError<TextObject>(c.stream), "error in record TextObject") << c.name;
}

TEST(ChartSheetRecord, NestedSubstreamsAreKeptWhole)
{
    Bytes stream = cat(rec(0x0809, Bytes(16, 1)), rec(0x1002, Bytes(16, 0)), rec(0x0809, Bytes(16, 2)),
                       rec(0x000A, {}), rec(0x1033, {}), rec(0x000A, {}));
    ChartSheet chart;
    EXPECT_EQ(roundTrip(stream, chart), stream);
    EXPECT_EQ(chart.records.size(), 6u);
    EXPECT_EQ(readError<ChartSheet>(cat(rec(0x0809, Bytes(16, 1)), rec(0x1002, Bytes(16, 0)))),
              "error in record ChartSheet");
}

TEST(ContinueRecord, BytesAreKept)
{
    for (const Bytes& data : {Bytes{}, Bytes{1, 2, 3}}) {
        ContinueRec c;
        EXPECT_EQ(roundTrip(rec(0x3C, data), c), rec(0x3C, data));
    }
}

}  // namespace
}  // namespace celvo
