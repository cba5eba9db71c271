#include "book_formula.h"

#include "book.h"
#include "book_links.h"
#include "sheet.h"

namespace celvo {

namespace {

constexpr std::uint16_t kNameBuiltIn = 0x0020;

const char16_t* const kBuiltInNames[] = {
    u"Consolidate_Area", u"Auto_Open",  u"Auto_Close",    u"Extract",         u"Database",
    u"Criteria",         u"Print_Area", u"Print_Titles",  u"Recorder",        u"Data_Form",
    u"Auto_Activate",    u"Auto_Deactivate", u"Sheet_Title", u"_FilterDatabase",
};

}  // namespace

u16string definedNameDisplayText(const Lbl& name)
{
    const u16view text(name.text.textOrEmpty(), name.text.text ? name.text.count : 0);
    if ((name.grbit & kNameBuiltIn) && text.size() == 1 &&
        text[0] < sizeof(kBuiltInNames) / sizeof(kBuiltInNames[0]))
        return kBuiltInNames[text[0]];
    return u16string(text);
}

BookFormulaContext::BookFormulaContext(BookImplT& book) : book_(book), r1c1_(false)
{
    const auto& sheets = book.sheets();
    r1c1_ = sheets.empty() ? false : sheets.back()->r1c1();
}

int BookFormulaContext::sheetCount() const { return static_cast<int>(book_.sheets().size()); }

u16string BookFormulaContext::sheetName(int index) const
{
    return book_.sheets().at(static_cast<std::size_t>(index))->nameText();
}

std::uint16_t BookFormulaContext::externSheetIndex(int first, int last)
{
    return findOrAddInternalExternSheet(book_, first, last);
}

bool BookFormulaContext::externSheetRange(std::uint16_t index, int& first, int& last) const
{
    return internalExternSheetRange(book_, index, first, last);
}

std::uint32_t BookFormulaContext::definedNameIndex(u16view name) const
{
    const auto& names = book_.names();
    for (std::size_t i = 0; i < names.size(); ++i)
        if (equalNoCase(definedNameDisplayText(names[i]), name)) return static_cast<std::uint32_t>(i + 1);
    return 0;
}

bool BookFormulaContext::definedNameText(std::uint32_t index, u16string& name) const
{
    const auto& names = book_.names();
    if (index == 0 || index > names.size()) return false;
    name = definedNameDisplayText(names[index - 1]);
    return true;
}

}  // namespace celvo
