// The .xlsx sheet object: its construction, its place in the book, and the
// operations on its entry in the workbook's sheet list.
#include "sheet.h"

#include "book.h"

namespace celvo {

namespace {

// The document of a new, empty worksheet.
const char kNewWorksheet[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheetData/></worksheet>";

std::string localName(const std::string& qname)
{
    const std::size_t colon = qname.find(':');
    return colon == std::string::npos ? qname : qname.substr(colon + 1);
}

// Whether a worksheet document protects its sheet: a sheetProtection child
// of the root whose sheet attribute is true.
bool documentProtectsSheet(const std::string& bytes)
{
    nimb::c_xml_reader_memory reader(bytes.data(), bytes.size());
    std::size_t depth = 0;
    for (;;) {
        nimb::enimb_error e;
        std::string name;
        const int t = reader.scan_element_event(e, name);
        if (t == nimb::tok_end_of_document || (t != nimb::tok_name && t != nimb::tok_text && t != nimb::tok_element_end))
            return false;
        if (t == nimb::tok_element_end) {
            if (depth-- == 0) return false;
            continue;
        }
        if (t != nimb::tok_name) continue;
        const bool protection = depth == 1 && localName(name) == "sheetProtection";
        bool sheet = false;
        std::string attribute, value;
        int a;
        while ((a = reader.next_attribute(attribute)) == nimb::tok_name) {
            if (!reader.get_attribute_text(value, nimb::ws_collapse)) return false;
            if (attribute == "sheet") sheet = value == "1" || value == "true";
        }
        if (protection) return sheet;
        if (a == nimb::tok_start_tag_end) ++depth;
        else if (a != nimb::tok_element_end) return false;
    }
}

}  // namespace

XMLSheetImplT::XMLSheetImplT() { root_ = WorksheetRoot(kNewWorksheet); }

XMLSheetImplT::XMLSheetImplT(const char* data, std::size_t size) { load(data, size); }

XMLSheetImplT::XMLSheetImplT(const XMLSheetImplT& other) : XmlFile(other), ISheetT()
{
}

std::string& XMLSheetImplT::message() { return book_->message(); }

const char16_t* XMLSheetImplT::name()
{
    return guarded(static_cast<const char16_t*>(nullptr), [&]() -> const char16_t* {
        const workbook::c_CT_Sheet* entry = book_->sheetEntry(sheetNumber_);
        if (!entry) throw xlerror("sheet doen't have relationship with book");
        textResult_ = entry->name.value;
        return textResult_.c_str();
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
    return guarded(false, [&] { return documentProtectsSheet(root_.bytes()); });
}

}  // namespace celvo
