#include "celvo/formulatext.h"

#include "celvo/cellref.h"
#include "celvo/numtext.h"

namespace celvo {

namespace {

bool isWordChar(char16_t c) noexcept
{
    return isAsciiLetter(c) || isAsciiDigit(c) || c == u'_' || c == u'.' || c == u'$' || c == u'\\' || c == u'?' ||
           c >= 0x80;
}

bool isWordStart(char16_t c) noexcept { return isAsciiLetter(c) || c == u'_' || c == u'$' || c == u'\\' || c >= 0x80; }

bool isBlank(char16_t c) noexcept { return c == u' ' || c == u'\n' || c == u'\r' || c == u'\t'; }

// End of a run of word characters from `at`.
std::size_t wordEnd(u16view t, std::size_t at)
{
    while (at < t.size() && isWordChar(t[at])) ++at;
    return at;
}

// End of a quoted text ('...' or "...", doubled quotes inside) starting at
// `at`; the text's end when it is not closed.
std::size_t quotedEnd(u16view t, std::size_t at)
{
    const char16_t q = t[at];
    std::size_t i = at + 1;
    while (i < t.size()) {
        if (t[i] == q) {
            if (i + 1 < t.size() && t[i + 1] == q) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return t.size();
}

// End of a bracketed part starting at `at` ("[" ... "]", nested).
std::size_t bracketEnd(u16view t, std::size_t at)
{
    int depth = 0;
    for (std::size_t i = at; i < t.size(); ++i) {
        if (t[i] == u'[') ++depth;
        else if (t[i] == u']' && --depth == 0) return i + 1;
    }
    return t.size();
}

// The end of a sheet prefix starting at `at`, or npos when none starts there:
// an optional [book] part, then a quoted name or a word with an optional
// ":word", then "!".
std::size_t sheetPrefixEnd(u16view t, std::size_t at)
{
    std::size_t i = at;
    if (i < t.size() && t[i] == u'[') {
        i = bracketEnd(t, i);
        if (i >= t.size()) return u16view::npos;
    }
    if (i < t.size() && t[i] == u'\'') {
        i = quotedEnd(t, i);
    } else if (i < t.size() && (isWordChar(t[i]))) {
        i = wordEnd(t, i);
        if (i < t.size() && t[i] == u':' && i + 1 < t.size() && isWordChar(t[i + 1])) {
            const std::size_t second = wordEnd(t, i + 1);
            if (second < t.size() && t[second] == u'!') i = second;
        }
    } else {
        return u16view::npos;
    }
    return i < t.size() && t[i] == u'!' ? i + 1 : u16view::npos;
}

// An error literal at `at` ("#" seen): #N/A, or "#" and letters, digits and
// "/" up to a closing "!" or "?".
std::size_t errorEnd(u16view t, std::size_t at)
{
    if (t.substr(at, 4) == u"#N/A") return at + 4;
    std::size_t i = at + 1;
    while (i < t.size() && (isAsciiLetter(t[i]) || isAsciiDigit(t[i]) || t[i] == u'/' || t[i] == u'_')) ++i;
    if (i < t.size() && (t[i] == u'!' || t[i] == u'?')) return i + 1;
    return at + 1;
}

std::size_t numberEnd(u16view t, std::size_t at)
{
    std::size_t i = at;
    while (i < t.size() && isAsciiDigit(t[i])) ++i;
    if (i < t.size() && t[i] == u'.') {
        ++i;
        while (i < t.size() && isAsciiDigit(t[i])) ++i;
    }
    if (i < t.size() && (t[i] == u'e' || t[i] == u'E')) {
        std::size_t j = i + 1;
        if (j < t.size() && (t[j] == u'+' || t[j] == u'-')) ++j;
        if (j < t.size() && isAsciiDigit(t[j])) {
            while (j < t.size() && isAsciiDigit(t[j])) ++j;
            i = j;
        }
    }
    return i;
}

u16string unquoted(u16view name)
{
    if (name.size() >= 2 && name.front() == u'\'' && name.back() == u'\'') {
        u16string out;
        for (std::size_t i = 1; i + 1 < name.size(); ++i) {
            out += name[i];
            if (name[i] == u'\'' && i + 2 < name.size() && name[i + 1] == u'\'') ++i;
        }
        return out;
    }
    return u16string(name);
}

bool looksLikeReference(u16view name)
{
    // A1 style: letters then digits; R1C1 style: R, C, RnCm and the like.
    std::size_t i = 0;
    while (i < name.size() && isAsciiLetter(name[i])) ++i;
    if (i > 0 && i <= 3 && i < name.size()) {
        std::size_t j = i;
        while (j < name.size() && isAsciiDigit(name[j])) ++j;
        if (j == name.size()) return true;
    }
    const u16string up = asciiUpper(name);
    std::size_t k = 0;
    if (k < up.size() && up[k] == u'R') {
        ++k;
        while (k < up.size() && isAsciiDigit(up[k])) ++k;
    }
    if (k < up.size() && up[k] == u'C') {
        ++k;
        while (k < up.size() && isAsciiDigit(up[k])) ++k;
    }
    return k == up.size() && k > 0;
}

bool plainSheetName(u16view name)
{
    if (name.empty() || !(isAsciiLetter(name[0]) || name[0] == u'_' || name[0] >= 0x80)) return false;
    for (char16_t c : name)
        if (!(isAsciiLetter(c) || isAsciiDigit(c) || c == u'_' || c == u'.' || c >= 0x80)) return false;
    const u16string up = asciiUpper(name);
    if (up == u"TRUE" || up == u"FALSE") return false;
    return !looksLikeReference(name);
}

u16string quotedName(u16view name)
{
    u16string out = u"'";
    for (char16_t c : name) {
        out += c;
        if (c == u'\'') out += c;
    }
    out += u'\'';
    return out;
}

}  // namespace

std::vector<FormulaToken> tokenizeFormula(u16view t)
{
    std::vector<FormulaToken> out;
    std::size_t i = 0;
    auto push = [&](FormulaToken::Kind k, std::size_t end) {
        out.push_back({k, i, end});
        i = end;
    };
    while (i < t.size()) {
        const char16_t c = t[i];
        if (c == u'"') {
            push(FormulaToken::String, quotedEnd(t, i));
        } else if (c == u'\'' || c == u'[' || isWordStart(c) || isAsciiDigit(c)) {
            const std::size_t prefix = sheetPrefixEnd(t, i);
            if (prefix != u16view::npos) push(FormulaToken::SheetPrefix, prefix);
            else if (c == u'\'') push(FormulaToken::Other, quotedEnd(t, i));
            else if (c == u'[') push(FormulaToken::Bracket, bracketEnd(t, i));
            else if (isAsciiDigit(c)) {
                // A number, or a reference that starts with a digit (1:1).
                const std::size_t n = numberEnd(t, i);
                const std::size_t w = wordEnd(t, i);
                push(w > n ? FormulaToken::Word : FormulaToken::Number, w > n ? w : n);
            } else push(FormulaToken::Word, wordEnd(t, i));
        } else if (c == u'.' && i + 1 < t.size() && isAsciiDigit(t[i + 1])) {
            push(FormulaToken::Number, numberEnd(t, i));
        } else if (c == u'#') {
            push(FormulaToken::Error, errorEnd(t, i));
        } else if (c == u'{') {
            push(FormulaToken::ArrayOpen, i + 1);
        } else if (c == u'}') {
            push(FormulaToken::ArrayClose, i + 1);
        } else if (c == u',' || c == u';') {
            push(FormulaToken::Separator, i + 1);
        } else if (isBlank(c)) {
            std::size_t e = i;
            while (e < t.size() && isBlank(t[e])) ++e;
            push(FormulaToken::Space, e);
        } else if (c == u'<' && i + 1 < t.size() && (t[i + 1] == u'=' || t[i + 1] == u'>')) {
            push(FormulaToken::Operator, i + 2);
        } else if (c == u'>' && i + 1 < t.size() && t[i + 1] == u'=') {
            push(FormulaToken::Operator, i + 2);
        } else if (u16view(u"+-*/^&=<>%:()").find(c) != u16view::npos) {
            push(FormulaToken::Operator, i + 1);
        } else {
            push(FormulaToken::Other, i + 1);
        }
    }
    return out;
}

SheetPrefixNames splitSheetPrefix(u16view prefix)
{
    SheetPrefixNames n;
    u16view p = prefix;
    if (!p.empty() && p.back() == u'!') p.remove_suffix(1);
    if (!p.empty() && p.front() == u'[') {
        const std::size_t e = bracketEnd(p, 0);
        n.book.assign(p.substr(1, e >= 2 ? e - 2 : 0));
        p.remove_prefix(e);
    }
    // A sheet name holds no colon: one in the (unquoted) text separates the
    // ends of a range, inside the quotes of a quoted prefix too.
    const u16string names = unquoted(p);
    const std::size_t colon = names.find(u':');
    if (colon == u16string::npos) {
        n.first = n.last = names;
    } else {
        n.first = names.substr(0, colon);
        n.last = names.substr(colon + 1);
    }
    return n;
}

bool isPlainName(u16view name) { return plainSheetName(name); }

u16string sheetPrefixText(u16view first, u16view last)
{
    if (first == last) return (plainSheetName(first) ? u16string(first) : quotedName(first)) + u'!';
    if (plainSheetName(first) && plainSheetName(last)) return u16string(first) + u':' + u16string(last) + u'!';
    u16string both(first);
    both += u':';
    both.append(last);
    return quotedName(both) + u'!';
}

bool rewriteSheetPrefixes(u16string& text, const std::function<bool(const SheetPrefixNames&, u16string&)>& replace)
{
    u16string rewritten, replacement;
    std::size_t copied = 0;
    bool changed = false;
    for (const FormulaToken& t : tokenizeFormula(text)) {
        if (t.kind != FormulaToken::SheetPrefix) continue;
        const SheetPrefixNames p = splitSheetPrefix(u16view(text).substr(t.begin, t.end - t.begin));
        if (!p.book.empty()) continue;
        replacement.clear();
        if (!replace(p, replacement)) continue;
        rewritten.append(text, copied, t.begin - copied);
        rewritten += replacement;
        copied = t.end;
        changed = true;
    }
    if (!changed) return false;
    rewritten.append(text, copied, u16string::npos);
    text = std::move(rewritten);
    return true;
}

// ---- moving references ----------------------------------------------------------

namespace {

// One end of a reference: a cell (both parts), a whole column or a whole row.
struct RefEnd {
    bool hasCol = false, hasRow = false;
    bool colAbs = false, rowAbs = false;
    long col = 0, row = 0;  // 0-based
};

// Reads "$A$1", "A1", "$A", "A" (when columns are allowed), "$1", "1" (when
// rows are allowed); false for any other text.
bool readRefEnd(u16view t, bool allowColumn, bool allowRow, RefEnd& end)
{
    std::size_t i = 0;
    RefEnd r;
    if (i < t.size() && t[i] == u'$') {
        r.colAbs = true;
        ++i;
    }
    std::size_t letters = 0;
    long col = 0;
    while (i < t.size() && isAsciiLetter(t[i]) && letters < 4) {
        col = col * 26 + (asciiUpper(t[i]) - u'A' + 1);
        ++i;
        ++letters;
    }
    if (letters > 3) return false;
    if (letters > 0) {
        r.hasCol = true;
        r.col = col - 1;
        if (i < t.size() && t[i] == u'$') {
            r.rowAbs = true;
            ++i;
        }
    } else if (r.colAbs) {
        // "$1": the mark is the row's.
        r.colAbs = false;
        r.rowAbs = true;
    }
    std::size_t digits = 0;
    long row = 0;
    while (i < t.size() && isAsciiDigit(t[i]) && digits < 8) {
        row = row * 10 + (t[i] - u'0');
        ++i;
        ++digits;
    }
    if (i != t.size()) return false;
    if (digits > 0) {
        if (row < 1) return false;
        r.hasRow = true;
        r.row = row - 1;
    } else if (r.rowAbs && letters > 0) {
        return false;  // "A$" is no reference
    }
    if (!r.hasCol && !r.hasRow) return false;
    if (r.hasCol && r.hasRow) {
        if (r.col >= kMaxColsLarge || r.row >= kMaxRowsLarge) return false;
    } else if (r.hasCol ? !allowColumn : !allowRow) {
        return false;
    }
    if ((r.hasCol && r.col >= kMaxColsLarge) || (r.hasRow && r.row >= kMaxRowsLarge)) return false;
    end = r;
    return true;
}

// Moves an end; false when it leaves the sheet.
bool moveRefEnd(RefEnd& r, long rows, long cols)
{
    if (r.hasCol && !r.colAbs) r.col += cols;
    if (r.hasRow && !r.rowAbs) r.row += rows;
    return (!r.hasCol || (r.col >= 0 && r.col < kMaxColsLarge)) && (!r.hasRow || (r.row >= 0 && r.row < kMaxRowsLarge));
}

void appendRefEnd(u16string& out, const RefEnd& r)
{
    if (r.hasCol) {
        if (r.colAbs) out += u'$';
        columnLetters(out, static_cast<int>(r.col));
    }
    if (r.hasRow) {
        if (r.rowAbs) out += u'$';
        out += formatInt(r.row + 1);
    }
}

// The tokens of a formula text, read for references.
struct RefTokens {
    u16view text;
    std::vector<FormulaToken> tokens;

    explicit RefTokens(u16view t) : text(t), tokens(tokenizeFormula(t)) {}
    u16view at(std::size_t k) const { return text.substr(tokens[k].begin, tokens[k].end - tokens[k].begin); }
    // A word or number that may be a reference: not a function name (a word
    // followed by "(") nor a table (one followed by a bracket).
    bool isRef(std::size_t k) const
    {
        if (k >= tokens.size()) return false;
        const FormulaToken::Kind kind = tokens[k].kind;
        if (kind != FormulaToken::Word && kind != FormulaToken::Number) return false;
        if (k + 1 < tokens.size() && tokens[k + 1].kind == FormulaToken::Bracket) return false;
        return !(k + 1 < tokens.size() && tokens[k + 1].kind == FormulaToken::Operator && at(k + 1) == u"(");
    }
    bool isColon(std::size_t k) const
    {
        return k < tokens.size() && tokens[k].kind == FormulaToken::Operator && at(k) == u":";
    }
    // A range of two ends of one shape (cells, whole columns or whole
    // rows) from token k to token k + 2.
    bool range(std::size_t k, RefEnd& first, RefEnd& last) const
    {
        return isRef(k) && isColon(k + 1) && isRef(k + 2) && readRefEnd(at(k), true, true, first) &&
               readRefEnd(at(k + 2), true, true, last) && first.hasCol == last.hasCol && first.hasRow == last.hasRow;
    }
    // A single cell reference at token k.
    bool cell(std::size_t k, RefEnd& end) const
    {
        return tokens[k].kind == FormulaToken::Word && isRef(k) && readRefEnd(at(k), false, false, end);
    }
};

}  // namespace

u16string shiftFormulaText(u16view text, int rowOffset, int colOffset)
{
    const RefTokens t(text);
    u16string out;
    out.reserve(text.size() + 8);
    for (std::size_t k = 0; k < t.tokens.size(); ++k) {
        RefEnd first, last;
        if (t.range(k, first, last)) {
            // Both ends move, whether or not the first falls off the sheet.
            const bool firstKept = moveRefEnd(first, rowOffset, colOffset);
            const bool lastKept = moveRefEnd(last, rowOffset, colOffset);
            const bool kept = firstKept && lastKept;
            if (kept) {
                appendRefEnd(out, first);
                out += u':';
                appendRefEnd(out, last);
            } else {
                out += u"#REF!";
            }
            k += 2;
            continue;
        }
        if (t.cell(k, first)) {
            if (moveRefEnd(first, rowOffset, colOffset)) appendRefEnd(out, first);
            else out += u"#REF!";
            continue;
        }
        out.append(t.at(k));
    }
    return out;
}

}  // namespace celvo

namespace celvo {

namespace {

// The new place of one end's index on the edited axis; false when it is
// removed or pushed off the sheet.
bool editEnd(RefEnd& r, const GridEdit& edit)
{
    long& index = edit.columns ? r.col : r.row;
    const int moved = edit.map(static_cast<int>(index));
    if (moved < 0) return false;
    index = moved;
    return true;
}

bool onEditedAxis(const RefEnd& r, const GridEdit& edit) { return edit.columns ? r.hasCol : r.hasRow; }
bool relativeOnAxis(const RefEnd& r, const GridEdit& edit) { return edit.columns ? !r.colAbs : !r.rowAbs; }

}  // namespace

bool editFormulaReferences(u16string& text, const GridEdit& edit, const FormulaEditPlace& place)
{
    const u16view source(text);
    const RefTokens t(source);
    const std::vector<FormulaToken>& tokens = t.tokens;
    auto tokenText = [&](std::size_t k) { return t.at(k); };
    u16string out;
    out.reserve(text.size() + 8);
    bool changed = false;
    // Where the text of the sheet prefix just copied starts in `out`, and
    // whether it names the edited sheet; npos when the last token was none.
    std::size_t prefixAt = u16string::npos;
    bool prefixEdited = false;
    for (std::size_t k = 0; k < tokens.size(); ++k) {
        const bool prefixed = prefixAt != u16string::npos;
        const bool applies = prefixed ? prefixEdited : place.homeEdited;
        const std::size_t prefixStart = prefixAt;
        prefixAt = u16string::npos;
        if (tokens[k].kind == FormulaToken::SheetPrefix) {
            const SheetPrefixNames p = splitSheetPrefix(tokenText(k));
            prefixEdited = p.book.empty() && p.first == p.last && equalNoCase(p.first, place.editedSheet);
            prefixAt = out.size();
            out.append(tokenText(k));
            continue;
        }
        auto refused = [&] {
            if (prefixed) out.resize(prefixStart);
            out += u"#REF!";
            changed = true;
        };
        RefEnd a, b;
        if (t.range(k, a, b)) {
            const std::size_t end = k + 2;
            if (!applies || !onEditedAxis(a, edit) ||
                (place.definedName && (relativeOnAxis(a, edit) || relativeOnAxis(b, edit)))) {
                out.append(source.substr(tokens[k].begin, tokens[end].end - tokens[k].begin));
                k = end;
                continue;
            }
            long& ia = edit.columns ? a.col : a.row;
            long& ib = edit.columns ? b.col : b.row;
            bool kept = true;
            if (ia <= ib) {
                int na = static_cast<int>(ia), nb = static_cast<int>(ib);
                kept = edit.mapSpan(na, nb);
                ia = na;
                ib = nb;
            } else {
                // A reversed range: each end moves on its own.
                kept = editEnd(a, edit) && editEnd(b, edit);
            }
            k = end;
            if (!kept) {
                refused();
                continue;
            }
            const std::size_t before = out.size();
            appendRefEnd(out, a);
            out += u':';
            appendRefEnd(out, b);
            if (u16view(out).substr(before) != source.substr(tokens[k - 2].begin, tokens[end].end - tokens[k - 2].begin))
                changed = true;
            continue;
        }
        if (t.cell(k, a) && applies && !(place.definedName && relativeOnAxis(a, edit))) {
            const long old = edit.columns ? a.col : a.row;
            if (!editEnd(a, edit)) {
                refused();
                continue;
            }
            if ((edit.columns ? a.col : a.row) != old) changed = true;
            appendRefEnd(out, a);
            continue;
        }
        out.append(tokenText(k));
    }
    if (changed) text = std::move(out);
    return changed;
}

}  // namespace celvo

// ---- sheets deleted ---------------------------------------------------------------

namespace celvo {

bool removeSheetReferences(u16string& text, u16view sheetName, u16view before, u16view after, RemovedSheetRef form)
{
    const std::vector<FormulaToken> tokens = tokenizeFormula(text);
    u16string rewritten;
    std::size_t copied = 0;
    bool changed = false;
    auto isKind = [&](std::size_t i, FormulaToken::Kind kind) { return i < tokens.size() && tokens[i].kind == kind; };
    auto isColon = [&](std::size_t i) {
        return isKind(i, FormulaToken::Operator) && tokens[i].end - tokens[i].begin == 1 && text[tokens[i].begin] == u':';
    };
    auto isOpen = [&](std::size_t i) {
        return isKind(i, FormulaToken::Operator) && tokens[i].end - tokens[i].begin == 1 && text[tokens[i].begin] == u'(';
    };
    auto isEnd = [&](std::size_t i) {
        return (isKind(i, FormulaToken::Word) && !isOpen(i + 1)) || isKind(i, FormulaToken::Number);
    };
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const FormulaToken& t = tokens[i];
        if (t.kind != FormulaToken::SheetPrefix) continue;
        const SheetPrefixNames p = splitSheetPrefix(u16view(text).substr(t.begin, t.end - t.begin));
        if (!p.book.empty()) continue;
        const bool first = equalNoCase(p.first, sheetName), last = equalNoCase(p.last, sheetName);
        if (!first && !last) continue;
        std::size_t end = t.end;
        u16string replacement;
        if (first && last) {
            replacement = u"#REF!";
            if (form == RemovedSheetRef::WholeReference) {
                // The reference goes with its sheet: a cell, a range, whole
                // rows or columns, or an error already there.
                std::size_t j = i + 1;
                if (isEnd(j)) {
                    ++j;
                    if (isColon(j) && isEnd(j + 1)) j += 2;
                    end = tokens[j - 1].end;
                    i = j - 1;
                } else if (isKind(j, FormulaToken::Error)) {
                    end = tokens[j].end;
                    i = j;
                }
            }
        } else if (first) {
            replacement = sheetPrefixText(after, p.last);
        } else {
            replacement = sheetPrefixText(p.first, before);
        }
        rewritten.append(text, copied, t.begin - copied);
        rewritten += replacement;
        copied = end;
        changed = true;
    }
    if (!changed) return false;
    rewritten.append(text, copied, u16string::npos);
    text = std::move(rewritten);
    return true;
}

// ---- well-formed text -------------------------------------------------------------

namespace {

// A recursive descent over the tokens of a formula text that answers
// whether they make one expression. Only the shape is checked: function
// names and defined names are not looked up.
class FormulaShape {
public:
    explicit FormulaShape(u16view text) : text_(text), tokens_(tokenizeFormula(text)) {}

