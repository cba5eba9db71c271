#include "font.h"

#include <cmath>

#include "part_styles.h"

namespace celvo {

namespace {

// The alternatives of a font's property choice.
enum : unsigned { kName = 0, kBold = 3, kItalic = 4, kStrike = 5, kColor = 10, kSize = 11, kUnderline = 12, kScript = 13 };

using F = styles::c_CT_Font;

}  // namespace

nimb::c_choice* XMLFontImplT::first(unsigned which)
{
    for (auto& item : font_.inner_CT_Font)
        if (item.which() == which && item.object()) return &item;
    return nullptr;
}

bool XMLFontImplT::flag(unsigned which)
{
    nimb::c_choice* item = first(which);
    return item && static_cast<styles::c_CT_BooleanProperty*>(item->object())->val.value;
}

// Setting a flag makes it true whatever the file said (a loaded val="0"
// included); clearing it removes the property.
void XMLFontImplT::setFlag(unsigned which, bool on)
{
    if (on) {
        nimb::c_choice* item = first(which);
        if (!item) item = &font_.append_inner_CT_Font();
        static_cast<styles::c_CT_BooleanProperty*>(item->select(which, nimb::create_object<styles::c_CT_BooleanProperty>))
            ->unset_val();
        return;
    }
    for (std::size_t i = 0; i < font_.inner_CT_Font.size(); ++i) {
        if (font_.inner_CT_Font[i].which() == which) {
            font_.inner_CT_Font.erase(font_.inner_CT_Font.begin() + static_cast<std::ptrdiff_t>(i));
            return;
        }
    }
}

int XMLFontImplT::size()
{
    if (nimb::c_choice* item = first(kSize)) {
        const double v = static_cast<styles::c_CT_FontSize*>(item->object())->val.value;
        return std::isfinite(v) && std::fabs(v) < 2147483647.0 ? static_cast<int>(v) : 0;
    }
    int size = 0;
    styles_.defaultFont(&size);
    return size;
}

void XMLFontImplT::setSize(int size)
{
    nimb::c_choice* item = first(kSize);
    F::get_sz(item ? *item : font_.append_inner_CT_Font())->set_val(size);
}

bool XMLFontImplT::italic() { return flag(kItalic); }
void XMLFontImplT::setItalic(bool italic) { setFlag(kItalic, italic); }
bool XMLFontImplT::strikeOut() { return flag(kStrike); }
void XMLFontImplT::setStrikeOut(bool strikeOut) { setFlag(kStrike, strikeOut); }
bool XMLFontImplT::bold() { return flag(kBold); }
void XMLFontImplT::setBold(bool bold) { setFlag(kBold, bold); }

int XMLFontImplT::color()
{
    if (nimb::c_choice* item = first(kColor)) return styles_.colorValue(*static_cast<styles::c_CT_Color*>(item->object()));
    return styles_.rgbMode() ? 0 : 8;
}

void XMLFontImplT::setColor(int color)
{
    if (color == -1) return;
    nimb::c_choice* item = first(kColor);
    styles_.makeColor(color, *F::get_color(item ? *item : font_.append_inner_CT_Font()));
}

int XMLFontImplT::script()
{
    for (auto& item : font_.inner_CT_Font) {
        if (item.which() != kScript || !item.object()) continue;
        const u16string& v = static_cast<styles::c_CT_VerticalAlignFontProperty*>(item.object())->val.value;
        if (v == u"superscript") return 1;
        if (v == u"subscript") return 2;
    }
    return 0;
}

void XMLFontImplT::setScript(int script)
{
    if (script < 0 || script > 2) return;  // no value of the format to write
    nimb::c_choice* item = first(kScript);
    if (script == 0) {
        if (item) font_.inner_CT_Font.erase(font_.inner_CT_Font.begin() + (item - font_.inner_CT_Font.data()));
        return;
    }
    F::get_vertAlign(item ? *item : font_.append_inner_CT_Font())->set_val(script == 1 ? u"superscript" : u"subscript");
}

namespace {

const char16_t* underlineName(int code)
{
    switch (code) {
    case 1: return u"single";
    case 2: return u"double";
    case 33: return u"singleAccounting";
    case 34: return u"doubleAccounting";
    default: return nullptr;
    }
}

}  // namespace

int XMLFontImplT::underline()
{
    for (auto& item : font_.inner_CT_Font) {
        if (item.which() != kUnderline || !item.object()) continue;
        const u16string& v = static_cast<styles::c_CT_UnderlineProperty*>(item.object())->val.value;
        for (int code : {1, 2, 33, 34})
            if (v == underlineName(code)) return code;
    }
    return 0;
}

void XMLFontImplT::setUnderline(int underline)
{
    nimb::c_choice* item = first(kUnderline);
    if (underline == 0) {
        if (item) font_.inner_CT_Font.erase(font_.inner_CT_Font.begin() + (item - font_.inner_CT_Font.data()));
        return;
    }
    const char16_t* name = underlineName(underline);
    if (item && !name) return;
    styles::c_CT_UnderlineProperty* u = F::get_u(item ? *item : font_.append_inner_CT_Font());
    if (name) u->set_val(name);
}

const char16_t* XMLFontImplT::name()
{
    nimb::c_choice* item = first(kName);
    textBuffer_ = item ? static_cast<styles::c_CT_FontName*>(item->object())->val.value : u16string();
    return textBuffer_.c_str();
}

bool XMLFontImplT::setName(const char16_t* name)
{
    nimb::c_choice* item = first(kName);
    F::get_name(item ? *item : font_.append_inner_CT_Font())->set_val(name ? u16string(name) : u16string());
    return true;
}

bool XMLFontImplT::exchangeRgbMode(bool on) { return styles_.exchangeRgbMode(on); }

}  // namespace celvo
