#include "defined_names.h"

#include <algorithm>

#include "celvo/bytes.h"
#include "celvo/xlerror.h"
#include "formula/ptg.h"
#include "formula/shift.h"

namespace celvo {

namespace {

constexpr std::uint16_t kBuiltIn = 0x0020;
constexpr std::size_t kAreaSize = 11;
constexpr std::size_t kCellSize = 7;
constexpr std::size_t kTitlesSize = 26;
constexpr int kLastRow = 65535;
constexpr int kLastCol = 255;

bool isOneArea(const std::vector<std::uint8_t>& f) noexcept
{
    return f.size() == kAreaSize && ptg::base(f[0]) == ptg::kArea3d;
}

bool isOneCell(const std::vector<std::uint8_t>& f) noexcept
{
    return f.size() == kCellSize && ptg::base(f[0]) == ptg::kRef3d;
}

NameBounds areaAt(const std::uint8_t* p) noexcept
{
    return {getU16(p), getU16(p + 2), getU16(p + 4) & 0x3FFF, getU16(p + 6) & 0x3FFF};
}

bool isRowsTitle(const NameBounds& b) noexcept { return b.colFirst == 0 && b.colLast == kLastCol; }
bool isColumnsTitle(const NameBounds& b) noexcept { return b.rowFirst == 0 && b.rowLast == kLastRow; }

// A two-area print-titles formula: a memory function over two 3-D areas of
// one sheet joined by a union. The areas come out rows title first.
bool titlesAreas(const std::vector<std::uint8_t>& f, NameBounds& rows, NameBounds& cols) noexcept
{
    if (f.size() != kTitlesSize || ptg::base(f[0]) != ptg::kMemFunc || getU16(f.data() + 1) != 0x17 ||
        ptg::base(f[3]) != ptg::kArea3d || ptg::base(f[14]) != ptg::kArea3d || f[25] != ptg::kUnion)
        return false;
    NameBounds first = areaAt(f.data() + 6), second = areaAt(f.data() + 17);
    if (isRowsTitle(first) && isColumnsTitle(second)) {
        rows = first;
        cols = second;
        return true;
    }
    if (isColumnsTitle(first) && isRowsTitle(second)) {
        rows = second;
        cols = first;
        return true;
    }
    return false;
}

void checkSpan(int first, int last, int limit, const char* message)
{
    if (first < 0 || last < 0 || first > limit || last > limit) throw xlerror(message);
}

}  // namespace

void checkNameBounds(const NameBounds& b)
{
    checkSpan(b.rowFirst, b.rowLast, kLastRow, "row must be in range 0-65535");
    checkSpan(b.colFirst, b.colLast, kLastCol, "col must be in range 0-255");
}

std::vector<std::uint8_t> SheetNames::areaFormula(std::uint16_t xti, const NameBounds& b)
{
    ByteWriter out;
    out.u8(ptg::kArea3d);
    out.u16(xti);
    out.u16(static_cast<std::uint16_t>(b.rowFirst));
    out.u16(static_cast<std::uint16_t>(b.rowLast));
    out.u16(static_cast<std::uint16_t>(b.colFirst));
    out.u16(static_cast<std::uint16_t>(b.colLast));
    return out.buffer();
}

std::vector<std::uint8_t> SheetNames::titlesFormula(std::uint16_t xti, int rowFirst, int rowLast, int colFirst,
                                                    int colLast)
{
    std::vector<std::uint8_t> out{ptg::kMemFunc, 0x17, 0x00};
    const std::vector<std::uint8_t> rows = areaFormula(xti, {rowFirst, rowLast, 0, kLastCol});
    const std::vector<std::uint8_t> cols = areaFormula(xti, {0, kLastRow, colFirst, colLast});
    out.insert(out.end(), rows.begin(), rows.end());
    out.insert(out.end(), cols.begin(), cols.end());
    out.push_back(ptg::kUnion);
    return out;
}

bool SheetNames::isBuiltIn(const Lbl& name, char16_t which) noexcept
{
    return (name.grbit & kBuiltIn) != 0 && name.text.count == 1 && name.text.text && name.text.text[0] == which;
}

bool SheetNames::textIs(const Lbl& name, u16view text)
{
    return equalNoCase(u16view(name.text.textOrEmpty(), name.text.text ? name.text.count : 0), text);
}

bool SheetNames::bounds(const Lbl& name, NameBounds& out) const
{
    const std::vector<std::uint8_t>& f = name.formula;
    if (!isOneArea(f) && !isOneCell(f)) return false;
    int first = -1, last = -1;
    if (!book_.externSheetRange(getU16(f.data() + 1), first, last) || first > sheet_ || sheet_ > last) return false;
    if (isOneArea(f)) {
        out = areaAt(f.data() + 3);
    } else {
        const int row = getU16(f.data() + 3), col = getU16(f.data() + 5) & 0x3FFF;
        out = {row, row, col, col};
    }
    return true;
}

std::uint16_t SheetNames::sheetXti() { return book_.externSheetIndex(sheet_, sheet_); }

void SheetNames::addName(u16view text, bool builtIn, std::vector<std::uint8_t> formula)
{
    Lbl name;
    name.pool = &pool_;
    name.grbit = builtIn ? kBuiltIn : 0;
    name.itab = static_cast<std::uint16_t>(sheet_ + 1);
    name.text.assign(text, pool_);
    name.formula = std::move(formula);
    names_.push_back(std::move(name));
}

void SheetNames::setNamedRange(u16view text, const NameBounds& b)
{
    if (text.find(u' ') != u16view::npos) throw xlerror("space symbol isn't allowed");
    if (text.empty()) throw xlerror("name is empty");
    if (text.size() > 255) throw xlerror("name is longer than 255 characters");
    checkNameBounds(b);
    std::vector<std::uint8_t> formula = areaFormula(sheetXti(), b);
    for (Lbl& name : names_) {
        if (ofSheet(name) && textIs(name, text)) {
            name.formula = std::move(formula);
            return;
        }
    }
    addName(text, false, std::move(formula));
}

bool SheetNames::getNamedRange(u16view text, NameBounds& out) const
{
    for (const Lbl& name : names_)
        if (textIs(name, text) && bounds(name, out)) return true;
    return false;
}

int SheetNames::namedRangeCount() const
{
    NameBounds b;
    return static_cast<int>(std::count_if(names_.begin(), names_.end(), [&](const Lbl& n) { return bounds(n, b); }));
}

bool SheetNames::namedRange(int index, u16string& text, NameBounds& out) const
{
    if (index < 0) return false;
    for (const Lbl& name : names_) {
        if (!bounds(name, out)) continue;
        if (index-- == 0) {
            text.assign(name.text.textOrEmpty(), name.text.text ? name.text.count : 0);
            return true;
        }
    }
    return false;
}

bool SheetNames::deleteNamedRange(u16view text)
{
    std::vector<std::size_t> positions;
    for (std::size_t i = 0; i < names_.size(); ++i)
        if (ofSheet(names_[i]) && textIs(names_[i], text)) positions.push_back(i);
    if (positions.empty()) return false;
    erase(positions);
    return true;
}

void SheetNames::forEachStream(const std::function<void(std::vector<std::uint8_t>&)>& f)
{
    for (Lbl& name : names_) f(name.formula);
    if (otherStreams_) otherStreams_(f);
}

void SheetNames::erase(const std::vector<std::size_t>& positions)
{
    // Formulas name defined names by their 1-based place in the list.
    forEachStream([&](std::vector<std::uint8_t>& tokens) {
        for (std::size_t p : positions)
            if (refersToName(tokens, static_cast<std::uint32_t>(p + 1), book_))
                throw xlerror("name is used in a formula");
    });
    for (auto it = positions.rbegin(); it != positions.rend(); ++it) {
        names_.erase(names_.begin() + static_cast<std::ptrdiff_t>(*it));
        const auto erased = static_cast<std::uint32_t>(*it + 1);
        forEachStream([&](std::vector<std::uint8_t>& tokens) { renumberNamesAfterErase(tokens, erased, book_); });
    }
}

void SheetNames::eraseBuiltIn(char16_t which)
{
    std::vector<std::size_t> positions;
    for (std::size_t i = 0; i < names_.size(); ++i)
        if (ofSheet(names_[i]) && isBuiltIn(names_[i], which)) positions.push_back(i);
    if (!positions.empty()) erase(positions);
}

bool SheetNames::setPrintArea(const NameBounds& b)
{
    checkNameBounds(b);
    std::vector<std::uint8_t> formula = areaFormula(sheetXti(), b);
    for (Lbl& name : names_) {
        if (ofSheet(name) && isBuiltIn(name, kPrintArea)) {
            name.formula = std::move(formula);
            return false;
        }
    }
    addName(u16view(&kPrintArea, 1), true, std::move(formula));
    return true;
}

bool SheetNames::setPrintTitles(int rowFirst, int rowLast, int colFirst, int colLast)
{
    const bool rows = rowFirst >= 0;
    const bool cols = colFirst >= 0;
    const std::uint16_t xti = sheetXti();
    // Titles of one kind keep those of the other kind the sheet has.
    auto formula = [&](const NameBounds* oldRows, const NameBounds* oldCols) {
        const int r0 = rows ? rowFirst : oldRows ? oldRows->rowFirst : -1;
        const int r1 = rows ? rowLast : oldRows ? oldRows->rowLast : -1;
        const int c0 = cols ? colFirst : oldCols ? oldCols->colFirst : -1;
        const int c1 = cols ? colLast : oldCols ? oldCols->colLast : -1;
        if (r0 >= 0 && c0 >= 0) return titlesFormula(xti, r0, r1, c0, c1);
        if (r0 >= 0) return areaFormula(xti, {r0, r1, 0, kLastCol});
        return areaFormula(xti, {0, kLastRow, c0, c1});
    };
    for (Lbl& name : names_) {
        if (!ofSheet(name) || !isBuiltIn(name, kPrintTitles)) continue;
        NameBounds oldRows, oldCols;
        if (isOneArea(name.formula)) {
            const NameBounds area = areaAt(name.formula.data() + 3);
            if (isColumnsTitle(area))
                name.formula = formula(nullptr, &area);
            else if (isRowsTitle(area))
                name.formula = formula(&area, nullptr);
            else
                name.formula = formula(nullptr, nullptr);
        } else if (titlesAreas(name.formula, oldRows, oldCols)) {
            name.formula = formula(&oldRows, &oldCols);
        } else {
            // A formula of another shape (one whose rows went with a
            // removal, say) is replaced: a sheet has one set of titles.
            name.formula = formula(nullptr, nullptr);
        }
        return false;
    }
    addName(u16view(&kPrintTitles, 1), true, formula(nullptr, nullptr));
    return true;
}

bool SheetNames::setPrintRepeatRows(int rowFirst, int rowLast)
{
    checkSpan(rowFirst, rowLast, kLastRow, "row must be in range 0-65535");
    return setPrintTitles(rowFirst, rowLast, -1, -1);
}

bool SheetNames::setPrintRepeatColumns(int colFirst, int colLast)
{
    checkSpan(colFirst, colLast, kLastCol, "col must be in range 0-255");
    return setPrintTitles(-1, -1, colFirst, colLast);
}

}  // namespace celvo
