#include "printer.h"

#include <vector>

#include "celvo/cellref.h"
#include "celvo/bytes.h"
#include "celvo/numtext.h"
#include "celvo/xlerror.h"
#include "ptg.h"

namespace celvo {

namespace {

// A PtgNum operand in its shortest form. A whole number up to 65535 then
// compiles back to a PtgInt, which holds the same value.
u16string numberOperand(double value) { return formatShortest(value); }

struct Item {
    enum Kind { Operand, Prefix, Percent, Binary, Paren, Function } kind;
    u16string text;  // operand text, operator, or function name
    unsigned count = 0;  // Function: arguments taken from the stack
};

const char16_t* const kBinary[] = {u"+", u"-", u"*", u"/", u"^", u"&", u"<", u"<=", u"=", u">=", u">", u"<>"};

class TokenReader {
public:
    TokenReader(const FormulaContext& context, int baseRow, int baseCol)
        : context_(context), baseRow_(baseRow), baseCol_(baseCol) {}

    std::vector<Item> read(const std::uint8_t* tokens, std::size_t size)
    {
        std::vector<Item> items;
        ByteReader in(tokens, size, "GetFormula move1 error");
        while (!in.atEnd()) {
            PtgUnit unit = readPtgUnit(in);
            ByteReader operand(unit.operand, unit.operandSize, "GetFormula move1 error");
            item(unit.id, operand, items);
        }
        return items;
    }

private:
    void item(std::uint8_t id, ByteReader& in, std::vector<Item>& items) const
    {
        auto operand = [&items](u16string text) { items.push_back({Item::Operand, std::move(text)}); };
        if (id >= ptg::kAdd && id <= ptg::kNe) {
            items.push_back({Item::Binary, kBinary[id - ptg::kAdd]});
            return;
        }
        switch (id) {
        // The reference operators: intersection, union, range.
        case ptg::kIsect: items.push_back({Item::Binary, u" "}); return;
        case ptg::kUnion: items.push_back({Item::Binary, u","}); return;
        case ptg::kRange: items.push_back({Item::Binary, u":"}); return;
        case ptg::kUplus: items.push_back({Item::Prefix, u"+"}); return;
        case ptg::kUminus: items.push_back({Item::Prefix, u"-"}); return;
        case ptg::kPercent: items.push_back({Item::Percent, {}}); return;
        case ptg::kParen: items.push_back({Item::Paren, {}}); return;
        case ptg::kMissArg: operand(u"MISS"); return;
        case ptg::kStr: operand(stringText(in)); return;
        case ptg::kAttr:
            if (in.u8() == ptg::kAttrSum) items.push_back({Item::Function, u"SUM", 1});
            return;
        case ptg::kErr: operand(u"ERR"); return;
        case ptg::kBool: operand(in.u8() ? u"TRUE" : u"FALSE"); return;
        case ptg::kInt: operand(intToWstr(in.u16())); return;
        case ptg::kNum: operand(numberOperand(in.f64())); return;
        case ptg::kRefErr: operand(u"#REF!"); return;
        default: break;
        }
        if (id < 0x20) {
            operand(u"?");
            return;
        }
        const FunctionTable& functions = context_.functionTable();
        switch (ptg::base(id)) {
        case ptg::kFunc: {
            std::uint8_t count = 0;
            u16string name = functions.nameById(in.u16(), &count);
            items.push_back({Item::Function, std::move(name), count});
            return;
        }
        case ptg::kFuncVar: {
            std::uint8_t count = in.u8();
            std::uint16_t number = in.u16();
            u16string name = number & 0x8000 ? u16string(u"?") : functions.nameById(number);
            items.push_back({Item::Function, std::move(name), count});
            return;
        }
        case ptg::kName: {
            u16string name;
            if (!context_.definedNameText(in.u32(), name)) name = u"?";
            operand(std::move(name));
            return;
        }
        case ptg::kRef: operand(cellText(readLoc(in), false)); return;
        case ptg::kRefN: operand(cellText(readLoc(in), true)); return;
        case ptg::kArea: operand(areaText(in, false)); return;
        case ptg::kAreaN: operand(areaText(in, true)); return;
        case ptg::kRef3d: {
            u16string text = sheetText(in.u16());
            operand(text + cellText(readLoc(in), false));
            return;
        }
        // A range whose sheets are gone reads "#REF!A1:B2", which compiles
        // back to the same tokens.
        case ptg::kArea3d: {
            u16string text = sheetText(in.u16());
            operand(text + areaText(in, false));
            return;
        }
        // The subexpression that follows a Mem token gives the value; the
        // token itself shows nothing.
        case ptg::kMemArea: case ptg::kMemErr: case ptg::kMemNoMem: case ptg::kMemFunc:
            return;
        case ptg::kAreaErr: case ptg::kRefErr3d: case ptg::kAreaErr3d:
        case ptg::kRefErr:
            operand(u"ERR");
            return;
        default:
            operand(u"?");
            return;
        }
    }

