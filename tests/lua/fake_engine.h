// A small in-memory engine behind the Lua functions: it records every
// operation it receives, with its arguments, and answers with the values the
// test puts in its script.
#pragma once

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "celvo/IBookT.h"
#include "celvo/IFontT.h"
#include "celvo/IFormatT.h"
#include "celvo/ISheetT.h"
#include "celvo/text.h"

namespace celvo::test {

// What the fake operations answer.
struct Script {
    bool boolResult = true;
    int intResult = 0;
    double doubleResult = 0.0;
    u16string text;          // text results...
    bool textNull = false;   // ...or null
    std::string message = "ok";
    IFormatT* formatResult = nullptr;  // cellFormat; the format out-argument of reads
    int unpacked[7] = {0, 0, 0, 0, 0, 0, 0};
    int unpackedWritten = 0;  // how many date parts unpackedDate writes
    int throwKind = 0;        // 1: the next operation throws xlerror-like, 2: throws an int
};

struct World {
    Script script;
    std::vector<std::string> log;
    u16string lastText;              // the last text argument, as the engine saw it
    std::vector<IBookT*> books;      // books alive
    std::vector<IFormatT*> formats;  // formats made, in order

    std::string calls() const
    {
        std::string all;
        for (const auto& c : log) all += (all.empty() ? "" : "; ") + c;
        return all;
    }
};

World& world();

inline std::string show(int v) { return std::to_string(v); }
inline std::string show(bool v) { return v ? "true" : "false"; }
inline std::string show(double v)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}
inline std::string show(const char* raw) { return raw; }
inline std::string show(const char16_t* t)
{
    world().lastText = t ? t : u"";
    return t ? "\"" + utf16ToUtf8(u16(t)) + "\"" : "null";
}
std::string show(IFormatT* f);
inline std::string show(ISheetT* s) { return s ? "sheet" : "null"; }

inline void argsTo(std::string&) {}
template <class A, class... Rest>
void argsTo(std::string& out, A a, Rest... rest)
{
    if (out.back() != '(') out += ",";
    out += show(a);
    argsTo(out, rest...);
}

// Records "who.op(args)" and throws when the script says so.
template <class... A>
void record(const std::string& who, const char* op, A... args)
{
    std::string line = who + "." + op + "(";
    argsTo(line, args...);
    world().log.push_back(line + ")");
    int kind = world().script.throwKind;
    world().script.throwKind = 0;
    if (kind == 1) throw std::runtime_error("engine trouble");
    if (kind == 2) throw 42;
}

inline const char16_t* scriptedText()
{
    return world().script.textNull ? nullptr : world().script.text.c_str();
}

// Operations no Lua function may reach.
template <class R>
R unreachable(const char* what)
{
    world().log.push_back(std::string("UNREACHABLE ") + what);
    if constexpr (!std::is_void_v<R>) return R{};
}

