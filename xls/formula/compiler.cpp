#include "compiler.h"

#include <cmath>
#include <utility>

#include "celvo/cellref.h"
#include "celvo/bytes.h"
#include "celvo/numtext.h"
#include "celvo/xlerror.h"
#include "ptg.h"

namespace celvo {

namespace {

constexpr const char* kErrorInFormula = "error in formula";
constexpr const char* kIncorrectToken = "incorrect token in formula";
constexpr const char* kBadParameterCount = "incorrect number of function parameters";
constexpr std::uint16_t kOffsetId = 78;
constexpr std::uint16_t kTodayId = 221;
// Parentheses, calls and signs nested deeper than this are refused, so that
// no text can exhaust the stack of the parser.
constexpr int kMaxNesting = 256;

// Follows double quotes and apostrophes: a double quote counts only outside
// apostrophes and an apostrophe only outside double quotes.
struct Quotes {
    bool inDouble = false;
    bool inSingle = false;
    bool inside() const noexcept { return inDouble || inSingle; }
    // True when c opened or closed a quote.
    bool feed(char16_t c) noexcept
    {
        if (c == u'"' && !inSingle) { inDouble = !inDouble; return true; }
        if (c == u'\'' && !inDouble) { inSingle = !inSingle; return true; }
        return false;
    }
};

bool isOperatorChar(char16_t c) noexcept
{
    switch (c) {
    case u'+': case u'-': case u'*': case u'/': case u'(': case u')': case u'^': case u'<':
    case u'>': case u'=': case u';': case u'&': case u'%': case u',':
        return true;
    default:
        return false;
    }
}

// digits [ "." digits ] | "." digits, from `from` on; returns the end.
std::size_t scanMantissa(u16view t, std::size_t from)
{
    std::size_t i = from;
    std::size_t digits = 0;
    while (i < t.size() && isAsciiDigit(t[i])) ++i, ++digits;
    if (i < t.size() && t[i] == u'.') {
        ++i;
        while (i < t.size() && isAsciiDigit(t[i])) ++i, ++digits;
    }
    return digits ? i : from;
}

// The text so far is a number up to its exponent letter ("1.5E"): a sign
// that follows belongs to the number.
bool isExponentStem(u16view t)
{
    if (t.size() < 2 || (t.back() != u'E' && t.back() != u'e')) return false;
    std::size_t end = scanMantissa(t, 0);
    return end != 0 && end == t.size() - 1;
}

bool isNumberText(u16view t)
{
    std::size_t i = scanMantissa(t, 0);
    if (i == 0) return false;
    if (i < t.size() && (t[i] == u'E' || t[i] == u'e')) {
        ++i;
        if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) ++i;
        std::size_t digits = i;
        while (i < t.size() && isAsciiDigit(t[i])) ++i;
        if (i == digits) return false;
    }
    return i == t.size();
}

bool isSmallInteger(u16view t, std::uint16_t& value)
{
    if (t.empty() || t.size() > 5) return false;
    unsigned v = 0;
    for (char16_t c : t) {
        if (!isAsciiDigit(c)) return false;
        v = v * 10 + (c - u'0');
    }
    if (v > 0xFFFF) return false;
    value = static_cast<std::uint16_t>(v);
    return true;
}

// The position of the first "!" outside apostrophes, or npos.
std::size_t findSheetSeparator(u16view t)
{
    Quotes q;
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (q.feed(t[i])) continue;
        if (!q.inside() && t[i] == u'!') return i;
    }
    return u16view::npos;
}

// ---------------------------------------------------------------------------
// Text to items.

struct Lexeme {
    enum Kind { Operand, Operator, Open, Close, Separator } kind;
    u16string text;
};

// The text without a leading "=" (spaces before it are allowed).
u16view prepare(u16view text)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == u' ') ++i;
    if (i < text.size() && text[i] == u'=') return text.substr(i + 1);
    return text;
}

