// The .xlsx sheet object: its construction, its place in the book, the
// operations on its entry in the workbook's sheet list, and the cell values.
#include "sheet.h"

#include <cmath>

#include "book.h"
#include "celvo/IFormatT.h"
#include "celvo/dates.h"
#include "celvo/numformat.h"
#include "celvo/numtext.h"
#include "part_shared_strings.h"

namespace celvo {

XMLSheetImplT::XMLSheetImplT() = default;

XMLSheetImplT::XMLSheetImplT(const char* data, std::size_t size)
{
    load(data, size);
    updateUsedRange();
}

XMLSheetImplT::XMLSheetImplT(const XMLSheetImplT& other) : XmlFile(other), ISheetT() { updateUsedRange(); }

std::string& XMLSheetImplT::message() { return book_->message(); }

const char16_t* XMLSheetImplT::keepText(u16string text)
{
    textResult_ = std::move(text);
    return textResult_.c_str();
}

const char16_t* XMLSheetImplT::name()
{
    return guarded(static_cast<const char16_t*>(nullptr), [&]() -> const char16_t* {
        const workbook::c_CT_Sheet* entry = book_->sheetEntry(sheetNumber_);
        if (!entry) throw xlerror("sheet doen't have relationship with book");
        return keepText(entry->name.value);
    });
}

int XMLSheetImplT::hidden()
{
    return guarded(static_cast<int>(SHEETSTATE_VISIBLE), [&] {
        const workbook::c_CT_Sheet* entry = book_->sheetEntry(sheetNumber_);
        if (!entry) throw xlerror("index is out of range");
        if (!entry->state.present) return static_cast<int>(SHEETSTATE_VISIBLE);
        if (entry->state.value == u"hidden") return static_cast<int>(SHEETSTATE_HIDDEN);
        if (entry->state.value == u"veryHidden") return static_cast<int>(SHEETSTATE_VERYHIDDEN);
        return static_cast<int>(SHEETSTATE_VISIBLE);
    });
}

bool XMLSheetImplT::isProtected()
{
    return guarded(false, [&] {
        const sheet::c_CT_SheetProtection* p = root_.sheetProtection.peek();
        return p && p->sheet.value;
    });
}

// ---- formats ------------------------------------------------------------------------

IFormatT* XMLSheetImplT::formatOfStyle(std::uint32_t style) const { return book_->formatAt(style); }

std::uint32_t XMLSheetImplT::styleOfFormat(IFormatT* format) const
{
    const int index = book_->formatIndexOf(format);
    if (index < 0) throw xlerror("unknown format");
    return static_cast<std::uint32_t>(index);
}

// ---- cell types ----------------------------------------------------------------------

namespace {

// A formula cell that holds no value: one written and not yet calculated.
bool uncalculatedFormula(const sheet::c_CT_Cell& cell)
{
    return cell.formula() && !cell.has_value() && !(cell.type() == sheet::cell_type_inline_str && cell.inline_string());
}

// The type of a cell by what it holds: a cell with neither a value nor an
// inline string is blank, whatever its type, and a formula that holds no
// value is a number (0 until it is calculated), as on a .xls book.
int typeOfCell(const sheet::c_CT_Cell* cell)
{
    if (!cell) return CELLTYPE_EMPTY;
    if (uncalculatedFormula(*cell)) return CELLTYPE_NUMBER;
    const unsigned t = cell->type();
    const bool inlineText = t == sheet::cell_type_inline_str && cell->inline_string();
    if (!cell->has_value() && !inlineText) return CELLTYPE_BLANK;
    switch (t) {
    case sheet::cell_type_absent:
    case sheet::cell_type_n:
    case sheet::cell_type_d: return CELLTYPE_NUMBER;
    case sheet::cell_type_s:
    case sheet::cell_type_str:
    case sheet::cell_type_inline_str: return CELLTYPE_STRING;
    case sheet::cell_type_b: return CELLTYPE_BOOLEAN;
    case sheet::cell_type_e: return CELLTYPE_ERROR;
    default: return CELLTYPE_EMPTY;
    }
}

// The serial of an ISO 8601 date and time ("2024-01-15", "2024-01-15T10:30:00",
// "10:30:00", with optional fractions of a second); false for any other text.
bool isoDateSerial(const std::string& text, bool date1904, double& serial)
{
    std::size_t i = 0;
    auto number = [&](std::size_t digits, int& out) {
        if (i + digits > text.size()) return false;
        out = 0;
        for (std::size_t k = 0; k < digits; ++k) {
            const char c = text[i + k];
            if (c < '0' || c > '9') return false;
            out = out * 10 + (c - '0');
        }
        i += digits;
        return true;
    };
    auto expect = [&](char c) {
        if (i < text.size() && text[i] == c) {
            ++i;
            return true;
        }
        return false;
    };
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    double fraction = 0;
    const bool hasDate = text.size() >= 10 && text[4] == '-';
    if (hasDate) {
        if (!number(4, year) || !expect('-') || !number(2, month) || !expect('-') || !number(2, day)) return false;
        if (month < 1 || month > 12 || day < 1 || day > 31) return false;
        if (i < text.size() && !expect('T')) return false;
    }
    if (i < text.size() || !hasDate) {
        if (!number(2, hour) || !expect(':') || !number(2, minute)) return false;
        if (expect(':') && !number(2, second)) return false;
        if (expect('.')) {
            double scale = 0.1;
            bool any = false;
            while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
                fraction += (text[i] - '0') * scale;
                scale /= 10;
                ++i;
                any = true;
            }
            if (!any) return false;
        }
        expect('Z');
        if (i != text.size() || hour > 24 || minute > 59 || second > 59) return false;
    }
    serial = packDate(date1904, hasDate ? year : 0, hasDate ? month : 0, hasDate ? day : 0, hour, minute, second, 0) +
             fraction / 86400.0;
    return std::isfinite(serial);
}

}  // namespace

