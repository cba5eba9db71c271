#include "book.h"

#include <algorithm>
#include <cmath>

#include "celvo/ISheetT.h"
#include "celvo/dates.h"
#include "sheet.h"

namespace celvo {

namespace {
constexpr int kFirstCustomFormat = 164;
constexpr int kLastCustomFormat = 392;
constexpr std::size_t kMaxFormats = 0xFFFF;  // cells keep the XF index in 16 bits
}  // namespace

BookImplT::BookImplT()
{
    setLocale("");
    initDefaultStyles();
}

BookImplT::~BookImplT() = default;

void BookImplT::release() { delete this; }

const char* BookImplT::errorMessage() { return message_.c_str(); }

void BookImplT::initDefaultStyles()
{
    struct XfRow { std::uint16_t font, numFmt; int protection; int align; int used; };
    // -1: the format's default.
    static const XfRow kXfs[21] = {
        {0, 0, -1, 0x20, 0x00}, {1, 0, -1, -1, -1}, {1, 0, -1, -1, -1}, {2, 0, -1, -1, -1},
        {2, 0, -1, -1, -1},     {0, 0, -1, -1, -1}, {0, 0, -1, -1, -1}, {0, 0, -1, -1, -1},
        {0, 0, -1, -1, -1},     {0, 0, -1, -1, -1}, {0, 0, -1, -1, -1}, {0, 0, -1, -1, -1},
        {0, 0, -1, -1, -1},     {0, 0, -1, -1, -1}, {0, 0, -1, -1, -1}, {0, 0, 0x0001, 0x20, 0x00},
        {1, 44, -1, 0x20, 0xF8}, {1, 42, -1, 0x20, 0xF8}, {1, 9, -1, 0x20, 0xF8},
        {1, 43, -1, 0x20, 0xF8}, {1, 41, -1, 0x00, 0x00},
    };
    formats_.clear();
    for (const XfRow& row : kXfs) {
        auto f = std::make_unique<FormatImplT>(*this);
        f->fontIndex = row.font;
        f->numFmt = row.numFmt;
        if (row.protection >= 0) f->protection = static_cast<std::uint16_t>(row.protection);
        // The alignment byte is the low byte of the alignment word, the
        // attribute-used byte its high byte.
        if (row.align >= 0) f->align = (f->align & ~0xFFu) | static_cast<std::uint32_t>(row.align);
        if (row.used >= 0)
            f->align = (f->align & 0x00FFFFFFu) | (static_cast<std::uint32_t>(row.used) << 24);
        formats_.push_back(std::move(f));
    }
    fonts_.clear();
    for (int i = 0; i < 5; ++i) fonts_.push_back(std::make_unique<FontImplT>(*this));

    struct StyleRow { std::uint16_t ixfe; std::uint8_t id; };
    static const StyleRow kStyles[6] = {{0x8010, 4}, {0x8011, 7}, {0x8000, 0}, {0x8012, 5}, {0x8013, 3}, {0x8014, 6}};
    styles_.clear();
    for (const StyleRow& row : kStyles) {
        Style s;
        s.ixfe = row.ixfe;
        s.istyBuiltIn = row.id;
        s.iLevel = 0xFF;
        styles_.push_back(s);
    }
    rgbMode_ = false;
}

// ---- formats and fonts ----------------------------------------------------

int BookImplT::formatCount()
{
    message_ = "ok";
    return static_cast<int>(formats_.size());
}

int BookImplT::fontCount()
{
    message_ = "ok";
    return static_cast<int>(fonts_.size());
}

IFormatT* BookImplT::format(int index)
{
    return guard(message_, static_cast<IFormatT*>(nullptr), [&]() -> IFormatT* {
        if (index < 0 || static_cast<std::size_t>(index) >= formats_.size()) throw xlerror("index is out of range");
        return formats_[static_cast<std::size_t>(index)].get();
    });
}

IFontT* BookImplT::font(int index)
{
    return guard(message_, static_cast<IFontT*>(nullptr), [&]() -> IFontT* {
        if (index < 0 || static_cast<std::size_t>(index) >= fonts_.size()) throw xlerror("index is out of range");
        return fonts_[static_cast<std::size_t>(index)].get();
    });
}

IFontT* BookImplT::addFont(IFontT* initFont)
{
    return guard(message_, static_cast<IFontT*>(nullptr), [&]() -> IFontT* {
        auto f = std::make_unique<FontImplT>(*this);
        if (initFont) {
            // A font of a .xlsx book hands its colour over as a palette index.
            const ColorModeScope palette(dynamic_cast<ColorModeSource*>(initFont), false);
            f->setSize(initFont->size());
            f->setItalic(initFont->italic());
            f->setStrikeOut(initFont->strikeOut());
            f->setColor(initFont->color());
            f->setBold(initFont->bold());
            f->setScript(initFont->script());
            f->setUnderline(initFont->underline());
            const char16_t* name = initFont->name();
            if (name) {
                const u16string copy(name);
                if (copy.size() > 0xFF) throw xlerror("string is too long");
                f->faceName.assign(copy, *pool_);
            }
        }
        fonts_.push_back(std::move(f));
        message_ = "ok";
        return fonts_.back().get();
    });
}

IFormatT* BookImplT::addFormat(IFormatT* initFormat)
{
    return guard(message_, static_cast<IFormatT*>(nullptr), [&]() -> IFormatT* {
        if (formats_.size() >= kMaxFormats) throw xlerror("too many formats");
        auto f = std::make_unique<FormatImplT>(*this);
        f->protection = 0x0001;  // a locked cell XF with parent style 0
        if (initFormat) {
            const ColorModeScope palette(dynamic_cast<ColorModeSource*>(initFormat), false);
            if (IFontT* srcFont = initFormat->font()) {
                IFontT* copy = addFont(srcFont);
                if (!copy) throw xlerror(message_);
                f->setFont(copy);
            }
            int numFmt = initFormat->numFormat();
            if (numFmt > 163) {
                // A custom format is registered here by its text.
                auto* src = dynamic_cast<NumFormatTextSource*>(initFormat);
                const char16_t* text = src ? src->customNumFormatText() : nullptr;
                if (text) {
                    const u16string copy(text);
                    numFmt = addCustomNumFormat(copy.c_str());
                    if (numFmt == 0) throw xlerror(message_);
                } else {
                    numFmt = 0;
                }
            }
            f->setNumFormat(numFmt);
            f->setHorizontalAlignment(initFormat->horizontalAlignment());
            f->setVerticalAlignment(initFormat->verticalAlignment());
            f->setWrapText(initFormat->wrapText());
            f->setRotation(initFormat->rotation());
            f->setIndent(initFormat->indent());
            f->setShrinkToFit(initFormat->shrinkToFit());
            f->setBorderLeft(initFormat->borderLeft());
            f->setBorderRight(initFormat->borderRight());
            f->setBorderTop(initFormat->borderTop());
            f->setBorderBottom(initFormat->borderBottom());
            f->setBorderLeftColor(initFormat->borderLeftColor());
            f->setBorderRightColor(initFormat->borderRightColor());
            f->setBorderTopColor(initFormat->borderTopColor());
            f->setBorderBottomColor(initFormat->borderBottomColor());
            f->setBorderDiagonal(initFormat->borderDiagonal());
            f->setBorderDiagonalStyle(initFormat->borderDiagonalStyle());
            f->setBorderDiagonalColor(initFormat->borderDiagonalColor());
            f->setFillPattern(initFormat->fillPattern());
            f->setPatternForegroundColor(initFormat->patternForegroundColor());
            f->setPatternBackgroundColor(initFormat->patternBackgroundColor());
            f->setLocked(initFormat->locked());
            f->setHidden(initFormat->hidden());
        }
        formats_.push_back(std::move(f));
        message_ = "ok";
        return formats_.back().get();
    });
}

// ---- number formats -------------------------------------------------------

int BookImplT::addCustomNumFormat(const char16_t* customNumFormat)
{
    return guard(message_, 0, [&] {
        const u16view text = u16(customNumFormat);
        // The format keeps the text in one record: longer texts are refused.
        if (text.size() > 255) throw xlerror("string is too long");
        std::vector<bool> taken(kLastCustomFormat + 1, false);
        for (const Format& f : numFormats_) {
            if (f.text.text ? f.text.view() == text : text.empty()) return static_cast<int>(f.ifmt);
            if (f.ifmt <= kLastCustomFormat) taken[f.ifmt] = true;
        }
        for (int id = kFirstCustomFormat; id <= kLastCustomFormat; ++id) {
            if (!taken[static_cast<std::size_t>(id)]) {
                Format f;
                f.ifmt = static_cast<std::uint16_t>(id);
                const u16string copy(text);
                f.text.assign(copy.c_str(), *pool_);
                numFormats_.push_back(std::move(f));
                return id;
            }
        }
        throw xlerror("maximum number of custom formats is exceeded");
    });
}

const char16_t* BookImplT::customNumFormat(int fmt)
{
    return guard(message_, static_cast<const char16_t*>(nullptr), [&]() -> const char16_t* {
        for (const Format& f : numFormats_) {
            if (f.ifmt != fmt) continue;
            if (!f.text.text) return nullptr;
            textBuffer_ = f.text.view();
            return textBuffer_.c_str();
        }
        throw xlerror("custom number format not found");
    });
}

// ---- dates ----------------------------------------------------------------

double BookImplT::packedDate(int year, int month, int day, int hour, int min, int sec, int msec)
{
    return guard(message_, 0.0,
                 [&] { return packCalendarDate(date1904(), year, month, day, hour, min, sec, msec); });
}

bool BookImplT::unpackedDate(double value, int* year, int* month, int* day, int* hour, int* min, int* sec,
                             int* msec)
{
    return guard(message_, false, [&] {
        putDateParts(unpackDate(date1904(), value), year, month, day, hour, min, sec, msec);
        return true;
    });
}

// ---- colours, modes, locale -----------------------------------------------

int BookImplT::packColor(int red, int green, int blue)
{
    return guard(message_, 0, [&] {
        paletteChanged_ = true;
        return palette_.allocColor(red, green, blue);
    });
}

void BookImplT::unpackColor(int color, int* red, int* green, int* blue)
{
    guardVoid(message_, [&] { palette_.unpackColor(color, red, green, blue); });
}

bool BookImplT::rgbMode()
{
    message_ = "ok";
    return rgbMode_;
}

void BookImplT::setRgbMode(bool rgbMode)
{
    rgbMode_ = rgbMode;
    message_ = "ok";
}

int BookImplT::biffVersion() { return bof_.version; }

bool BookImplT::setLocale(const char* locale)
{
    return guard(message_, false, [&] {
        if (!locale_.set(locale ? locale : "")) throw xlerror("setlocale error");
        return true;
    });
}

const char16_t* BookImplT::defaultFont(int* fontSize)
{
    return guard(message_, static_cast<const char16_t*>(nullptr), [&]() -> const char16_t* {
        if (fonts_.empty()) throw xlerror("fonts is empty");
        FontImplT& f = *fonts_.front();
        if (fontSize) *fontSize = f.size();
        if (!f.faceName.text) return nullptr;
        textBuffer_ = f.faceName.view();
        return textBuffer_.c_str();
    });
}

void BookImplT::setDefaultFont(const char16_t* fontName, int fontSize)
{
    guardVoid(message_, [&] {
        if (fonts_.empty()) throw xlerror("fonts is empty");
        FontImplT& f = *fonts_.front();
        if (!f.setName(fontName)) throw xlerror(message_);
        f.setSize(fontSize);
        message_ = "ok";
    });
}

bool BookImplT::refR1C1()
{
    message_ = "ok";
    if (sheets_.empty()) return r1c1_;
    return sheets_.back()->r1c1();
}

void BookImplT::setRefR1C1(bool refR1C1)
{
    message_ = "ok";
    for (auto& s : sheets_) s->setR1C1(refR1C1);
    r1c1_ = refR1C1;
}

}  // namespace celvo