    bool wellFormed()
    {
        bool ref = false;
        skipSpace();
        if (atEnd() || !expression(ref)) return false;
        skipSpace();
        return atEnd();
    }

private:
    // Deeper nesting than any application reads is refused, and keeps the
    // stack bounded.
    static constexpr int kMaxDepth = 512;

    bool atEnd() const noexcept { return at_ >= tokens_.size(); }
    const FormulaToken* peek() const noexcept { return atEnd() ? nullptr : &tokens_[at_]; }
    const FormulaToken* next() const noexcept { return at_ + 1 < tokens_.size() ? &tokens_[at_ + 1] : nullptr; }
    u16view textOf(const FormulaToken& t) const { return text_.substr(t.begin, t.end - t.begin); }
    bool isOperator(const FormulaToken* t, u16view op) const
    {
        return t && t->kind == FormulaToken::Operator && textOf(*t) == op;
    }
    bool isSeparator(const FormulaToken* t, char16_t c) const
    {
        return t && t->kind == FormulaToken::Separator && text_[t->begin] == c;
    }
    void skipSpace() noexcept
    {
        while (!atEnd() && tokens_[at_].kind == FormulaToken::Space) ++at_;
    }
    // Whether the token can begin an operand (after a blank, the operand of
    // an intersection).
    bool beginsOperand(const FormulaToken* t) const
    {
        if (!t) return false;
        switch (t->kind) {
        case FormulaToken::Number:
        case FormulaToken::String:
        case FormulaToken::Error:
        case FormulaToken::Word:
        case FormulaToken::SheetPrefix:
        case FormulaToken::Bracket:
        case FormulaToken::ArrayOpen: return true;
        case FormulaToken::Operator: return textOf(*t) == u"(";
        default: return false;
        }
    }

