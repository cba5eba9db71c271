#include "part_styles.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "celvo/digit_width.h"
#include "celvo/palette.h"
#include "celvo/xlerror.h"
#include "font.h"
#include "format.h"

namespace celvo {

namespace {

constexpr int kFirstCustomFormat = 166;
constexpr int kLastCustomFormat = 392;
// The most cell formats a book of the applications holds.
constexpr std::size_t kMaxFormats = 64000;

// Whether an object keeps nothing of other namespaces.
bool keepsNothing(const nimb::c_binding& object)
{
    const nimb::c_kept* k = object.kept();
    return !k || (k->attributes.empty() && k->elements.empty());
}

// A fill of no pattern and no colours.
bool isEmptyFill(const styles::c_CT_Fill& fill)
{
    if (!keepsNothing(fill) || fill.choice.which() != 0 || !fill.choice.object()) return false;
    const auto& p = *static_cast<const styles::c_CT_PatternFill*>(fill.choice.object());
    return keepsNothing(p) && (!p.patternType.present || p.patternType.value == u"none") && !p.fgColor.has() &&
           !p.bgColor.has();
}

// A border of no line and no colour on any side.
bool isEmptyBorder(const styles::c_CT_Border& border)
{
    if (!keepsNothing(border)) return false;
    if ((border.diagonalUp.present && border.diagonalUp.value) ||
        (border.diagonalDown.present && border.diagonalDown.value))
        return false;
    using B = styles::c_CT_Border;
    for (auto side : {&B::left, &B::right, &B::top, &B::bottom, &B::diagonal, &B::vertical, &B::horizontal}) {
        const styles::c_CT_BorderPr* pr = (border.*side).peek();
        if (pr && (!keepsNothing(*pr) || (pr->style.present && pr->style.value != u"none") || pr->color.has()))
            return false;
    }
    return true;
}

void addFontProperty(styles::c_CT_Font& font, double size, const char16_t* name)
{
    if (name) styles::c_CT_Font::get_name(font.append_inner_CT_Font())->set_val(name);
    else styles::c_CT_Font::get_sz(font.append_inner_CT_Font())->set_val(size);
}

}  // namespace

Styles::Styles()
{
    auto& sheet = root_;
    auto* borders = sheet.get_borders();
    auto* border = borders->border.append();
    border->get_left();
    border->get_right();
    border->get_top();
    border->get_bottom();
    border->get_diagonal();
    borders->set_count(1);
    auto* fills = sheet.get_fills();
    fills->fill.append()->get_patternFill()->set_patternType(u"none");
    fills->fill.append()->get_patternFill()->set_patternType(u"gray125");
    fills->set_count(2);
    auto* xfs = sheet.get_cellXfs();
    auto* xf = xfs->xf.append();
    xf->set_numFmtId(0);
    xf->set_fontId(0);
    xf->set_fillId(0);
    xf->set_borderId(0);
    xf->set_xfId(0);
    xfs->set_count(1);
    auto* fonts = sheet.get_fonts();
    auto* font = fonts->font.append();
    addFontProperty(*font, 11, nullptr);
    addFontProperty(*font, 0, u"Calibri");
    fonts->set_count(1);
    auto* styleXfs = sheet.get_cellStyleXfs();
    auto* base = styleXfs->xf.append();
    base->set_numFmtId(0);
    base->set_fontId(0);
    base->set_fillId(0);
    base->set_borderId(0);
    styleXfs->set_count(1);
    auto* cellStyles = sheet.get_cellStyles();
    auto* normal = cellStyles->cellStyle.append();
    normal->set_name(u"Normal");
    normal->set_xfId(0);
    normal->set_builtinId(0);
    cellStyles->set_count(1);
    wrapRecords();
}

Styles::Styles(const char* data, std::size_t size)
{
    load(data, size);
    wrapRecords();
}

Styles::~Styles() = default;

void Styles::wrapRecords()
{
    formats_.clear();
    fonts_.clear();
    formatPlaces_.clear();
    fontPlaces_.clear();
    baseFills_ = root_.fills.peek() ? root_.fills.peek()->fill.size() : 0;
    baseBorders_ = root_.borders.peek() ? root_.borders.peek()->border.size() : 0;
    emptyFill_ = emptyBorder_ = -1;
    if (auto* fonts = root_.fonts.peek()) {
        for (std::size_t i = 0; i < fonts->font.size(); ++i) {
            fonts_.push_back(std::make_unique<XMLFontImplT>(*this, *fonts->font.at(i)));
            fontPlaces_[fonts_.back().get()] = static_cast<int>(i);
        }
    }
    if (auto* xfs = root_.cellXfs.peek()) {
        for (std::size_t i = 0; i < xfs->xf.size(); ++i) {
            formats_.push_back(std::make_unique<XMLFormatImplT>(*this, *xfs->xf.at(i), false));
            formatPlaces_[formats_.back().get()] = static_cast<int>(i);
        }
    }
}

XMLFormatImplT* Styles::format(int index) const
{
    if (index < 0 || index >= formatCount()) throw xlerror("index is out of range");
    return formats_[static_cast<std::size_t>(index)].get();
}

XMLFontImplT* Styles::font(int index) const
{
    if (index < 0 || index >= fontCount()) throw xlerror("index is out of range");
    return fonts_[static_cast<std::size_t>(index)].get();
}

XMLFormatImplT* Styles::formatOrNull(std::uint32_t index) const noexcept
{
    return index < formats_.size() ? formats_[index].get() : nullptr;
}

XMLFontImplT* Styles::fontOrNull(std::uint32_t index) const noexcept
{
    return index < fonts_.size() ? fonts_[index].get() : nullptr;
}

int Styles::formatIndex(const IFormatT* format) const noexcept
{
    auto it = formatPlaces_.find(format);
    return it == formatPlaces_.end() ? -1 : it->second;
}

int Styles::fontIndex(const IFontT* font) const noexcept
{
    auto it = fontPlaces_.find(font);
    return it == fontPlaces_.end() ? -1 : it->second;
}

void Styles::ensureBaseRecords()
{
    // A stylesheet from a file may lack the records that every book has:
    // the default font, the two reserved fills, the empty border, the base
    // style and the cell format 0 that unstyled cells use. They are added
    // before the first new format or font, so that a new one never takes
    // the place of format 0.
    const bool noFonts = !root_.fonts.peek() || root_.fonts.peek()->font.size() == 0;
    const bool noFills = !root_.fills.peek() || root_.fills.peek()->fill.size() < 2;
    const bool noBorders = !root_.borders.peek() || root_.borders.peek()->border.size() == 0;
    const bool noStyleXfs = !root_.cellStyleXfs.peek() || root_.cellStyleXfs.peek()->xf.size() == 0;
    const bool noXfs = !root_.cellXfs.peek() || root_.cellXfs.peek()->xf.size() == 0;
    if (!(noFonts || noFills || noBorders || noStyleXfs || noXfs)) return;
    const Styles base;
    const auto& from = base.root_;
    if (noFonts) *root_.get_fonts() = *from.fonts.peek();
    if (noFills && (!root_.fills.peek() || root_.fills.peek()->fill.size() == 0)) {
        *root_.get_fills() = *from.fills.peek();
        baseFills_ = root_.fills.peek()->fill.size();
        emptyFill_ = -1;
    }
    if (noBorders) {
        *root_.get_borders() = *from.borders.peek();
        baseBorders_ = root_.borders.peek()->border.size();
        emptyBorder_ = -1;
    }
    if (noStyleXfs) *root_.get_cellStyleXfs() = *from.cellStyleXfs.peek();
    if (noXfs) *root_.get_cellXfs() = *from.cellXfs.peek();
    // There were no font or format objects of the lists replaced: the
    // objects of the others stay as they are.
    if (noFonts) {
        auto* fonts = root_.fonts.peek();
        for (std::size_t i = 0; i < fonts->font.size(); ++i) {
            fonts_.push_back(std::make_unique<XMLFontImplT>(*this, *fonts->font.at(i)));
            fontPlaces_[fonts_.back().get()] = static_cast<int>(i);
        }
    }
    if (noXfs) {
        auto* xfs = root_.cellXfs.peek();
        for (std::size_t i = 0; i < xfs->xf.size(); ++i) {
            formats_.push_back(std::make_unique<XMLFormatImplT>(*this, *xfs->xf.at(i), false));
            formatPlaces_[formats_.back().get()] = static_cast<int>(i);
        }
    }
}

unsigned Styles::sharedEmptyFill()
{
    const auto* fills = root_.fills.peek();
    const std::size_t size = fills ? fills->fill.size() : 0;
    if (emptyFill_ >= 0 && static_cast<std::size_t>(emptyFill_) < size) return static_cast<unsigned>(emptyFill_);
    // Fill 1 is the reserved gray125 whatever it holds.
    for (std::size_t i = 0; i < std::min(baseFills_, size); ++i)
        if (i != 1 && isEmptyFill(*fills->fill.at(i))) {
            emptyFill_ = static_cast<long long>(i);
            return static_cast<unsigned>(i);
        }
    unsigned id = 0;
    appendFill(nullptr, id);
    emptyFill_ = id;
    return id;
}

unsigned Styles::sharedEmptyBorder()
{
    const auto* borders = root_.borders.peek();
    const std::size_t size = borders ? borders->border.size() : 0;
    if (emptyBorder_ >= 0 && static_cast<std::size_t>(emptyBorder_) < size)
        return static_cast<unsigned>(emptyBorder_);
    for (std::size_t i = 0; i < std::min(baseBorders_, size); ++i)
        if (isEmptyBorder(*borders->border.at(i))) {
            emptyBorder_ = static_cast<long long>(i);
            return static_cast<unsigned>(i);
        }
    unsigned id = 0;
    appendBorder(nullptr, id);
    emptyBorder_ = id;
    return id;
}

XMLFormatImplT* Styles::addFormat()
{
    if (formats_.size() >= kMaxFormats) throw xlerror("too many formats");
    ensureBaseRecords();
    const unsigned fillId = sharedEmptyFill();
    const unsigned borderId = sharedEmptyBorder();
    auto* xfs = root_.get_cellXfs();
    styles::c_CT_Xf* xf = xfs->xf.append();
    try {
        xf->set_numFmtId(0);
        xf->set_fontId(0);
        xf->set_fillId(fillId);
        xf->set_borderId(borderId);
        xf->set_xfId(0);
        formats_.push_back(std::make_unique<XMLFormatImplT>(*this, *xf, false));
        formatPlaces_[formats_.back().get()] = static_cast<int>(formats_.size() - 1);
    } catch (...) {
        xfs->xf.erase(xfs->xf.size() - 1);
        throw;
    }
    xfs->set_count(static_cast<unsigned>(xfs->xf.size()));
    return formats_.back().get();
}

XMLFontImplT* Styles::addFont()
{
    ensureBaseRecords();
    auto* fonts = root_.fonts.peek();
    if (!fonts) throw xlerror("fonts are not found");
    styles::c_CT_Font* font = fonts->font.append();
    try {
        fonts_.push_back(std::make_unique<XMLFontImplT>(*this, *font));
        fontPlaces_[fonts_.back().get()] = static_cast<int>(fonts_.size() - 1);
    } catch (...) {
        fonts->font.erase(fonts->font.size() - 1);
        throw;
    }
    fonts->set_count(static_cast<unsigned>(fonts->font.size()));
    return fonts_.back().get();
}

const char16_t* Styles::customNumFormat(int id)
{
    const auto* numFmts = root_.numFmts.peek();
    if (!numFmts || id < 0) return nullptr;
    for (std::size_t i = 0; i < numFmts->numFmt.size(); ++i) {
        const auto* f = numFmts->numFmt.at(i);
        if (f->numFmtId.present && f->numFmtId.value == static_cast<unsigned>(id)) {
            textBuffer_ = f->formatCode.value;
            return textBuffer_.c_str();
        }
    }
    return nullptr;
}

int Styles::addCustomNumFormat(u16view text)
{
    std::set<unsigned> taken;
    if (const auto* numFmts = root_.numFmts.peek()) {
        for (std::size_t i = 0; i < numFmts->numFmt.size(); ++i) {
            const auto* f = numFmts->numFmt.at(i);
            if (f->formatCode.value == text && f->numFmtId.present) return static_cast<int>(f->numFmtId.value);
            taken.insert(f->numFmtId.value);
        }
    }
    for (int id = kFirstCustomFormat; id <= kLastCustomFormat; ++id) {
        if (taken.count(static_cast<unsigned>(id))) continue;
        auto* numFmts = root_.get_numFmts();
        auto* f = numFmts->numFmt.append();
        f->set_numFmtId(static_cast<unsigned>(id));
        f->set_formatCode(u16string(text));
        numFmts->set_count(static_cast<unsigned>(numFmts->numFmt.size()));
        return id;
    }
    throw xlerror("maximum number of custom formats is exceeded");
}

const char16_t* Styles::defaultFont(int* size)
{
    int sz = 0;
    textBuffer_.clear();
    const auto* fonts = root_.fonts.peek();
    if (fonts && fonts->font.size() > 0) {
        for (auto& item : fonts->font.at(0)->inner_CT_Font) {
            if (item.which() == 11 && item.object()) {
                const double v = static_cast<styles::c_CT_FontSize*>(item.object())->val.value;
                sz = std::isfinite(v) && std::fabs(v) < 32768 ? static_cast<int>(static_cast<std::int16_t>(v)) : 0;
            } else if (item.which() == 0 && item.object()) {
                textBuffer_ = static_cast<styles::c_CT_FontName*>(item.object())->val.value;
            }
        }
    }
    if (size) *size = sz;
    return textBuffer_.c_str();
}

void Styles::setDefaultFont(u16view name, int size)
{
    auto* fonts = root_.fonts.peek();
    if (!fonts || fonts->font.size() == 0) throw xlerror("fonts are not found");
    styles::c_CT_Font& font = *fonts->font.at(0);
    bool hasSize = false, hasName = false;
    for (auto& item : font.inner_CT_Font) {
        if (item.which() == 11) {
            styles::c_CT_Font::get_sz(item)->set_val(size);
            hasSize = true;
        } else if (item.which() == 0) {
            styles::c_CT_Font::get_name(item)->set_val(u16string(name));
            hasName = true;
        }
    }
    if (!hasSize) styles::c_CT_Font::get_sz(font.append_inner_CT_Font())->set_val(size);
    if (!hasName) styles::c_CT_Font::get_name(font.append_inner_CT_Font())->set_val(u16string(name));
}

int Styles::digitWidth() const
{
    if (fonts_.empty()) return kFallbackDigitWidth;
    XMLFontImplT& font = *fonts_.front();
    return maxDigitWidth(font.name(), font.size());
}

void Styles::makeColor(int value, styles::c_CT_Color& color) const
{
    color = styles::c_CT_Color();
    if (rgbMode_) {
        color.set_rgb(nimb::c_binary{0xFF, static_cast<unsigned char>((value >> 16) & 255),
                                     static_cast<unsigned char>((value >> 8) & 255),
                                     static_cast<unsigned char>(value & 255)});
    } else {
        color.set_indexed(static_cast<unsigned>(value));
    }
}

int Styles::colorValue(const styles::c_CT_Color& color) const
{
    if (color.rgb.present) {
        const nimb::c_binary& b = color.rgb.value;
        if (b.size() != 4) throw xlerror("rgb color is invalid");
        const int rgb = (b[1] << 16) | (b[2] << 8) | b[3];
        if (rgbMode_) return rgb;
        if (b[0] != 0xFF) return -1;
        for (int i = kFirstPaletteIndex; i < kFirstPaletteIndex + static_cast<int>(kPaletteEntries); ++i)
            if (defaultPaletteColor(i) == rgb) return i;
        return -1;
    }
    if (color.indexed.present) {
        const unsigned index = color.indexed.value;
        if (!rgbMode_) return index > 0x7FFFFFFFu ? -1 : static_cast<int>(index);
        if (const auto* colors = root_.colors.peek()) {
            if (const auto* indexed = colors->indexedColors.peek()) {
                if (index < indexed->rgbColor.size()) {
                    const nimb::c_binary& b = indexed->rgbColor.at(index)->rgb.value;
                    if (b.size() == 4) return (b[1] << 16) | (b[2] << 8) | b[3];
                    return -1;
                }
            }
        }
        return index > 63 ? -1 : defaultPaletteColor(static_cast<int>(index));
    }
    return -1;
}

styles::c_CT_Fill* Styles::appendFill(const styles::c_CT_Fill* from, unsigned& id)
{
    auto* fills = root_.get_fills();
    styles::c_CT_Fill* fill = fills->fill.append();
    // A new fill is no fill, written out as such: a fill without a pattern
    // is valid, but not every reader takes it.
    if (from) *fill = *from;
    else fill->get_patternFill()->set_patternType(u"none");
    id = static_cast<unsigned>(fills->fill.size() - 1);
    fills->set_count(static_cast<unsigned>(fills->fill.size()));
    return fill;
}

styles::c_CT_Border* Styles::appendBorder(const styles::c_CT_Border* from, unsigned& id)
{
    auto* borders = root_.get_borders();
    styles::c_CT_Border* border = borders->border.append();
    // A new border is no line on its sides, written out as the sides of a
    // new book's border are.
    if (from) {
        *border = *from;
    } else {
        border->get_left();
        border->get_right();
        border->get_top();
        border->get_bottom();
        border->get_diagonal();
    }
    id = static_cast<unsigned>(borders->border.size() - 1);
    borders->set_count(static_cast<unsigned>(borders->border.size()));
    return border;
}

styles::c_CT_Fill* Styles::fillAt(std::uint32_t id) const noexcept
{
    const auto* fills = root_.fills.peek();
    return fills ? fills->fill.at(id) : nullptr;
}

styles::c_CT_Border* Styles::borderAt(std::uint32_t id) const noexcept
{
    const auto* borders = root_.borders.peek();
    return borders ? borders->border.at(id) : nullptr;
}

}  // namespace celvo