    static RgceLoc readLoc(ByteReader& in)
    {
        RgceLoc loc;
        loc.read(in);
        return loc;
    }

    static u16string stringText(ByteReader& in)
    {
        std::size_t count = in.u8();
        const bool wide = in.u8() & 1;
        u16string text(u"\"");
        for (std::size_t i = 0; i < count; ++i) {
            char16_t c = wide ? static_cast<char16_t>(in.u16()) : static_cast<char16_t>(in.u8());
            if (c == u'"') text += u'"';
            text += c;
        }
        text += u'"';
        return text;
    }

    u16string cellText(const RgceLoc& loc, bool offset) const
    {
        unsigned row = loc.row();
        unsigned col = loc.col();
        if (offset && loc.rowRelative()) row = (row + static_cast<unsigned>(baseRow_)) & 0xFFFF;
        if (offset && loc.colRelative()) col = (col + static_cast<unsigned>(baseCol_)) & 0xFF;
        u16string text;
        if (!loc.colRelative()) text += u'$';
        columnLetters(text, static_cast<int>(col));
        if (!loc.rowRelative()) text += u'$';
        text += intToWstr(static_cast<int>(row) + 1);
        return text;
    }

    u16string areaText(ByteReader& in, bool offset) const
    {
        RgceArea area;
        area.read(in);
        return cellText(area.first(), offset) + u':' + cellText(area.last(), offset);
    }

    u16string sheetText(std::uint16_t index) const
    {
        int first = -1, last = -1;
        const int count = context_.sheetCount();
        if (!context_.externSheetRange(index, first, last) || first < 0 || last < 0 || first >= count ||
            last >= count)
            return u"#REF!";
        if (first == last) return quoteSheetNameForFormula(context_.sheetName(first)) + u'!';
        u16string a = context_.sheetName(first);
        u16string b = context_.sheetName(last);
        u16string qa = quoteSheetNameForFormula(a);
        u16string qb = quoteSheetNameForFormula(b);
        if (qa == a && qb == b) return a + u':' + b + u'!';
        return quoteSheetNameForFormula(a + u':' + b) + u'!';
    }

    const FormulaContext& context_;
    int baseRow_;
    int baseCol_;
};

u16string toInfix(const std::vector<Item>& items)
{
    std::vector<u16string> stack;
    auto pop = [&stack] {
        u16string top = std::move(stack.back());
        stack.pop_back();
        return top;
    };
    for (const Item& item : items) {
        switch (item.kind) {
        case Item::Operand:
            stack.push_back(item.text);
            break;
        case Item::Prefix:
            if (stack.empty())
                throw xlerror(item.text == u"-" ? "toInfix error: incorrect unary minus expression"
                                                : "toInfix error: incorrect unary plus expression");
            stack.push_back(item.text + pop());
            break;
        case Item::Percent:
            if (stack.empty()) throw xlerror("toInfix error: incorrect percent expression");
            stack.push_back(pop() + u'%');
            break;
        case Item::Binary: {
            if (stack.size() < 2) throw xlerror("toInfix error: expected two operands for binary operator");
            u16string right = pop();
            u16string left = pop();
            stack.push_back(left + item.text + right);
            break;
        }
        case Item::Paren:
            if (stack.empty()) throw xlerror("toInfix error: incorrect brackets");
            stack.push_back(u'(' + pop() + u')');
            break;
        case Item::Function: {
            if (stack.size() < item.count) throw xlerror("toInfix error: incorrect function expression");
            const std::size_t start = stack.size() - item.count;
            u16string arguments;
            for (std::size_t i = start; i < stack.size(); ++i) {
                if (i != start) arguments += u';';
                arguments += stack[i];
            }
            stack.resize(stack.size() - item.count);
            stack.push_back(item.text + u'(' + arguments + u')');
            break;
        }
        }
    }
    if (stack.size() != 1) throw xlerror("can't build infix formula string");
    return stack.back();
}

}  // namespace

u16string printFormula(const std::uint8_t* tokens, std::size_t size, const FormulaContext& context, int baseRow,
                       int baseCol)
{
    return toInfix(TokenReader(context, baseRow, baseCol).read(tokens, size));
}

}  // namespace celvo