    // operand { binary-operator operand }
    bool expression(bool& ref)
    {
        if (++depth_ > kMaxDepth) return false;
        bool ok = unary(ref);
        for (;;) {
            if (!ok) break;
            const std::size_t mark = at_;
            skipSpace();
            const FormulaToken* t = peek();
            static const u16view kBinary[] = {u"+", u"-", u"*", u"/", u"^", u"&", u"=", u"<>", u"<=", u">=", u"<", u">"};
            bool binary = false;
            for (u16view op : kBinary)
                if (isOperator(t, op)) binary = true;
            if (!binary) {
                at_ = mark;
                break;
            }
            ++at_;
            skipSpace();
            bool ignored = false;
            ok = unary(ignored);
            ref = false;
        }
        --depth_;
        return ok;
    }

    // { "+" | "-" } intersection { "%" }
    bool unary(bool& ref)
    {
        bool signed_ = false;
        while (isOperator(peek(), u"+") || isOperator(peek(), u"-")) {
            ++at_;
            skipSpace();
            signed_ = true;
        }
        if (!intersection(ref)) return false;
        while (isOperator(peek(), u"%")) {
            ++at_;
            ref = false;
        }
        if (signed_) ref = false;
        return true;
    }

    // range { blank range }: references that have cells in common.
    bool intersection(bool& ref)
    {
        if (!range(ref)) return false;
        for (;;) {
            if (!peek() || peek()->kind != FormulaToken::Space) return true;
            const std::size_t mark = at_;
            skipSpace();
            if (!beginsOperand(peek())) {
                at_ = mark;
                return true;
            }
            bool other = false;
            if (!ref || !range(other) || !other) return false;
        }
    }

