// Writes a shared-strings part and a styles part built in code, for the
// checks by other applications (parts_sample_check.py):
//     ooxml_parts_sample <texts> <folder>
// <texts> holds one text a line, as UTF-16 code units in hexadecimal
// separated by blanks. Writes <folder>/sharedStrings.xml with one item per
// text, and <folder>/styles.xml: two fonts (the second bold, italic, red,
// 14 points, double underline), a solid red fill beside the two required
// ones, a border of thin left and thick bottom edges, number format 164
// "0.000", and cell format 1 using all of them, centred and wrapped.
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "ooxml/sml-sharedStringTable.h"
#include "ooxml/sml-styles.h"

namespace {

bool writeFile(const std::string& path, const std::string& text)
{
    std::ofstream o(path, std::ios::binary);
    o << text;
    return static_cast<bool>(o);
}

void addFontProperty(styles::c_CT_Font& font, const char* which, const std::u16string& text, double number)
{
    nimb::c_choice& item = font.append_inner_CT_Font();
    const std::string w = which;
    if (w == "name") styles::c_CT_Font::get_name(item)->set_val(text);
    else if (w == "sz") styles::c_CT_Font::get_sz(item)->set_val(number);
    else if (w == "b") styles::c_CT_Font::get_b(item);
    else if (w == "i") styles::c_CT_Font::get_i(item);
    else if (w == "u") styles::c_CT_Font::get_u(item)->set_val(text);
    else if (w == "color") styles::c_CT_Font::get_color(item)->set_rgb(nimb::c_binary{0xFF, 0xFF, 0x00, 0x00});
}

styles::c_styleSheet sampleStyles()
{
    styles::c_styleSheet sheet;
    auto* numFmts = sheet.get_numFmts();
    auto* fmt = numFmts->numFmt.append();
    fmt->set_numFmtId(164);
    fmt->set_formatCode(u"0.000");
    numFmts->set_count(1);

    auto* fonts = sheet.get_fonts();
    auto* plain = fonts->font.append();
    addFontProperty(*plain, "sz", u"", 11);
    addFontProperty(*plain, "name", u"Calibri", 0);
    auto* bold = fonts->font.append();
    addFontProperty(*bold, "b", u"", 0);
    addFontProperty(*bold, "i", u"", 0);
    addFontProperty(*bold, "u", u"double", 0);
    addFontProperty(*bold, "sz", u"", 14);
    addFontProperty(*bold, "color", u"", 0);
    addFontProperty(*bold, "name", u"Arial", 0);
    fonts->set_count(2);

    auto* fills = sheet.get_fills();
    fills->fill.append()->get_patternFill()->set_patternType(u"none");
    fills->fill.append()->get_patternFill()->set_patternType(u"gray125");
    auto* red = fills->fill.append()->get_patternFill();
    red->set_patternType(u"solid");
    red->get_fgColor()->set_rgb(nimb::c_binary{0xFF, 0xFF, 0x00, 0x00});
    red->get_bgColor()->set_indexed(64);
    fills->set_count(3);

    auto* borders = sheet.get_borders();
    borders->border.append();
    auto* edged = borders->border.append();
    edged->get_left()->set_style(u"thin");
    edged->get_bottom()->set_style(u"thick");
    edged->get_bottom()->get_color()->set_rgb(nimb::c_binary{0xFF, 0x00, 0x00, 0xFF});
    borders->set_count(2);

    auto* styleXfs = sheet.get_cellStyleXfs();
    auto* base = styleXfs->xf.append();
    base->set_numFmtId(0);
    base->set_fontId(0);
    base->set_fillId(0);
    base->set_borderId(0);
    styleXfs->set_count(1);

    auto* xfs = sheet.get_cellXfs();
    auto* x0 = xfs->xf.append();
    x0->set_numFmtId(0);
    x0->set_fontId(0);
    x0->set_fillId(0);
    x0->set_borderId(0);
    x0->set_xfId(0);
    auto* x1 = xfs->xf.append();
    x1->set_numFmtId(164);
    x1->set_fontId(1);
    x1->set_fillId(2);
    x1->set_borderId(1);
    x1->set_xfId(0);
    x1->set_applyNumberFormat(true);
    x1->set_applyFont(true);
    x1->set_applyFill(true);
    x1->set_applyBorder(true);
    x1->set_applyAlignment(true);
    x1->get_alignment()->set_horizontal(u"center");
    x1->get_alignment()->set_wrapText(true);
    xfs->set_count(2);

    auto* cellStyles = sheet.get_cellStyles();
    auto* normal = cellStyles->cellStyle.append();
    normal->set_name(u"Normal");
    normal->set_xfId(0);
    normal->set_builtinId(0);
    cellStyles->set_count(1);
    return sheet;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: ooxml_parts_sample <texts> <folder>\n";
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::cerr << "cannot read " << argv[1] << "\n";
        return 2;
    }
    sharedStringTable::c_sst sst;
    std::string line;
    unsigned n = 0;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::u16string text;
        unsigned unit;
        while (words >> std::hex >> unit) text.push_back(static_cast<char16_t>(unit));
        auto* t = sst.si.append()->get_t();
        t->content.set(text);
        if (!text.empty() && (text.front() == u' ' || text.back() == u' ')) t->set_space(u"preserve");
        ++n;
    }
    sst.set_count(n);
    sst.set_uniqueCount(n);
    std::string strings, style;
    if (sst.marshal(strings) != nimb::e_no_error || sampleStyles().marshal(style) != nimb::e_no_error) {
        std::cerr << "writing failed\n";
        return 1;
    }
    const std::string folder = argv[2];
    if (!writeFile(folder + "/sharedStrings.xml", strings) || !writeFile(folder + "/styles.xml", style)) {
        std::cerr << "cannot write into " << folder << "\n";
        return 2;
    }
    return 0;
}