#define CELVO_UNREACHED(R, op, params) \
    R op params override { return unreachable<R>(#op); }

class FakeFormat final : public IFormatT {
public:
    explicit FakeFormat(std::string label) : label_(std::move(label)) {}
    virtual ~FakeFormat() = default;
    const std::string& label() const { return label_; }

    int numFormat() override { return record(label_, "numFormat"), world().script.intResult; }
    void setNumFormat(int id) override { record(label_, "setNumFormat", id); }

    CELVO_UNREACHED(IFontT*, font, ())
    CELVO_UNREACHED(bool, setFont, (IFontT*))
    CELVO_UNREACHED(int, horizontalAlignment, ())
    CELVO_UNREACHED(void, setHorizontalAlignment, (int))
    CELVO_UNREACHED(int, verticalAlignment, ())
    CELVO_UNREACHED(void, setVerticalAlignment, (int))
    CELVO_UNREACHED(bool, wrapText, ())
    CELVO_UNREACHED(void, setWrapText, (bool))
    CELVO_UNREACHED(int, rotation, ())
    CELVO_UNREACHED(bool, setRotation, (int))
    CELVO_UNREACHED(int, indent, ())
    CELVO_UNREACHED(void, setIndent, (int))
    CELVO_UNREACHED(bool, shrinkToFit, ())
    CELVO_UNREACHED(void, setShrinkToFit, (bool))
    CELVO_UNREACHED(void, setBorder, (int))
    CELVO_UNREACHED(void, setBorderColor, (int))
    CELVO_UNREACHED(int, borderLeft, ())
    CELVO_UNREACHED(void, setBorderLeft, (int))
    CELVO_UNREACHED(int, borderRight, ())
    CELVO_UNREACHED(void, setBorderRight, (int))
    CELVO_UNREACHED(int, borderTop, ())
    CELVO_UNREACHED(void, setBorderTop, (int))
    CELVO_UNREACHED(int, borderBottom, ())
    CELVO_UNREACHED(void, setBorderBottom, (int))
    CELVO_UNREACHED(int, borderLeftColor, ())
    CELVO_UNREACHED(void, setBorderLeftColor, (int))
    CELVO_UNREACHED(int, borderRightColor, ())
    CELVO_UNREACHED(void, setBorderRightColor, (int))
    CELVO_UNREACHED(int, borderTopColor, ())
    CELVO_UNREACHED(void, setBorderTopColor, (int))
    CELVO_UNREACHED(int, borderBottomColor, ())
    CELVO_UNREACHED(void, setBorderBottomColor, (int))
    CELVO_UNREACHED(int, borderDiagonal, ())
    CELVO_UNREACHED(void, setBorderDiagonal, (int))
    CELVO_UNREACHED(int, borderDiagonalStyle, ())
    CELVO_UNREACHED(void, setBorderDiagonalStyle, (int))
    CELVO_UNREACHED(int, borderDiagonalColor, ())
    CELVO_UNREACHED(void, setBorderDiagonalColor, (int))
    CELVO_UNREACHED(int, fillPattern, ())
    CELVO_UNREACHED(void, setFillPattern, (int))
    CELVO_UNREACHED(int, patternForegroundColor, ())
    CELVO_UNREACHED(void, setPatternForegroundColor, (int))
    CELVO_UNREACHED(int, patternBackgroundColor, ())
    CELVO_UNREACHED(void, setPatternBackgroundColor, (int))
    CELVO_UNREACHED(bool, locked, ())
    CELVO_UNREACHED(void, setLocked, (bool))
    CELVO_UNREACHED(bool, hidden, ())
    CELVO_UNREACHED(void, setHidden, (bool))

private:
    std::string label_;
};

inline std::string show(IFormatT* f) { return f ? static_cast<FakeFormat*>(f)->label() : "null"; }

class FakeSheet final : public ISheetT {
public:
    explicit FakeSheet(std::string label) : label_(std::move(label)) {}
    virtual ~FakeSheet() = default;

    int cellType(int row, int col) override { return rec("cellType", row, col), script().intResult; }
    bool isFormula(int row, int col) override { return rec("isFormula", row, col), script().boolResult; }
    IFormatT* cellFormat(int row, int col) override { return rec("cellFormat", row, col), script().formatResult; }
    void setCellFormat(int row, int col, IFormatT* format) override { rec("setCellFormat", row, col, format); }
    const char16_t* readString(int row, int col, IFormatT** format) override
    {
        rec("readString", row, col, outArg(format));
        return scriptedText();
    }
    bool writeString(int row, int col, const char16_t* value, IFormatT* format) override
    {
        return rec("writeString", row, col, value, format), script().boolResult;
    }
    double readNumber(int row, int col, IFormatT** format) override
    {
        rec("readNumber", row, col, outArg(format));
        return script().doubleResult;
    }
    bool writeNumber(int row, int col, double value, IFormatT* format) override
    {
        return rec("writeNumber", row, col, value, format), script().boolResult;
    }
    bool readBool(int row, int col, IFormatT** format) override
    {
        rec("readBool", row, col, outArg(format));
        return script().boolResult;
    }
    bool writeBool(int row, int col, bool value, IFormatT* format) override
    {
        return rec("writeBool", row, col, value, format), script().boolResult;
    }
    bool writeBlank(int row, int col, IFormatT* format) override
    {
        return rec("writeBlank", row, col, format), script().boolResult;
    }
    const char16_t* readFormula(int row, int col, IFormatT** format) override
    {
        rec("readFormula", row, col, outArg(format));
        return scriptedText();
    }
    bool writeFormula(int row, int col, const char16_t* expr, IFormatT* format) override
    {
        return rec("writeFormula", row, col, expr, format), script().boolResult;
    }
    bool isDate(int row, int col) override { return rec("isDate", row, col), script().boolResult; }
    bool isRowHidden(int row) override { return rec("isRowHidden", row), script().boolResult; }
    bool isColumnHidden(int col) override { return rec("isColumnHidden", col), script().boolResult; }
    bool clearCells(int rowFirst, int rowLast, int colFirst, int colLast) override
    {
        return rec("clearCells", rowFirst, rowLast, colFirst, colLast), script().boolResult;
    }
    int firstRow() override { return rec("firstRow"), script().intResult; }
    int lastRow() override { return rec("lastRow"), script().intResult; }
    int firstColumn() override { return rec("firstColumn"), script().intResult; }
    int lastColumn() override { return rec("lastColumn"), script().intResult; }
    const char16_t* name() override { return rec("name"), scriptedText(); }
    bool isProtected() override { return rec("isProtected"), script().boolResult; }
    int hidden() override { return rec("hidden"), script().intResult; }

    CELVO_UNREACHED(bool, readBlank, (int, int, IFormatT**))
    CELVO_UNREACHED(const char16_t*, readComment, (int, int))
    CELVO_UNREACHED(void, writeComment, (int, int, const char16_t*, const char16_t*, int, int))
    CELVO_UNREACHED(int, readError, (int, int))
    CELVO_UNREACHED(double, columnWidth, (int))
    CELVO_UNREACHED(double, rowHeight, (int))
    CELVO_UNREACHED(bool, setColumn, (int, int, double, IFormatT*, bool))
    CELVO_UNREACHED(bool, setRow, (int, double, IFormatT*, bool))
    CELVO_UNREACHED(bool, setRowHidden, (int, bool))
    CELVO_UNREACHED(bool, setColumnHidden, (int, bool))
    CELVO_UNREACHED(bool, getMerge, (int, int, int*, int*, int*, int*))
    CELVO_UNREACHED(bool, setMerge, (int, int, int, int))
    CELVO_UNREACHED(bool, deleteMerge, (int, int))
    CELVO_UNREACHED(int, pictureCount, ())
    CELVO_UNREACHED(int, getPicture, (int, int*, int*, int*, int*, int*, int*, int*, int*))
    CELVO_UNREACHED(void, setPicture, (int, int, int, double, int, int))
    CELVO_UNREACHED(void, setPictureWithSize, (int, int, int, int, int, int, int))
    CELVO_UNREACHED(int, horizontalPageBreak, (int))
    CELVO_UNREACHED(int, horizontalPageBreakCount, ())
    CELVO_UNREACHED(int, verticalPageBreak, (int))
    CELVO_UNREACHED(int, verticalPageBreakCount, ())
    CELVO_UNREACHED(bool, setHorizontalPageBreak, (int, bool))
    CELVO_UNREACHED(bool, setVerticalPageBreak, (int, bool))
    CELVO_UNREACHED(void, split, (int, int))
    CELVO_UNREACHED(bool, groupRows, (int, int, bool))
    CELVO_UNREACHED(bool, groupColumns, (int, int, bool))
    CELVO_UNREACHED(bool, groupSummaryBelow, ())
    CELVO_UNREACHED(void, setGroupSummaryBelow, (bool))
    CELVO_UNREACHED(bool, groupSummaryRight, ())
    CELVO_UNREACHED(void, setGroupSummaryRight, (bool))
    CELVO_UNREACHED(bool, insertColumns, (int, int))
    CELVO_UNREACHED(bool, insertRows, (int, int))
    CELVO_UNREACHED(bool, removeColumns, (int, int))
    CELVO_UNREACHED(bool, removeRows, (int, int))
    CELVO_UNREACHED(bool, copyCell, (int, int, int, int))
    CELVO_UNREACHED(bool, displayGridlines, ())
    CELVO_UNREACHED(void, setDisplayGridlines, (bool))
    CELVO_UNREACHED(bool, printGridlines, ())
    CELVO_UNREACHED(void, setPrintGridlines, (bool))
    CELVO_UNREACHED(int, zoom, ())
    CELVO_UNREACHED(void, setZoom, (int))
    CELVO_UNREACHED(int, printZoom, ())
    CELVO_UNREACHED(void, setPrintZoom, (int))
    CELVO_UNREACHED(bool, getPrintFit, (int*, int*))
    CELVO_UNREACHED(void, setPrintFit, (int, int))
    CELVO_UNREACHED(bool, landscape, ())
    CELVO_UNREACHED(void, setLandscape, (bool))
    CELVO_UNREACHED(int, paper, ())
    CELVO_UNREACHED(void, setPaper, (int))
    CELVO_UNREACHED(const char16_t*, header, ())
    CELVO_UNREACHED(bool, setHeader, (const char16_t*, double))
    CELVO_UNREACHED(double, headerMargin, ())
    CELVO_UNREACHED(const char16_t*, footer, ())
    CELVO_UNREACHED(bool, setFooter, (const char16_t*, double))
    CELVO_UNREACHED(double, footerMargin, ())
    CELVO_UNREACHED(bool, horizontalCentered, ())
    CELVO_UNREACHED(void, setHorizontalCentered, (bool))
    CELVO_UNREACHED(bool, verticalCentered, ())
    CELVO_UNREACHED(void, setVerticalCentered, (bool))
    CELVO_UNREACHED(double, marginLeft, ())
    CELVO_UNREACHED(void, setMarginLeft, (double))
    CELVO_UNREACHED(double, marginRight, ())
    CELVO_UNREACHED(void, setMarginRight, (double))
    CELVO_UNREACHED(double, marginTop, ())
    CELVO_UNREACHED(void, setMarginTop, (double))
    CELVO_UNREACHED(double, marginBottom, ())
    CELVO_UNREACHED(void, setMarginBottom, (double))
    CELVO_UNREACHED(bool, printHeadings, ())
    CELVO_UNREACHED(void, setPrintHeadings, (bool))
    CELVO_UNREACHED(void, setPrintRepeatRows, (int, int))
    CELVO_UNREACHED(void, setPrintRepeatColumns, (int, int))
    CELVO_UNREACHED(void, setPrintArea, (int, int, int, int))
    CELVO_UNREACHED(void, clearPrintRepeats, ())
    CELVO_UNREACHED(void, clearPrintArea, ())
    CELVO_UNREACHED(bool, getNamedRange, (const char16_t*, int*, int*, int*, int*))
    CELVO_UNREACHED(bool, setNamedRange, (const char16_t*, int, int, int, int))
    CELVO_UNREACHED(bool, deleteNamedRange, (const char16_t*))
    CELVO_UNREACHED(int, namedRangeCount, ())
    CELVO_UNREACHED(const char16_t*, namedRange, (int, int*, int*, int*, int*))
    CELVO_UNREACHED(void, setName, (const char16_t*))
    CELVO_UNREACHED(void, setProtected, (bool))
    CELVO_UNREACHED(bool, setHidden, (int))
    CELVO_UNREACHED(void, cellReferenceToRowCol, (const char16_t*, int*, int*, bool*, bool*))
    CELVO_UNREACHED(const char16_t*, rowColToCellReference, (int, int, bool, bool))

private:
    static Script& script() { return world().script; }
    template <class... A>
    void rec(const char* op, A... args) { record(label_, op, args...); }
    // The read contract: a format out-argument is nulled on entry and set to
    // the cell's format when the cell holds the asked kind of value.
    static const char* outArg(IFormatT** format)
    {
        if (!format) return "null";
        *format = nullptr;
        if (world().script.formatResult) *format = world().script.formatResult;
        return "out";
    }

    std::string label_;
};

class FakeBook final : public IBookT {
public:
    FakeBook() { world().books.push_back(this); }
    virtual ~FakeBook()
    {
        auto& all = world().books;
        for (auto it = all.begin(); it != all.end(); ++it)
            if (*it == this) {
                all.erase(it);
                break;
            }
    }

    bool load(const char16_t* filename) override
    {
        rec("load", filename);
        sheets_.clear();
        formats_.clear();
        return script().boolResult;
    }
    bool save(const char16_t* filename) override { return rec("save", filename), script().boolResult; }
    ISheetT* addSheet(const char16_t* name, ISheetT* initSheet) override
    {
        rec("addSheet", name, initSheet);
        return makeSheet(sheets_.size());
    }
    ISheetT* insertSheet(int index, const char16_t* name, ISheetT* initSheet) override
    {
        rec("insertSheet", index, name, initSheet);
        if (index < 0 || static_cast<std::size_t>(index) > sheets_.size()) return nullptr;
        return makeSheet(static_cast<std::size_t>(index));
    }
    ISheetT* sheet(int index) override
    {
        rec("sheet", index);
        return index >= 0 && static_cast<std::size_t>(index) < sheets_.size() ? sheets_[index].get() : nullptr;
    }
    bool deleteSheet(int index) override
    {
        rec("deleteSheet", index);
        if (!script().boolResult || index < 0 || static_cast<std::size_t>(index) >= sheets_.size()) return false;
        sheets_.erase(sheets_.begin() + index);
        return true;
    }
    int sheetCount() override { return rec("sheetCount"), script().intResult; }
    IFormatT* addFormat(IFormatT* initFormat) override
    {
        rec("addFormat", initFormat);
        formats_.push_back(std::make_unique<FakeFormat>("F" + std::to_string(++formatsMade_)));
        world().formats.push_back(formats_.back().get());
        return formats_.back().get();
    }
    int addCustomNumFormat(const char16_t* text) override { return rec("addCustomNumFormat", text), script().intResult; }
    const char16_t* customNumFormat(int fmt) override { return rec("customNumFormat", fmt), scriptedText(); }
    double packedDate(int year, int month, int day, int hour, int min, int sec, int msec) override
    {
        return rec("packedDate", year, month, day, hour, min, sec, msec), script().doubleResult;
    }
    bool unpackedDate(double value, int* year, int* month, int* day, int* hour, int* min, int* sec,
                      int* msec) override
    {
        rec("unpackedDate", value);
        int* out[7] = {year, month, day, hour, min, sec, msec};
        for (int i = 0; i < script().unpackedWritten; ++i) *out[i] = script().unpacked[i];
        return script().boolResult;
    }
    int activeSheetNumber() override { return rec("activeSheetNumber"), script().intResult; }
    void setActiveSheetNumber(int index) override { rec("setActiveSheetNumber", index); }
    const char* errorMessage() override { return rec("errorMessage"), script().message.c_str(); }
    void release() override
    {
        rec("release");
        delete this;
    }

    CELVO_UNREACHED(bool, loadFromMemory, (const char*, unsigned))
    CELVO_UNREACHED(bool, saveToMemory, (const char**, unsigned*))
    CELVO_UNREACHED(IFontT*, addFont, (IFontT*))
    CELVO_UNREACHED(IFormatT*, format, (int))
    CELVO_UNREACHED(int, formatCount, ())
    CELVO_UNREACHED(IFontT*, font, (int))
    CELVO_UNREACHED(int, fontCount, ())
    CELVO_UNREACHED(int, packColor, (int, int, int))
    CELVO_UNREACHED(void, unpackColor, (int, int*, int*, int*))
    CELVO_UNREACHED(int, pictureCount, ())
    CELVO_UNREACHED(int, getPicture, (int, const char**, unsigned*))
    CELVO_UNREACHED(int, addPicture, (const char16_t*))
    CELVO_UNREACHED(int, addPictureFromMemory, (const char*, unsigned))
    CELVO_UNREACHED(const char16_t*, defaultFont, (int*))
    CELVO_UNREACHED(void, setDefaultFont, (const char16_t*, int))
    CELVO_UNREACHED(bool, refR1C1, ())
    CELVO_UNREACHED(void, setRefR1C1, (bool))
    CELVO_UNREACHED(bool, rgbMode, ())
    CELVO_UNREACHED(void, setRgbMode, (bool))
    CELVO_UNREACHED(int, biffVersion, ())
    CELVO_UNREACHED(bool, setLocale, (const char*))

private:
    static Script& script() { return world().script; }
    template <class... A>
    void rec(const char* op, A... args) { record("book", op, args...); }
    ISheetT* makeSheet(std::size_t at)
    {
        auto s = std::make_unique<FakeSheet>("S" + std::to_string(++sheetsMade_));
        ISheetT* p = s.get();
        sheets_.insert(sheets_.begin() + static_cast<std::ptrdiff_t>(at), std::move(s));
        return p;
    }

    std::vector<std::unique_ptr<FakeSheet>> sheets_;
    std::vector<std::unique_ptr<FakeFormat>> formats_;
    int sheetsMade_ = 0;
    int formatsMade_ = 0;
};

#undef CELVO_UNREACHED

}  // namespace celvo::test