    // primary { ":" primary }
    bool range(bool& ref)
    {
        bool number = false;
        if (!primary(ref, number)) return false;
        while (isOperator(peek(), u":")) {
            if (!(ref || number)) return false;
            ++at_;
            bool other = false;
            if (!primary(other, number) || !(other || number)) return false;
            ref = true;
        }
        return true;
    }

    bool primary(bool& ref, bool& number)
    {
        ref = number = false;
        const FormulaToken* t = peek();
        if (!t) return false;
        switch (t->kind) {
        case FormulaToken::Number:
            ++at_;
            number = true;
            return true;
        case FormulaToken::String:
            ++at_;
            return closedQuote(textOf(*t));
        case FormulaToken::Error:
            ++at_;
            ref = asciiUpper(textOf(*t)) == u"#REF!";
            // #REF!A1: a reference whose sheet was deleted.
            if (ref && peek() && peek()->kind == FormulaToken::Word && !isOperator(next(), u"(")) return word(ref);
            return knownError(textOf(*t));
        case FormulaToken::SheetPrefix: {
            ++at_;
            const FormulaToken* next = peek();
            if (!next) return false;
            if (next->kind == FormulaToken::Error) {
                ++at_;
                ref = true;
                return knownError(textOf(*next));
            }
            if (next->kind == FormulaToken::Number) {
                ++at_;  // whole rows: Data!1:3
                ref = true;
                return true;
            }
            if (next->kind != FormulaToken::Word) return false;
            return word(ref);
        }
        case FormulaToken::Word: return word(ref);
        case FormulaToken::Bracket:
            ++at_;
            ref = true;
            return closedBracket(textOf(*t));
        case FormulaToken::ArrayOpen: return array();
        case FormulaToken::Operator:
            if (textOf(*t) == u"(") return group(ref);
            return false;
        default: return false;
        }
    }

