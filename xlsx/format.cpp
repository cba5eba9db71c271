#include "format.h"

#include <string>

#include "celvo/numformat.h"
#include "celvo/xlerror.h"
#include "font.h"
#include "part_styles.h"

namespace celvo {

namespace {

const char16_t* const kHorizontal[] = {u"general", u"left", u"center", u"right",
                                       u"fill", u"justify", u"centerContinuous", u"distributed"};
const char16_t* const kVertical[] = {u"top", u"center", u"bottom", u"justify", u"distributed"};
const char16_t* const kBorderStyles[] = {u"none", u"thin", u"medium", u"dashed", u"dotted", u"thick", u"double",
                                         u"hair", u"mediumDashed", u"dashDot", u"mediumDashDot", u"dashDotDot",
                                         u"mediumDashDotDot", u"slantDashDot"};
const char16_t* const kPatterns[] = {u"none", u"solid", u"mediumGray", u"darkGray", u"lightGray",
                                     u"darkHorizontal", u"darkVertical", u"darkDown", u"darkUp", u"darkGrid",
                                     u"darkTrellis", u"lightHorizontal", u"lightVertical", u"lightDown",
                                     u"lightUp", u"lightGrid", u"lightTrellis", u"gray125", u"gray0625"};

template <std::size_t N>
int codeOf(const char16_t* const (&names)[N], const nimb::c_simple<u16string>& value, int absent)
{
    if (!value.present) return absent;
    for (std::size_t i = 0; i < N; ++i)
        if (value.value == names[i]) return static_cast<int>(i);
    return absent;
}

template <std::size_t N>
const char16_t* nameOf(const char16_t* const (&names)[N], int code)
{
    return code >= 0 && static_cast<std::size_t>(code) < N ? names[code] : nullptr;
}

using B = styles::c_CT_Border;

// Whether the colour a record gives now is `color` (a colour that cannot be
// read is not).
template <class Current>
bool sameColor(int color, Current current)
{
    try {
        return current() == color;
    } catch (const xlerror&) {
        return false;
    }
}

}  // namespace

XMLFormatImplT::XMLFormatImplT(Styles& styles, styles::c_CT_Xf& xf, bool own)
    : styles_(styles), xf_(xf), ownFill_(own), ownBorder_(own)
{
    // Ids from a file that name no record leave the format without one
    // (the lists are not grown).
    if (xf_.fillId.present) fill_ = styles_.fillAt(xf_.fillId.value);
    if (xf_.borderId.present) border_ = styles_.borderAt(xf_.borderId.value);
}

IFontT* XMLFormatImplT::font()
{
    return xf_.fontId.present ? styles_.fontOrNull(xf_.fontId.value) : nullptr;
}

bool XMLFormatImplT::setFont(IFontT* font)
{
    const int index = styles_.fontIndex(font);
    if (index < 0) return false;
    xf_.set_fontId(static_cast<unsigned>(index));
    return true;
}

int XMLFormatImplT::numFormat() { return xf_.numFmtId.present ? static_cast<int>(xf_.numFmtId.value) : 0; }
void XMLFormatImplT::setNumFormat(int numFormat)
{
    std::string local;
    std::string& message = styles_.message() ? *styles_.message() : local;
    guardVoid(message, [&] {
        checkNumFormatId(numFormat, numFormat >= 0 && styles_.customNumFormat(numFormat) != nullptr);
        xf_.set_numFmtId(static_cast<unsigned>(numFormat));
    });
}

int XMLFormatImplT::horizontalAlignment()
{
    const auto* a = xf_.alignment.peek();
    return a ? codeOf(kHorizontal, a->horizontal, 0) : 0;
}

void XMLFormatImplT::setHorizontalAlignment(int align)
{
    auto* a = xf_.get_alignment();
    if (const char16_t* name = nameOf(kHorizontal, align)) a->set_horizontal(name);
}

int XMLFormatImplT::verticalAlignment()
{
    const auto* a = xf_.alignment.peek();
    return a ? codeOf(kVertical, a->vertical, 2) : 2;
}

void XMLFormatImplT::setVerticalAlignment(int align)
{
    auto* a = xf_.get_alignment();
    if (const char16_t* name = nameOf(kVertical, align)) a->set_vertical(name);
}

bool XMLFormatImplT::wrapText()
{
    const auto* a = xf_.alignment.peek();
    return a && a->wrapText.present && a->wrapText.value;
}
void XMLFormatImplT::setWrapText(bool wrap) { xf_.get_alignment()->set_wrapText(wrap); }

int XMLFormatImplT::rotation()
{
    const auto* a = xf_.alignment.peek();
    return a && a->textRotation.present ? static_cast<int>(a->textRotation.value) : 0;
}

bool XMLFormatImplT::setRotation(int rotation)
{
    xf_.get_alignment()->set_textRotation(static_cast<unsigned>(rotation));
    return true;
}

int XMLFormatImplT::indent()
{
    const auto* a = xf_.alignment.peek();
    return a && a->indent.present ? static_cast<int>(a->indent.value) : 0;
}
void XMLFormatImplT::setIndent(int indent) { xf_.get_alignment()->set_indent(static_cast<unsigned>(indent)); }

bool XMLFormatImplT::shrinkToFit()
{
    const auto* a = xf_.alignment.peek();
    return a && a->shrinkToFit.present && a->shrinkToFit.value;
}
void XMLFormatImplT::setShrinkToFit(bool shrink) { xf_.get_alignment()->set_shrinkToFit(shrink); }

// ---- borders --------------------------------------------------------------

styles::c_CT_Border& XMLFormatImplT::ownBorder()
{
    if (!ownBorder_ || !border_) {
        unsigned id = 0;
        border_ = styles_.appendBorder(border_, id);
        xf_.set_borderId(id);
        ownBorder_ = true;
    }
    return *border_;
}

int XMLFormatImplT::sideStyle(Side side)
{
    const auto* pr = border_ ? (border_->*side).peek() : nullptr;
    return pr ? codeOf(kBorderStyles, pr->style, 0) : 0;
}

void XMLFormatImplT::setSideStyle(Side side, int style)
{
    const char16_t* name = nameOf(kBorderStyles, style);
    if (!name) name = u"none";
    // What the record holds already changes nothing, so that a shared
    // record stays shared.
    const auto* pr = border_ ? (border_->*side).peek() : nullptr;
    if (pr ? (pr->style.present ? pr->style.value == name : u16view(name) == u"none") : u16view(name) == u"none")
        return;
    (ownBorder().*side).get()->set_style(name);
}

int XMLFormatImplT::sideColor(Side side)
{
    const auto* pr = border_ ? (border_->*side).peek() : nullptr;
    const auto* color = pr ? pr->color.peek() : nullptr;
    return color ? styles_.colorValue(*color) : -1;
}

void XMLFormatImplT::setSideColor(Side side, int color)
{
    if (color == -1 || sameColor(color, [&] { return sideColor(side); })) return;
    styles_.makeColor(color, *(ownBorder().*side).get()->get_color());
}

void XMLFormatImplT::setBorder(int style)
{
    setBorderLeft(style);
    setBorderRight(style);
    setBorderTop(style);
    setBorderBottom(style);
}

void XMLFormatImplT::setBorderColor(int color)
{
    setBorderLeftColor(color);
    setBorderRightColor(color);
    setBorderTopColor(color);
    setBorderBottomColor(color);
}

int XMLFormatImplT::borderLeft() { return sideStyle(&B::left); }
void XMLFormatImplT::setBorderLeft(int style) { setSideStyle(&B::left, style); }
int XMLFormatImplT::borderRight() { return sideStyle(&B::right); }
void XMLFormatImplT::setBorderRight(int style) { setSideStyle(&B::right, style); }
int XMLFormatImplT::borderTop() { return sideStyle(&B::top); }
void XMLFormatImplT::setBorderTop(int style) { setSideStyle(&B::top, style); }
int XMLFormatImplT::borderBottom() { return sideStyle(&B::bottom); }
void XMLFormatImplT::setBorderBottom(int style) { setSideStyle(&B::bottom, style); }
int XMLFormatImplT::borderLeftColor() { return sideColor(&B::left); }
void XMLFormatImplT::setBorderLeftColor(int color) { setSideColor(&B::left, color); }
int XMLFormatImplT::borderRightColor() { return sideColor(&B::right); }
void XMLFormatImplT::setBorderRightColor(int color) { setSideColor(&B::right, color); }
int XMLFormatImplT::borderTopColor() { return sideColor(&B::top); }
void XMLFormatImplT::setBorderTopColor(int color) { setSideColor(&B::top, color); }
int XMLFormatImplT::borderBottomColor() { return sideColor(&B::bottom); }
void XMLFormatImplT::setBorderBottomColor(int color) { setSideColor(&B::bottom, color); }
int XMLFormatImplT::borderDiagonalStyle() { return sideStyle(&B::diagonal); }
void XMLFormatImplT::setBorderDiagonalStyle(int style) { setSideStyle(&B::diagonal, style); }
int XMLFormatImplT::borderDiagonalColor() { return sideColor(&B::diagonal); }
void XMLFormatImplT::setBorderDiagonalColor(int color) { setSideColor(&B::diagonal, color); }

int XMLFormatImplT::borderDiagonal()
{
    if (!border_) return 0;
    const bool down = border_->diagonalDown.present && border_->diagonalDown.value;
    const bool up = border_->diagonalUp.present && border_->diagonalUp.value;
    return (down ? 1 : 0) | (up ? 2 : 0);
}

void XMLFormatImplT::setBorderDiagonal(int border)
{
    if (border < 0 || border > 3 || border == borderDiagonal()) return;
    styles::c_CT_Border& b = ownBorder();
    if (border & 1) b.set_diagonalDown(true);
    else b.unset_diagonalDown();
    if (border & 2) b.set_diagonalUp(true);
    else b.unset_diagonalUp();
}

// ---- fill -----------------------------------------------------------------

styles::c_CT_Fill& XMLFormatImplT::ownFill()
{
    if (!ownFill_ || !fill_) {
        unsigned id = 0;
        fill_ = styles_.appendFill(fill_, id);
        xf_.set_fillId(id);
        ownFill_ = true;
    }
    return *fill_;
}

styles::c_CT_PatternFill* XMLFormatImplT::readPattern() const
{
    if (!fill_ || fill_->choice.which() != 0) return nullptr;
    return static_cast<styles::c_CT_PatternFill*>(fill_->choice.object());
}

int XMLFormatImplT::fillPattern()
{
    const auto* p = readPattern();
    return p ? codeOf(kPatterns, p->patternType, 0) : 0;
}

void XMLFormatImplT::setFillPattern(int pattern)
{
    const char16_t* name = nameOf(kPatterns, pattern);
    if (!name) return;
    const styles::c_CT_PatternFill* p = readPattern();
    if (p && (p->patternType.present ? p->patternType.value == name : u16view(name) == u"none")) return;
    ownFill().get_patternFill()->set_patternType(name);
}

int XMLFormatImplT::patternColor(bool foreground)
{
    const auto* p = readPattern();
    const auto* color = p ? (foreground ? p->fgColor.peek() : p->bgColor.peek()) : nullptr;
    if (color) return styles_.colorValue(*color);
    if (styles_.rgbMode()) return -1;
    return foreground ? 64 : 65;
}

void XMLFormatImplT::setPatternColor(bool foreground, int color)
{
    if (color == -1 || (readPattern() && sameColor(color, [&] { return patternColor(foreground); }))) return;
    auto* p = ownFill().get_patternFill();
    styles_.makeColor(color, foreground ? *p->get_fgColor() : *p->get_bgColor());
}

int XMLFormatImplT::patternForegroundColor() { return patternColor(true); }
void XMLFormatImplT::setPatternForegroundColor(int color) { setPatternColor(true, color); }
int XMLFormatImplT::patternBackgroundColor() { return patternColor(false); }
void XMLFormatImplT::setPatternBackgroundColor(int color) { setPatternColor(false, color); }

// ---- protection -----------------------------------------------------------

bool XMLFormatImplT::locked()
{
    const auto* p = xf_.protection.peek();
    return !p || !p->locked.present || p->locked.value;
}
void XMLFormatImplT::setLocked(bool locked) { xf_.get_protection()->set_locked(locked); }

bool XMLFormatImplT::hidden()
{
    const auto* p = xf_.protection.peek();
    return p && p->hidden.present && p->hidden.value;
}
void XMLFormatImplT::setHidden(bool hidden) { xf_.get_protection()->set_hidden(hidden); }

const char16_t* XMLFormatImplT::customNumFormatText()
{
    const int id = numFormat();
    return id < 164 ? nullptr : styles_.customNumFormat(id);
}

bool XMLFormatImplT::exchangeRgbMode(bool on) { return styles_.exchangeRgbMode(on); }

}  // namespace celvo