int XMLSheetImplT::cellType(int row, int col)
{
    return guarded(static_cast<int>(CELLTYPE_EMPTY), [&] { return typeOfCell(findCell(row, col)); });
}

bool XMLSheetImplT::isFormula(int row, int col)
{
    return guarded(false, [&] {
        const sheet::c_CT_Cell* cell = findCell(row, col);
        return cell && cell->formula() != nullptr;
    });
}

IFormatT* XMLSheetImplT::cellFormat(int row, int col)
{
    return guarded(static_cast<IFormatT*>(nullptr), [&] {
        const sheet::c_CT_Cell* cell = findCell(row, col);
        if (!cell) throw xlerror("empty cell");
        return formatOfStyle(cell->s());
    });
}

void XMLSheetImplT::setCellFormat(int row, int col, IFormatT* format)
{
    guardedVoid([&] {
        if (format) {
            cellForWrite(row, col, format, false);
        } else if (sheet::c_CT_Cell* cell = findCell(row, col)) {
            cell->unset_s();
        }
    });
}

// ---- reading values -------------------------------------------------------------------

const char16_t* XMLSheetImplT::readString(int row, int col, IFormatT** format)
{
    return readCell(row, col, format, static_cast<const char16_t*>(nullptr),
                    [&](std::uint32_t, const sheet::c_CT_Cell& cell) -> const char16_t* {
        const unsigned t = cell.type();
        if (t == sheet::cell_type_s && cell.has_value()) {
            const SharedStrings* strings = book_->sharedStringsPart();
            if (!strings) throw xlerror("sharedStrings not found");
            std::uint32_t index = 0;
            if (cell.kind() == sheet::value_kind::index) index = cell.index();
            else if (cell.kind() == sheet::value_kind::number && cell.number() >= 0 && cell.number() < 4294967296.0 &&
                     cell.number() == std::floor(cell.number()))
                index = static_cast<std::uint32_t>(cell.number());
            else throw xlerror("index is out of range or no value");
            return keepText(strings->getString(index));
        }
        if (t == sheet::cell_type_str && cell.has_value()) return keepText(cell.value_wtext());
        if (t == sheet::cell_type_inline_str && cell.inline_string()) return keepText(richText(*cell.inline_string()));
        throw xlerror("this cell doesn't contain a string");
    });
}

double XMLSheetImplT::readNumber(int row, int col, IFormatT** format)
{
    return readCell(row, col, format, 0.0, [&](std::uint32_t, const sheet::c_CT_Cell& cell) {
        const unsigned t = cell.type();
        if (uncalculatedFormula(cell)) return 0.0;
        if (!cell.has_value()) throw xlerror("this cell doesn't contain a number");
        if (t == sheet::cell_type_d) {
            double serial = 0;
            if (!isoDateSerial(cell.value_text(), book_->date1904(), serial))
                throw xlerror("this cell doesn't contain a number");
            return serial;
        }
        if (t != sheet::cell_type_absent && t != sheet::cell_type_n) throw xlerror("this cell doesn't contain a number");
        double value = 0;
        if (cell.value_as_number(value)) return value;
        return parseDouble(cell.value_wtext());
    });
}