    // A reference, a name, TRUE or FALSE, a function call or a structured
    // reference (Table1[Column]).
    bool word(bool& ref)
    {
        const u16view w = textOf(tokens_[at_]);
        ++at_;
        if (isAsciiDigit(w[0])) return false;
        if (isOperator(peek(), u"(")) return call(ref);
        bool structured = false;
        while (peek() && peek()->kind == FormulaToken::Bracket) {
            if (!closedBracket(textOf(*peek()))) return false;
            ++at_;
            structured = true;
        }
        const u16string up = asciiUpper(w);
        ref = structured || !(up == u"TRUE" || up == u"FALSE");
        return true;
    }

    // "(" [ argument { "," argument } ] ")", where an argument may be left out.
    bool call(bool& ref)
    {
        if (++depth_ > kMaxDepth) return false;
        ++at_;  // "("
        ref = true;  // a function may give a reference (OFFSET, INDEX)
        skipSpace();
        if (isOperator(peek(), u")")) {
            ++at_;
            --depth_;
            return true;
        }
        for (;;) {
            skipSpace();
            const FormulaToken* t = peek();
            if (!isSeparator(t, u',') && !isOperator(t, u")")) {
                bool ignored = false;
                if (!expression(ignored)) return false;
                skipSpace();
                t = peek();
            }
            if (isSeparator(t, u',')) {
                ++at_;
                continue;
            }
            if (isOperator(t, u")")) {
                ++at_;
                --depth_;
                return true;
            }
            return false;
        }
    }

