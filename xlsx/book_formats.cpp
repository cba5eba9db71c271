// The book's formats, fonts, number formats, colours, dates, reference mode
// and locale (the styles part does the work, part_styles.cpp).
#include <cmath>

#include "book.h"
#include "celvo/dates.h"
#include "font.h"
#include "format.h"
#include "package_types.h"
#include "part_styles.h"

namespace celvo {

Styles& XMLBookImplT::styles()
{
    if (pkg_.styles) {
        pkg_.styles->setMessage(&message_);
        return *pkg_.styles;
    }
    pkg_.styles = pkg_.parts.findAs<Styles>(addWorkbookPart(u"styles", packagetype::kStyles, std::make_unique<Styles>()));
    pkg_.styles->setMessage(&message_);
    return *pkg_.styles;
}

IFormatT* XMLBookImplT::formatAt(std::uint32_t index)
{
    // A cell without a style has the book's default format, as on a .xls
    // book: the styles part and the format are made when the book has none.
    if (index == 0) return styles().defaultFormat();
    if (!pkg_.styles) return nullptr;
    pkg_.styles->setMessage(&message_);
    return pkg_.styles->formatOrNull(index);
}

int XMLBookImplT::formatIndexOf(const IFormatT* format)
{
    return pkg_.styles ? pkg_.styles->formatIndex(format) : -1;
}

u16string XMLBookImplT::customNumFormatText(int id)
{
    const char16_t* text = pkg_.styles ? pkg_.styles->customNumFormat(id) : nullptr;
    return text ? u16string(text) : u16string();
}

int XMLBookImplT::formatCount()
{
    return guard(message_, 0, [&] {
        const int n = styles().formatCount();
        message_ = "ok";
        return n;
    });
}

int XMLBookImplT::fontCount()
{
    return guard(message_, 0, [&] {
        const int n = styles().fontCount();
        message_ = "ok";
        return n;
    });
}

IFormatT* XMLBookImplT::format(int index)
{
    return guard(message_, static_cast<IFormatT*>(nullptr), [&]() -> IFormatT* {
        IFormatT* f = styles().format(index);
        message_ = "ok";
        return f;
    });
}

IFontT* XMLBookImplT::font(int index)
{
    return guard(message_, static_cast<IFontT*>(nullptr), [&]() -> IFontT* {
        IFontT* f = styles().font(index);
        message_ = "ok";
        return f;
    });
}

namespace {

// A source that can hand its colours over as RGB values (a format or font
// of an .xlsx book) does so for the time of the copy, and the copy takes
// them as such, so that a colour of another book stays the same colour; the
// colours of any other source are palette indexes. Fonts and formats are
// copied through the interface.
void copyFont(XMLFontImplT& to, IFontT& from)
{
    auto* rgbSource = dynamic_cast<ColorModeSource*>(&from);
    const ColorModeScope source(rgbSource, true);
    const ColorModeScope target(&to, rgbSource != nullptr);
    to.setSize(from.size());
    to.setItalic(from.italic());
    to.setStrikeOut(from.strikeOut());
    const int color = from.color();
    if (color != -1) to.setColor(color);
    to.setBold(from.bold());
    to.setScript(from.script());
    to.setUnderline(from.underline());
    const char16_t* name = from.name();
    if (name && *name) to.setName(u16string(name).c_str());
}

void copyFormat(XMLFormatImplT& to, IFormatT& from)
{
    auto* rgbSource = dynamic_cast<ColorModeSource*>(&from);
    const ColorModeScope source(rgbSource, true);
    const ColorModeScope target(&to, rgbSource != nullptr);
    to.setHorizontalAlignment(from.horizontalAlignment());
    to.setVerticalAlignment(from.verticalAlignment());
    to.setWrapText(from.wrapText());
    to.setRotation(from.rotation());
    to.setIndent(from.indent());
    to.setShrinkToFit(from.shrinkToFit());
    to.setBorderLeft(from.borderLeft());
    to.setBorderRight(from.borderRight());
    to.setBorderTop(from.borderTop());
    to.setBorderBottom(from.borderBottom());
    to.setBorderLeftColor(from.borderLeftColor());
    to.setBorderRightColor(from.borderRightColor());
    to.setBorderTopColor(from.borderTopColor());
    to.setBorderBottomColor(from.borderBottomColor());
    to.setBorderDiagonal(from.borderDiagonal());
    to.setBorderDiagonalStyle(from.borderDiagonalStyle());
    to.setBorderDiagonalColor(from.borderDiagonalColor());
    to.setFillPattern(from.fillPattern());
    to.setPatternForegroundColor(from.patternForegroundColor());
    to.setPatternBackgroundColor(from.patternBackgroundColor());
    to.setLocked(from.locked());
    to.setHidden(from.hidden());
}

}  // namespace

IFontT* XMLBookImplT::addFont(IFontT* initFont)
{
    return guard(message_, static_cast<IFontT*>(nullptr), [&]() -> IFontT* {
        XMLFontImplT* f = styles().addFont();
        if (initFont) copyFont(*f, *initFont);
        message_ = "ok";
        return f;
    });
}

IFormatT* XMLBookImplT::addFormat(IFormatT* initFormat)
{
    return guard(message_, static_cast<IFormatT*>(nullptr), [&]() -> IFormatT* {
        Styles& st = styles();
        XMLFormatImplT* f = st.addFormat();
        if (initFormat) {
            auto* xml = dynamic_cast<XMLFormatImplT*>(initFormat);
            if (IFontT* srcFont = initFormat->font()) {
                // A font of this book is shared; another book's is copied.
                if (st.fontIndex(srcFont) >= 0) {
                    f->setFont(srcFont);
                } else {
                    XMLFontImplT* copy = st.addFont();
                    copyFont(*copy, *srcFont);
                    f->setFont(copy);
                }
            }
            int numFmt = initFormat->numFormat();
            if (numFmt >= 164 && !(xml && &xml->owner() == &st)) {
                // A custom format of another book, of either file format,
                // is registered here by its text.
                auto* source = dynamic_cast<NumFormatTextSource*>(initFormat);
                const char16_t* text = source ? source->customNumFormatText() : nullptr;
                numFmt = text ? st.addCustomNumFormat(u16string(text)) : 0;
            }
            f->setNumFormat(numFmt);
            copyFormat(*f, *initFormat);
        }
        message_ = "ok";
        return f;
    });
}

int XMLBookImplT::addCustomNumFormat(const char16_t* customNumFormat)
{
    return guard(message_, 0, [&] {
        if (!customNumFormat) throw xlerror("custom number format is empty");
        const int id = styles().addCustomNumFormat(u16string(customNumFormat));
        message_ = "ok";
        return id;
    });
}

const char16_t* XMLBookImplT::customNumFormat(int fmt)
{
    return guard(message_, static_cast<const char16_t*>(nullptr), [&]() -> const char16_t* {
        const char16_t* text = styles().customNumFormat(fmt);
        if (!text) throw xlerror("custom number format not found");
        message_ = "ok";
        return text;
    });
}

const char16_t* XMLBookImplT::defaultFont(int* fontSize)
{
    return guard(message_, static_cast<const char16_t*>(nullptr), [&]() -> const char16_t* {
        const char16_t* name = styles().defaultFont(fontSize);
        message_ = "ok";
        return name;
    });
}

void XMLBookImplT::setDefaultFont(const char16_t* fontName, int fontSize)
{
    guardVoid(message_, [&] {
        styles().setDefaultFont(fontName ? u16view(fontName) : u16view(), fontSize);
        message_ = "ok";
    });
}

bool XMLBookImplT::rgbMode()
{
    return guard(message_, false, [&] {
        const bool on = styles().rgbMode();
        message_ = "ok";
        return on;
    });
}

void XMLBookImplT::setRgbMode(bool rgbMode)
{
    guardVoid(message_, [&] {
        styles().setRgbMode(rgbMode);
        message_ = "ok";
    });
}

int XMLBookImplT::packColor(int red, int green, int blue)
{
    message_ = "ok";
    return ((red & 255) << 16) | ((green & 255) << 8) | (blue & 255);
}

void XMLBookImplT::unpackColor(int color, int* red, int* green, int* blue)
{
    if (red) *red = (color >> 16) & 255;
    if (green) *green = (color >> 8) & 255;
    if (blue) *blue = color & 255;
    message_ = "ok";
}

double XMLBookImplT::packedDate(int year, int month, int day, int hour, int min, int sec, int msec)
{
    return guard(message_, 0.0, [&] {
        const double v = packCalendarDate(date1904(), year, month, day, hour, min, sec, msec);
        message_ = "ok";
        return v;
    });
}

bool XMLBookImplT::unpackedDate(double value, int* year, int* month, int* day, int* hour, int* min, int* sec,
                                int* msec)
{
    return guard(message_, false, [&] {
        putDateParts(unpackDate(date1904(), value), year, month, day, hour, min, sec, msec);
        message_ = "ok";
        return true;
    });
}

bool XMLBookImplT::refR1C1()
{
    message_ = "ok";
    return refR1C1Mode();
}

void XMLBookImplT::setRefR1C1(bool refR1C1)
{
    guardVoid(message_, [&] {
        root_.get_calcPr()->set_refMode(refR1C1 ? u"R1C1" : u"A1");
        message_ = "ok";
    });
}

bool XMLBookImplT::setLocale(const char* locale)
{
    return guard(message_, false, [&] {
        if (!locale_.set(locale ? locale : "")) throw xlerror("setlocale error");
        message_ = "ok";
        return true;
    });
}

}  // namespace celvo
