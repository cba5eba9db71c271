// Form controls of a worksheet built byte by byte: the OBJ record of each
// kind of control with its sub-records laid out field by field, and the
// drawing shape that hosts it.
#pragma once

#include <string>
#include <vector>

#include "officeart_fixtures.h"

namespace celvo::test::controls {

// Object types of the common object data.
enum : std::uint16_t {
    kButton = 7, kPicture = 8, kCheckBox = 11, kOption = 12, kEdit = 13, kLabel = 14, kSpinner = 16,
    kScrollBar = 17, kList = 18, kGroupBox = 19, kDropDown = 20
};

// Common object data: type, id, flags (locked, printed, auto-fill, auto-line).
inline Bytes cmo(std::uint16_t ot, std::uint16_t id, std::uint16_t flags = 0x6011)
{
    return cat(u16le(0x15), u16le(0x12), u16le(ot), u16le(id), u16le(flags), Bytes(12, 0));
}
inline Bytes sub(std::uint16_t ft, const Bytes& data)
{
    return cat(u16le(ft), u16le(static_cast<std::uint16_t>(data.size())), data);
}
const Bytes kEnd = Bytes(4, 0);

// Formula tokens: a 3-D reference to one cell and to a range, an external
// name (a macro).
inline Bytes ref3d(std::uint16_t row, std::uint16_t col) { return cat(Bytes{0x3A}, u16le(0), u16le(row), u16le(col)); }
inline Bytes area3d(std::uint16_t r1, std::uint16_t r2, std::uint16_t c1, std::uint16_t c2)
{
    return cat(Bytes{0x3B}, u16le(0), u16le(r1), u16le(r2), u16le(c1), u16le(c2));
}
inline Bytes nameX(std::uint16_t index) { return cat(Bytes{0x39}, u16le(1), u32le(index)); }

// A formula without its length: token length, 4 unused bytes, the tokens.
inline Bytes parsedFormula(const Bytes& rgce) { return cat(u16le(static_cast<std::uint16_t>(rgce.size())), u32le(0), rgce); }
// A formula with its length in front, padded to an even length.
inline Bytes sizedFormula(const Bytes& rgce)
{
    Bytes f = parsedFormula(rgce);
    if (f.size() % 2) f.push_back(0);
    return cat(u16le(static_cast<std::uint16_t>(f.size())), f);
}
// A formula sub-record (macro 0x04, cell link of a scroll bar, spinner or
// list 0x0E, of a check box or option button 0x14): its length is its cb.
inline Bytes formulaSub(std::uint16_t ft, const Bytes& rgce) { return cat(u16le(ft), sizedFormula(rgce)); }

// Text with its u16 character count and its flags byte (bit 0: two bytes a
// character).
inline Bytes unicodeText(const std::u16string& text, bool wide)
{
    Bytes b = cat(u16le(static_cast<std::uint16_t>(text.size())), Bytes{static_cast<std::uint8_t>(wide ? 1 : 0)});
    for (char16_t c : text) {
        b.push_back(static_cast<std::uint8_t>(c));
        if (wide) b.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return b;
}

// Scroll data of spinners, scroll bars, lists and drop-downs: value,
// minimum, maximum, step, page step, horizontal, width, flags.
inline Bytes sbs(std::uint16_t value, std::uint16_t min, std::uint16_t max, bool horizontal = false)
{
    return sub(0x0C, cat(u32le(0), u16le(value), u16le(min), u16le(max), u16le(1), u16le(10),
                         u16le(horizontal ? 1 : 0), u16le(16), u16le(0x0001)));
}
// Check box and option button data: state, accelerator, reserved, flags.
inline Bytes cblsData(std::uint16_t checked) { return sub(0x12, cat(u16le(checked), u16le(0), u16le(0), u16le(0))); }

// The list data of a list box or drop-down.
struct ListData {
    Bytes inputRange;                 // formula tokens; empty: none
    std::vector<std::u16string> items;  // stored items (the flags say so when any)
    bool wideItems = false;
    std::uint16_t selectionType = 0;  // 0 single, 1 multi, 2 extended
    std::uint16_t lines = 0;          // the item count; 0: the number of items
    std::uint16_t cb = 0x1FEE;        // what writers put in cb; not the size
    std::uint16_t listType = 1;       // 1 a list, 3 the drop-down of a filter
    // Drop-down only: style, lines shown, minimum width, edit text.
    bool dropDown = false;
    std::u16string editText;
    bool wideEditText = false;
};

inline Bytes listData(const ListData& d)
{
    const std::uint16_t lines = d.lines ? d.lines : static_cast<std::uint16_t>(d.items.size());
    const std::uint16_t flags = static_cast<std::uint16_t>((d.items.empty() ? 0 : 0x0002) |
                                                           (d.selectionType << 4) | (d.listType << 8));
    Bytes b = cat(u16le(0x13), u16le(d.cb), d.inputRange.empty() ? u16le(0) : sizedFormula(d.inputRange), u16le(lines),
                  u16le(lines ? 1 : 0), u16le(flags), u16le(0));
    if (d.dropDown) {
        Bytes text = unicodeText(d.editText, d.wideEditText);
        b = cat(b, u16le(d.listType == 3 ? 2 : 0), u16le(8), u16le(40), text);
        if (text.size() % 2) b.push_back(0);
    }
    for (const auto& item : d.items) b = cat(b, unicodeText(item, d.wideItems));
    if (d.selectionType != 0)
        for (std::uint16_t i = 0; i < lines; ++i) b.push_back(i == 0 ? 1 : 0);
    return b;
}

// One control: its OBJ record data and, for those that show a text, the text.
struct Control {
    const char* name;
    std::uint16_t ot;
    Bytes obj;
    std::string text;  // empty: no text box
    bool endMissing = false;  // the record stops after the last sub-record
};

inline std::vector<Control> everyControl()
{
    const Bytes cbls = sub(0x0A, Bytes(12, 0));
    const Bytes link = ref3d(0, 5);
    ListData inputList;
    inputList.inputRange = area3d(0, 9, 3, 3);
    ListData stored;
    stored.items = {u"one", u"two", u"three"};
    stored.selectionType = 1;
    ListData wideStored;
    wideStored.items = {u"\u0430\u0431", u"x"};
    wideStored.wideItems = true;
    wideStored.selectionType = 2;
    ListData drop = inputList;
    drop.dropDown = true;
    ListData dropOddText;
    dropOddText.dropDown = true;
    dropOddText.editText = u"abcd";
    dropOddText.items = {u"abcd", u"ef"};
    ListData dropEvenText = dropOddText;
    dropEvenText.editText = u"abc";
    // The drop-down of a filter, its record ending with its data.
    ListData filter;
    filter.dropDown = true;
    filter.listType = 3;
    filter.editText = u"ab";
    filter.lines = 12;
    ListData dropWideText = drop;
    dropWideText.editText = u"\u20AC";
    dropWideText.wideEditText = true;
    // A picture control hosting an embedded control: a table token, the
    // class name, the position and size in the control stream, and a key
    // with empty cell-link and list-fill formulas.
    const std::string cls = "Forms.CheckBox.1";
    Bytes embed = cat(Bytes{0x03, static_cast<std::uint8_t>(cls.size()), 0x00, 0x00}, Bytes(cls.begin(), cls.end()));
    Bytes pictFmla = cat(parsedFormula(Bytes{0x02, 0, 0, 0, 0}), embed);
    if (pictFmla.size() % 2) pictFmla.push_back(0);
    pictFmla = cat(pictFmla, u32le(0), u32le(72), u32le(0), parsedFormula({}), parsedFormula({}));

    auto lbs = [](std::uint16_t ot, std::uint16_t id, const ListData& d, const Bytes& cellLink) {
        return cat(cmo(ot, id), sbs(0, 0, 0), cellLink.empty() ? Bytes{} : formulaSub(0x0E, cellLink), listData(d), kEnd);
    };
    return {
        {"button", kButton, cat(cmo(kButton, 1), formulaSub(0x04, nameX(1)), kEnd), "Button 1"},
        {"check box", kCheckBox, cat(cmo(kCheckBox, 2), cbls, formulaSub(0x14, link), cblsData(1), kEnd), "Check Box 2"},
        {"option button", kOption,
         cat(cmo(kOption, 3), cbls, sub(0x0B, Bytes(6, 0)), formulaSub(0x14, link), cblsData(0),
             sub(0x11, cat(u16le(3), u16le(1))), kEnd),
         "Option Button 3"},
        {"edit box", kEdit, cat(cmo(kEdit, 4), sub(0x10, cat(u16le(0), u16le(1), u16le(1), u16le(0))), kEnd), ""},
        {"label", kLabel, cat(cmo(kLabel, 5), kEnd), "Label 5"},
        {"spinner", kSpinner, cat(cmo(kSpinner, 6), sbs(3, 0, 100), formulaSub(0x0E, link), kEnd), ""},
        {"scroll bar with a macro", kScrollBar,
         cat(cmo(kScrollBar, 7), sbs(50, 0, 100, true), formulaSub(0x04, nameX(2)), formulaSub(0x0E, link), kEnd), ""},
        {"list box with an input range", kList, lbs(kList, 8, inputList, link), ""},
        {"list box of stored items, multi-select", kList, lbs(kList, 9, stored, {}), ""},
        {"list box of wide items, extended select", kList, lbs(kList, 10, wideStored, link), ""},
        {"group box", kGroupBox, cat(cmo(kGroupBox, 11), sub(0x0F, cat(u16le(0), u16le(0), u16le(1))), kEnd),
         "Group Box 11"},
        {"drop-down with an input range", kDropDown, lbs(kDropDown, 12, drop, link), ""},
        {"drop-down with an odd edit text", kDropDown, lbs(kDropDown, 13, dropOddText, link), ""},
        {"drop-down with an even edit text", kDropDown, lbs(kDropDown, 14, dropEvenText, {}), ""},
        {"drop-down with a wide edit text", kDropDown, lbs(kDropDown, 15, dropWideText, link), ""},
        {"drop-down of a filter", kDropDown, cat(cmo(kDropDown, 16), sbs(0, 0, 0), listData(filter)), "", true},
        {"picture of an embedded control", kPicture,
         cat(cmo(kPicture, 17), sub(0x07, u16le(2)), sub(0x08, u16le(0x0030)), sub(0x09, pictFmla), kEnd), ""},
    };
}

}  // namespace celvo::test::controls