    // "(" expression { "," expression } ")": a comma joins references.
    bool group(bool& ref)
    {
        if (++depth_ > kMaxDepth) return false;
        ++at_;  // "("
        skipSpace();
        if (!expression(ref)) return false;
        skipSpace();
        while (isSeparator(peek(), u',')) {
            ++at_;
            skipSpace();
            bool other = false;
            if (!ref || !expression(other) || !other) return false;
            skipSpace();
        }
        if (!isOperator(peek(), u")")) return false;
        ++at_;
        --depth_;
        return true;
    }

    // "{" constant { ("," | ";") constant } "}"
    bool array()
    {
        ++at_;  // "{"
        for (;;) {
            skipSpace();
            while (isOperator(peek(), u"+") || isOperator(peek(), u"-")) ++at_;
            const FormulaToken* t = peek();
            if (!t) return false;
            bool ok = false;
            if (t->kind == FormulaToken::Number) ok = true;
            else if (t->kind == FormulaToken::String) ok = closedQuote(textOf(*t));
            else if (t->kind == FormulaToken::Error) ok = knownError(textOf(*t));
            else if (t->kind == FormulaToken::Word) {
                const u16string up = asciiUpper(textOf(*t));
                ok = up == u"TRUE" || up == u"FALSE";
            }
            if (!ok) return false;
            ++at_;
            skipSpace();
            t = peek();
            if (t && t->kind == FormulaToken::Separator) {
                ++at_;
                continue;
            }
            if (t && t->kind == FormulaToken::ArrayClose) {
                ++at_;
                return true;
            }
            return false;
        }
    }