// A space outside quotes ends the operand before it and is otherwise
// ignored, so that "1 2" stays two operands (and is refused) instead of
// becoming 12.
std::vector<Lexeme> tokenize(u16view text)
{
    std::vector<Lexeme> items;
    u16string current;
    Quotes q;
    const std::size_t n = text.size();
    auto endOperand = [&] {
        if (!current.empty()) {
            items.push_back({Lexeme::Operand, std::move(current)});
            current.clear();
        }
    };
    for (std::size_t i = 0; i < n; ++i) {
        const char16_t c = text[i];
        if (q.feed(c) || q.inside()) {
            current += c;
            continue;
        }
        if (c == u' ') {
            endOperand();
            continue;
        }
        if (!isOperatorChar(c)) {
            current += c;
            continue;
        }
        if ((c == u'+' || c == u'-') && isExponentStem(current) && i + 1 < n && isAsciiDigit(text[i + 1])) {
            current += c;
            continue;
        }
        endOperand();
        u16string op(1, c);
        if ((c == u'<' || c == u'>') && i + 1 < n && text[i + 1] == u'=') op += text[++i];
        else if (c == u'<' && i + 1 < n && text[i + 1] == u'>') op += text[++i];
        Lexeme::Kind kind = c == u'(' ? Lexeme::Open
                          : c == u')' ? Lexeme::Close
                          : (c == u';' || c == u',') ? Lexeme::Separator
                                                     : Lexeme::Operator;
        items.push_back({kind, std::move(op)});
    }
    endOperand();
    return items;
}

// ---------------------------------------------------------------------------
// Items to postfix order.

struct Postfix {
    enum Kind { Token, Operand, Function } kind;
    std::uint8_t token = 0;     // Token: a token without operand
    u16string text;             // Operand: as written
    bool referenceClass = false;  // Operand: stands in a reference-taking argument
    std::uint16_t function = 0;   // Function: number
    std::uint8_t argumentCount = 0;
};

class Parser {
public:
    Parser(const std::vector<Lexeme>& items, const FormulaContext& context)
        : items_(items), functions_(context.functionTable()), context_(context) {}

    std::vector<Postfix> run()
    {
        if (items_.empty()) throw xlerror(kErrorInFormula);
        expression();
        if (pos_ != items_.size()) throw xlerror(kErrorInFormula);
        return std::move(out_);
    }

private:
    struct Call {
        std::uint32_t refMask;
        unsigned argument;
    };

    const Lexeme* peek() const { return pos_ < items_.size() ? &items_[pos_] : nullptr; }
    bool peekOperator(std::initializer_list<const char16_t*> ops) const
    {
        const Lexeme* l = peek();
        if (!l || l->kind != Lexeme::Operator) return false;
        for (const char16_t* op : ops)
            if (l->text == op) return true;
        return false;
    }
    void token(std::uint8_t id) { out_.push_back({Postfix::Token, id, {}, false, 0, 0}); }

    using Level = void (Parser::*)();
    void binary(Level next, std::initializer_list<std::pair<const char16_t*, std::uint8_t>> ops)
    {
        (this->*next)();
        for (;;) {
            const Lexeme* l = peek();
            if (!l || l->kind != Lexeme::Operator) return;
            std::uint8_t id = 0;
            for (const auto& op : ops)
                if (l->text == op.first) id = op.second;
            if (!id) return;
            ++pos_;
            (this->*next)();
            token(id);
        }
    }

    // Counts one level of nesting while it lives.
    class Nested {
    public:
        explicit Nested(int& depth) : depth_(depth)
        {
            if (++depth_ > kMaxNesting) throw xlerror(kErrorInFormula);
        }
        ~Nested() { --depth_; }
        Nested(const Nested&) = delete;
        Nested& operator=(const Nested&) = delete;

    private:
        int& depth_;
    };

