#include "shift.h"

#include <algorithm>
#include <string>

#include "celvo/bytes.h"
#include "celvo/xlerror.h"
#include "ptg.h"

namespace celvo {

namespace {

constexpr std::uint16_t kRowRelative = 0x8000;
constexpr std::uint16_t kColRelative = 0x4000;

// Calls f(idOffset, unit) for every token of a stream; throws xlerror when
// the stream cannot be walked.
template <class F>
void forEachToken(const std::vector<std::uint8_t>& tokens, F&& f)
{
    ByteReader in(tokens, "formula tokens are truncated");
    while (!in.atEnd()) {
        const std::size_t at = in.pos();
        PtgUnit unit = readPtgUnit(in);
        f(at, unit);
    }
}

std::uint8_t classOf(std::uint8_t id) noexcept { return static_cast<std::uint8_t>(id & 0x60); }

// One reference of a token stream, read from and written back to the bytes.
struct RefFields {
    std::size_t at = 0;      // offset of the token id
    std::size_t loc = 0;     // offset of the first position field
    bool area = false;
    bool threeD = false;
};

// Turns the token at f.at into its #REF! form, keeping its class and its
// EXTERNSHEET index.
void makeError(std::vector<std::uint8_t>& t, const RefFields& f)
{
    const std::uint8_t cls = classOf(t[f.at]);
    std::uint8_t base = f.threeD ? (f.area ? ptg::kAreaErr3d : ptg::kRefErr3d) : (f.area ? ptg::kAreaErr : ptg::kRefErr);
    t[f.at] = static_cast<std::uint8_t>(cls | (base & 0x1F));
    std::fill(t.begin() + static_cast<std::ptrdiff_t>(f.loc),
              t.begin() + static_cast<std::ptrdiff_t>(f.loc + (f.area ? 8 : 4)), 0);
}

// Shifts one reference; true when a byte changed.
bool shiftOne(std::vector<std::uint8_t>& t, const RefFields& f, const GridEdit& edit, TokenOwner owner)
{
    std::uint8_t* p = t.data() + f.loc;
    if (!f.area) {
        const std::uint16_t row = getU16(p), colWord = getU16(p + 2);
        if (owner == TokenOwner::Name && (colWord & (edit.columns ? kColRelative : kRowRelative))) return false;
        const int index = edit.columns ? (colWord & 0x3FFF) : row;
        const int moved = edit.map(index);
        if (moved == index) return false;
        if (moved < 0) {
            makeError(t, f);
            return true;
        }
        if (edit.columns)
            putU16(p + 2, static_cast<std::uint16_t>((colWord & 0xC000) | moved));
        else
            putU16(p, static_cast<std::uint16_t>(moved));
        return true;
    }
    const std::uint16_t rowFirst = getU16(p), rowLast = getU16(p + 2);
    const std::uint16_t colFirst = getU16(p + 4), colLast = getU16(p + 6);
    const std::uint16_t relative = edit.columns ? kColRelative : kRowRelative;
    if (owner == TokenOwner::Name && ((colFirst | colLast) & relative)) return false;
    int a = edit.columns ? (colFirst & 0x3FFF) : rowFirst;
    int b = edit.columns ? (colLast & 0x3FFF) : rowLast;
    int na = a, nb = b;
    if (a <= b) {
        if (!edit.mapSpan(na, nb)) {
            makeError(t, f);
            return true;
        }
    } else {
        // A reversed area: each corner moves on its own.
        na = edit.map(a);
        nb = edit.map(b);
        if (na < 0 || nb < 0) {
            makeError(t, f);
            return true;
        }
    }
    if (na == a && nb == b) return false;
    if (edit.columns) {
        putU16(p + 4, static_cast<std::uint16_t>((colFirst & 0xC000) | na));
        putU16(p + 6, static_cast<std::uint16_t>((colLast & 0xC000) | nb));
    } else {
        putU16(p, static_cast<std::uint16_t>(na));
        putU16(p + 2, static_cast<std::uint16_t>(nb));
    }
    return true;
}

// The EXTERNSHEET entry names exactly one sheet, the edited one.
bool pointsAtSheet(const FormulaContext& context, std::uint16_t xti, int sheet)
{
    int first = -1, last = -1;
    return context.externSheetRange(xti, first, last) && first == sheet && last == sheet;
}

// The reference fields of a unit, or false for a token that is not a
// reference with positions.
bool referenceOf(const std::vector<std::uint8_t>& tokens, std::size_t at, const PtgUnit& unit, RefFields& f)
{
    const std::size_t operand = static_cast<std::size_t>(unit.operand - tokens.data());
    f.at = at;
    switch (ptg::base(unit.id)) {
    case ptg::kRef: case ptg::kRefN: f.loc = operand; f.area = false; f.threeD = false; return true;
    case ptg::kArea: case ptg::kAreaN: f.loc = operand; f.area = true; f.threeD = false; return true;
    case ptg::kRef3d: f.loc = operand + 2; f.area = false; f.threeD = true; return true;
    case ptg::kArea3d: f.loc = operand + 2; f.area = true; f.threeD = true; return true;
    default: return false;
    }
}

// Resolves (toAbsolute) or relativises one position word pair.
void convertLoc(std::uint8_t* rowField, std::uint8_t* colField, std::uint16_t row, std::uint16_t col, bool toAbsolute)
{
    const std::uint16_t r = getU16(rowField), w = getU16(colField);
    std::uint16_t newRow = r;
    std::uint16_t newCol = static_cast<std::uint16_t>(w & 0x3FFF);
    if (w & kRowRelative)
        newRow = static_cast<std::uint16_t>(toAbsolute ? row + r : r - row);
    if (w & kColRelative) {
        if (toAbsolute)
            newCol = static_cast<std::uint16_t>((col + static_cast<std::int8_t>(w & 0xFF)) & 0xFF);
        else
            newCol = static_cast<std::uint16_t>((newCol - col) & 0xFF);
    }
    putU16(rowField, newRow);
    putU16(colField, static_cast<std::uint16_t>((w & 0xC000) | newCol));
}

// Converts every reference of a shared-formula stream between the relative
// and the absolute form at (row, col); `layout` is the stream in its shared
// form, which tells the tokens to convert.
std::vector<std::uint8_t> convertShared(const std::vector<std::uint8_t>& tokens,
                                        const std::vector<std::uint8_t>& layout, std::uint16_t row,
                                        std::uint16_t col, bool toAbsolute)
{
    if (tokens.size() != layout.size()) throw xlerror("shared formula tokens differ in size");
    std::vector<std::uint8_t> out = tokens;
    forEachToken(layout, [&](std::size_t at, const PtgUnit& unit) {
        RefFields f;
        if (!referenceOf(layout, at, unit, f)) return;
        const std::uint8_t base = ptg::base(unit.id);
        // Plain references hold positions in shared formulas too.
        if (base == ptg::kRef || base == ptg::kArea) return;
        const std::uint8_t cls = classOf(unit.id);
        // An error token in the converted stream has no positions left.
        const std::uint8_t now = ptg::base(out[at]);
        if (now == ptg::kRefErr || now == ptg::kAreaErr || now == ptg::kRefErr3d || now == ptg::kAreaErr3d) return;
        std::uint8_t* p = out.data() + f.loc;
        if (f.area) {
            convertLoc(p, p + 4, row, col, toAbsolute);
            convertLoc(p + 2, p + 6, row, col, toAbsolute);
        } else {
            convertLoc(p, p + 2, row, col, toAbsolute);
        }
        if (base == ptg::kRefN || base == ptg::kAreaN)
            out[at] = static_cast<std::uint8_t>(cls | ((toAbsolute ? base - 8 : base) & 0x1F));
    });
    return out;
}

}  // namespace

bool shiftReferences(std::vector<std::uint8_t>& tokens, const GridEdit& edit, int home,
                     const FormulaContext& context, TokenOwner owner)
{
    std::vector<std::uint8_t> work = tokens;
    bool changed = false;
    try {
        forEachToken(tokens, [&](std::size_t at, const PtgUnit& unit) {
            RefFields f;
            if (!referenceOf(tokens, at, unit, f)) return;
            const std::uint8_t base = ptg::base(unit.id);
            // Relative tokens belong to their shared formula, which is
            // resolved before it is shifted.
            if (base == ptg::kRefN || base == ptg::kAreaN) return;
            if (f.threeD) {
                if (!pointsAtSheet(context, getU16(unit.operand), edit.sheet)) return;
            } else if (home != edit.sheet) {
                return;
            }
            changed = shiftOne(work, f, edit, owner) || changed;
        });
    } catch (const std::exception&) {
        return false;
    }
    if (changed) tokens.swap(work);
    return changed;
}

std::vector<std::uint8_t> resolveSharedTokens(const std::vector<std::uint8_t>& tokens, std::uint16_t row,
                                              std::uint16_t col)
{
    return convertShared(tokens, tokens, row, col, true);
}

std::vector<std::uint8_t> relativeSharedTokens(const std::vector<std::uint8_t>& resolved,
                                               const std::vector<std::uint8_t>& shared, std::uint16_t row,
                                               std::uint16_t col)
{
    return convertShared(resolved, shared, row, col, false);
}

namespace {

// The offset of the name index of a token that names a defined name of the
// book, or npos.
std::size_t nameIndexAt(const std::vector<std::uint8_t>& tokens, const PtgUnit& unit, const FormulaContext& context)
{
    const auto operand = static_cast<std::size_t>(unit.operand - tokens.data());
    switch (ptg::base(unit.id)) {
    case ptg::kName:
        return operand;
    case ptg::kNameX: {
        int first = 0, last = 0;
        return context.externSheetRange(getU16(unit.operand), first, last) ? operand + 2 : std::string::npos;
    }
    default:
        return std::string::npos;
    }
}

}  // namespace

bool refersToName(const std::vector<std::uint8_t>& tokens, std::uint32_t index, const FormulaContext& context)
{
    bool found = false;
    try {
        forEachToken(tokens, [&](std::size_t, const PtgUnit& unit) {
            const std::size_t at = nameIndexAt(tokens, unit, context);
            if (at != std::string::npos && getU32(tokens.data() + at) == index) found = true;
        });
    } catch (const std::exception&) {
        return false;
    }
    return found;
}

bool renumberNamesAfterErase(std::vector<std::uint8_t>& tokens, std::uint32_t erased,
                             const FormulaContext& context)
{
    std::vector<std::uint8_t> work = tokens;
    bool changed = false;
    try {
        forEachToken(tokens, [&](std::size_t, const PtgUnit& unit) {
            const std::size_t at = nameIndexAt(tokens, unit, context);
            if (at == std::string::npos) return;
            const std::uint32_t index = getU32(work.data() + at);
            if (index > erased) {
                putU32(work.data() + at, index - 1);
                changed = true;
            }
        });
    } catch (const std::exception&) {
        return false;
    }
    if (changed) tokens.swap(work);
    return changed;
}

}  // namespace celvo