    static bool closedQuote(u16view s)
    {
        if (s.size() < 2) return false;
        const char16_t q = s[0];
        for (std::size_t i = 1; i < s.size(); ++i) {
            if (s[i] != q) continue;
            if (i + 1 < s.size() && s[i + 1] == q) {
                ++i;
                continue;
            }
            return i + 1 == s.size();
        }
        return false;
    }

    static bool closedBracket(u16view s)
    {
        int depth = 0;
        for (std::size_t i = 0; i < s.size(); ++i) {
            if (s[i] == u'[') ++depth;
            else if (s[i] == u']' && --depth == 0) return i + 1 == s.size();
        }
        return false;
    }

    static bool knownError(u16view s)
    {
        static const u16view kErrors[] = {u"#NULL!", u"#DIV/0!", u"#VALUE!", u"#REF!",
                                          u"#NAME?", u"#NUM!",   u"#N/A",    u"#GETTING_DATA"};
        const u16string up = asciiUpper(s);
        for (u16view e : kErrors)
            if (up == e) return true;
        return false;
    }

    u16view text_;
    std::vector<FormulaToken> tokens_;
    std::size_t at_ = 0;
    int depth_ = 0;
};

}  // namespace

bool isWellFormedFormula(u16view text) { return FormulaShape(text).wellFormed(); }

}  // namespace celvo