    // The six comparisons share the loosest level; "&" binds tighter.
    void expression()
    {
        Nested level(depth_);
        binary(&Parser::concatenation, {{u"=", ptg::kEq}, {u"<>", ptg::kNe}, {u"<", ptg::kLt},
                                        {u">", ptg::kGt}, {u"<=", ptg::kLe}, {u">=", ptg::kGe}});
    }
    void concatenation() { binary(&Parser::additive, {{u"&", ptg::kConcat}}); }
    void additive() { binary(&Parser::multiplicative, {{u"+", ptg::kAdd}, {u"-", ptg::kSub}}); }
    void multiplicative() { binary(&Parser::power, {{u"*", ptg::kMul}, {u"/", ptg::kDiv}}); }
    // Left-associative; a sign binds tighter (-2^2 is 4).
    void power() { binary(&Parser::unary, {{u"^", ptg::kPower}}); }

    void unary()
    {
        Nested level(depth_);
        if (peekOperator({u"-"})) {
            ++pos_;
            unary();
            token(ptg::kUminus);
        } else if (peekOperator({u"+"})) {
            ++pos_;
            unary();
            token(ptg::kUplus);
        } else {
            primary();
            while (peekOperator({u"%"})) {
                ++pos_;
                token(ptg::kPercent);
            }
        }
    }

    void primary()
    {
        const Lexeme* l = peek();
        if (!l) throw xlerror(kErrorInFormula);
        if (l->kind == Lexeme::Open) {
            ++pos_;
            expression();
            const Lexeme* close = peek();
            if (!close || close->kind != Lexeme::Close) throw xlerror(kErrorInFormula);
            ++pos_;
            token(ptg::kParen);
            return;
        }
        if (l->kind != Lexeme::Operand) throw xlerror(kErrorInFormula);
        ++pos_;
        const Lexeme* next = peek();
        const bool callFollows = next && next->kind == Lexeme::Open;
        const u16string upper = asciiUpper(l->text);
        // TRUE and FALSE, and a defined name that is also a function's
        // name, are operands unless they are called.
        const bool operand = !callFollows && (upper == u"TRUE" || upper == u"FALSE" ||
                                              context_.definedNameIndex(l->text) != 0);
        if (!operand) {
            if (const FunctionTable::Row* row = functions_.rowByName(upper)) {
                call(*row);
                return;
            }
        }
        if (callFollows) {
            bool word = !l->text.empty() && (isAsciiLetter(l->text[0]) || l->text[0] == u'_');
            throw xlerror(word ? kIncorrectToken : kErrorInFormula);
        }
        bool referenceClass = false;
        if (!calls_.empty()) {
            const Call& c = calls_.back();
            referenceClass = c.argument < 32 && ((c.refMask >> c.argument) & 1u);
        }
        out_.push_back({Postfix::Operand, 0, l->text, referenceClass, 0, 0});
    }

    // The function's parentheses must be there and closed before anything
    // inside them is read.
    void checkParentheses() const
    {
        if (pos_ >= items_.size()) throw xlerror("error: function parentheses not found");
        if (items_[pos_].kind != Lexeme::Open) throw xlerror("error: function name without open parenthesis");
        int depth = 0;
        for (std::size_t i = pos_; i < items_.size(); ++i) {
            if (items_[i].kind == Lexeme::Open) ++depth;
            else if (items_[i].kind == Lexeme::Close && --depth == 0) return;
        }
        throw xlerror("error: function parentheses not found");
    }

    void call(const FunctionTable::Row& row)
    {
        checkParentheses();
        ++pos_;
        calls_.push_back({row.refMask, 0});
        unsigned count = 0;
        if (peek()->kind == Lexeme::Close) {
            ++pos_;
        } else {
            for (;;) {
                const Lexeme* l = peek();
                if (l->kind == Lexeme::Separator || l->kind == Lexeme::Close) throw xlerror(kErrorInFormula);
                expression();
                ++count;
                l = peek();
                if (l && l->kind == Lexeme::Separator) {
                    ++pos_;
                    ++calls_.back().argument;
                    continue;
                }
                if (l && l->kind == Lexeme::Close) {
                    ++pos_;
                    break;
                }
                throw xlerror(kErrorInFormula);
            }
        }
        calls_.pop_back();
        if (count > 255 || (row.fixedCount != 0 && count != row.fixedCount) || (row.id == kTodayId && count != 0))
            throw xlerror(kBadParameterCount);
        out_.push_back({Postfix::Function, 0, {}, false, row.id, static_cast<std::uint8_t>(count)});
    }