bool XMLSheetImplT::readBool(int row, int col, IFormatT** format)
{
    return readCell(row, col, format, false, [&](std::uint32_t, const sheet::c_CT_Cell& cell) {
        if (cell.type() != sheet::cell_type_b || !cell.has_value()) throw xlerror("this cell doesn't contain a bool");
        double value = 0;
        if (cell.value_as_number(value)) return value != 0;
        const u16string text = cell.value_wtext();
        return text == u"true" || parseInt(text) != 0;
    });
}

bool XMLSheetImplT::readBlank(int row, int col, IFormatT** format)
{
    return readCell(row, col, format, false, [&](std::uint32_t, const sheet::c_CT_Cell& cell) {
        if (typeOfCell(&cell) != CELLTYPE_BLANK) throw xlerror("cell is not blank");
        return true;
    });
}

int XMLSheetImplT::readError(int row, int col)
{
    // A successful read leaves the message as it was.
    if (!book_) return ERRORCODE_FAILURE;
    const sheet::c_CT_Cell* cell = findCell(row, col);
    if (!cell) return guarded(static_cast<int>(ERRORCODE_FAILURE), []() -> int { throw xlerror("cell is not found"); });
    if (cell->type() != sheet::cell_type_e)
        return guarded(static_cast<int>(ERRORCODE_FAILURE),
                       []() -> int { throw xlerror("this cell doesn't contain an error"); });
    static const struct {
        const char* text;
        int code;
    } kErrors[] = {{"#DIV/0!", ERRORCODE_DIV_0}, {"#NAME?", ERRORCODE_NAME}, {"#VALUE!", ERRORCODE_VALUE},
                   {"#NULL!", ERRORCODE_NULL},   {"#NUM!", ERRORCODE_NUM},   {"#REF!", ERRORCODE_REF},
                   {"#N/A", ERRORCODE_NA}};
    const std::string text = cell->value_text();
    for (const auto& e : kErrors)
        if (text == e.text) return e.code;
    return guarded(static_cast<int>(ERRORCODE_FAILURE), []() -> int { throw xlerror("unknown error value"); });
}

bool XMLSheetImplT::isDate(int row, int col)
{
    return guarded(false, [&] {
        const sheet::c_CT_Cell* cell = findCell(row, col);
        if (typeOfCell(cell) != CELLTYPE_NUMBER) return false;
        if (cell->type() == sheet::cell_type_d) return true;
        if (!cell->has_s()) return false;
        IFormatT* format = formatOfStyle(cell->s());
        if (!format) return false;
        const int id = format->numFormat();
        if (const int builtIn = builtInNumFormatIsDate(id); builtIn >= 0) return builtIn == 1;
        return numFormatTextIsDate(book_->customNumFormatText(id));
    });
}

// ---- writing values -------------------------------------------------------------------

bool XMLSheetImplT::writeString(int row, int col, const char16_t* value, IFormatT* format)
{
    return guarded(false, [&] {
        const u16view text = u16(value);
        if (text.size() > 32767) throw xlerror("string is too long");
        // The position and format are checked before the text is added.
        checkPosition(row, col);
        if (format) styleOfFormat(format);
        const std::uint32_t index = book_->sharedStrings().addString(text);
        sheet::c_CT_Cell& cell = cellForWrite(row, col, format, true);
        cell.set_type(sheet::cell_type_s);
        cell.set_index(index);
        return true;
    });
}

bool XMLSheetImplT::writeNumber(int row, int col, double value, IFormatT* format)
{
    return guarded(false, [&] {
        if (!std::isfinite(value)) throw xlerror("number is not finite");
        sheet::c_CT_Cell& cell = cellForWrite(row, col, format, true);
        cell.set_number(value);
        return true;
    });
}

bool XMLSheetImplT::writeBool(int row, int col, bool value, IFormatT* format)
{
    return guarded(false, [&] {
        sheet::c_CT_Cell& cell = cellForWrite(row, col, format, true);
        cell.set_type(sheet::cell_type_b);
        cell.set_index(value ? 1u : 0u);
        return true;
    });
}

bool XMLSheetImplT::writeBlank(int row, int col, IFormatT* format)
{
    return guarded(false, [&] {
        if (!format) throw xlerror("format is null");
        cellForWrite(row, col, format, true);
        return true;
    });
}

}  // namespace celvo