    const std::vector<Lexeme>& items_;
    const FunctionTable& functions_;
    const FormulaContext& context_;
    std::size_t pos_ = 0;
    int depth_ = 0;
    std::vector<Call> calls_;
    std::vector<Postfix> out_;
};

// ---------------------------------------------------------------------------
// Postfix items to token bytes.

class Emitter {
public:
    explicit Emitter(FormulaContext& context) : context_(context) {}

    std::vector<std::uint8_t> run(const std::vector<Postfix>& items, std::size_t maxTokens, const char* tooLong)
    {
        for (const Postfix& item : items) {
            switch (item.kind) {
            case Postfix::Token:
                out_.u8(item.token);
                break;
            case Postfix::Function:
                function(item);
                break;
            case Postfix::Operand:
                operand(item.text, item.referenceClass);
                break;
            }
        }
        if (out_.size() > maxTokens) throw xlerror(tooLong);
        // Only now that every item was accepted may the book gain entries.
        for (const auto& sheet : sheets_)
            out_.patchU16(sheet.at, context_.externSheetIndex(sheet.first, sheet.last));
        return std::move(out_.buffer());
    }

private:
    struct SheetOperand {
        std::size_t at;
        int first;
        int last;
    };

    void function(const Postfix& item)
    {
        if (item.function == kTodayId) {
            const std::uint8_t volatileAttr[] = {ptg::kAttr, ptg::kAttrVolatile, 0, 0};
            out_.bytes(volatileAttr, sizeof volatileAttr);
            out_.u8(ptg::kFunc + ptg::kValueClass);
            out_.u16(item.function);
            return;
        }
        out_.u8(item.function == kOffsetId ? ptg::kFuncVar : ptg::kFuncVar + ptg::kValueClass);
        out_.u8(item.argumentCount);
        out_.u16(item.function);
    }

    static std::uint8_t classed(std::uint8_t id, bool referenceClass)
    {
        return referenceClass ? id : static_cast<std::uint8_t>(id + ptg::kValueClass);
    }

    static RgceLoc loc(const MakeFormula::Reference& r)
    {
        return RgceLoc(r.row, r.col, r.rowRelative, r.colRelative);
    }

    static bool isArea(u16view text, RgceArea* area)
    {
        std::size_t colon = text.find(u':');
        if (colon == u16view::npos) return false;
        MakeFormula::Reference a, b;
        if (!MakeFormula::isReference(text.substr(0, colon), &a) ||
            !MakeFormula::isReference(text.substr(colon + 1), &b))
            return false;
        *area = RgceArea(loc(a), loc(b));
        return true;
    }

    void sheetPart(u16view sheetText)
    {
        int first = -1, last = -1;
        // "#REF!" stands for sheets that were deleted, as the printer shows
        // a reference to them.
        if (asciiUpper(sheetText) != u"#REF") context_.findSheetRange(sheetText, first, last);
        sheets_.push_back({out_.size(), first, last});
        out_.u16(0);  // the EXTERNSHEET index, set at the end
    }

    void operand(const u16string& text, bool referenceClass)
    {
        std::uint16_t small = 0;
        if (isSmallInteger(text, small)) {
            out_.u8(ptg::kInt);
            out_.u16(small);
            return;
        }
        if (isNumberText(text)) {
            double value = parseDouble(text);
            if (!std::isfinite(value)) throw xlerror(kIncorrectToken);
            out_.u8(ptg::kNum);
            out_.f64(value);
            return;
        }
        const u16string upper = asciiUpper(text);
        if (upper == u"TRUE" || upper == u"FALSE") {
            out_.u8(ptg::kBool);
            out_.u8(upper == u"TRUE" ? 1 : 0);
            return;
        }
        if (text[0] == u'"') {
            string(text);
            return;
        }
        const std::size_t bang = findSheetSeparator(text);
        if (bang == u16view::npos) {
            if (std::uint32_t index = context_.definedNameIndex(text)) {
                out_.u8(classed(ptg::kName, referenceClass));
                out_.u32(index);
                return;
            }
        }
        MakeFormula::Reference ref;
        RgceArea area;
        if (bang == u16view::npos) {
            if (MakeFormula::isReference(text, &ref)) {
                out_.u8(classed(ptg::kRef, referenceClass));
                loc(ref).write(out_);
                return;
            }
            if (isArea(text, &area)) {
                out_.u8(ptg::kArea);
                area.write(out_);
                return;
            }
            throw xlerror(kIncorrectToken);
        }
        const u16view sheetText = u16view(text).substr(0, bang);
        const u16view cellText = u16view(text).substr(bang + 1);
        if (sheetText.empty()) throw xlerror(kIncorrectToken);
        if (MakeFormula::isReference(cellText, &ref)) {
            out_.u8(classed(ptg::kRef3d, referenceClass));
            sheetPart(sheetText);
            loc(ref).write(out_);
            return;
        }
        if (isArea(cellText, &area)) {
            out_.u8(ptg::kArea3d + ptg::kValueClass);
            sheetPart(sheetText);
            area.write(out_);
            return;
        }
        throw xlerror(kIncorrectToken);
    }

    // A literal in double quotes; a doubled quote inside stands for one.
    void string(const u16string& text)
    {
        if (text.size() < 2 || text.back() != u'"') throw xlerror(kIncorrectToken);
        u16string value;
        for (std::size_t i = 1; i + 1 < text.size(); ++i) {
            if (text[i] == u'"') {
                if (i + 2 >= text.size() || text[i + 1] != u'"') throw xlerror(kIncorrectToken);
                ++i;
            }
            value += text[i];
        }
        if (value.size() > 255) throw xlerror("string is too long");
        out_.u8(ptg::kStr);
        out_.u8(static_cast<std::uint8_t>(value.size()));
        out_.u8(1);  // 16-bit characters
        for (char16_t c : value) out_.u16(c);
    }

    FormulaContext& context_;
    ByteWriter out_;
    std::vector<SheetOperand> sheets_;
};

}  // namespace

bool MakeFormula::isReference(u16view text, Reference* out)
{
    Reference r;
    std::size_t i = 0;
    if (i < text.size() && text[i] == u'$') {
        r.colRelative = false;
        ++i;
    }
    const std::size_t letters = i;
    while (i < text.size() && isAsciiLetter(text[i])) ++i;
    const std::size_t lettersEnd = i;
    if (lettersEnd == letters) return false;
    if (i < text.size() && text[i] == u'$') {
        r.rowRelative = false;
        ++i;
    }
    const std::size_t digits = i;
    while (i < text.size() && isAsciiDigit(text[i])) ++i;
    if (i == digits || i != text.size()) return false;

    long long col = 0;
    for (std::size_t k = letters; k < lettersEnd && col <= 256; ++k) col = col * 26 + (asciiUpper(text[k]) - u'A' + 1);
    if (col - 1 > 255) throw xlerror("Column is out of range");
    long long row = 0;
    for (std::size_t k = digits; k < i && row <= 65536; ++k) row = row * 10 + (text[k] - u'0');
    if (row < 1 || row > 65536) throw xlerror("Row is out of range");
    r.row = static_cast<std::uint16_t>(row - 1);
    r.col = static_cast<std::uint16_t>(col - 1);
    if (out) *out = r;
    return true;
}

std::vector<std::uint8_t> MakeFormula::compile(u16view text, std::size_t maxTokens, const char* tooLong)
{
    const std::vector<Lexeme> items = tokenize(prepare(text));
    const std::vector<Postfix> postfix = Parser(items, context_).run();
    return Emitter(context_).run(postfix, maxTokens, tooLong);
}

}  // namespace celvo
