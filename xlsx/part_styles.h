// The styles part ("/xl/styles.xml"): the stylesheet binding and, beside it,
// the book's cell-format and font objects, one per item of cellXfs and of
// fonts, in the same order, so that a format's place is the style index that
// cells store and a font's place the fontId of the formats. It also keeps
// the custom number formats, the default font and the book's colour mode
// with the conversions between interface colours and colour elements.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "celvo/text.h"
#include "ooxml/sml-styles.h"
#include "part.h"

namespace celvo {

class IFontT;
class IFormatT;
class XMLFontImplT;
class XMLFormatImplT;

class Styles final : public XmlFile<styles::c_styleSheet> {
public:
    // The stylesheet of a new book: one font (Calibri 11), the two required
    // fills, one border, one style format and one cell format.
    Styles();
    // The part's document; "data is empty" or the runtime's message.
    Styles(const char* data, std::size_t size);
    ~Styles() override;
    Styles(const Styles&) = delete;
    Styles& operator=(const Styles&) = delete;

    int formatCount() const noexcept { return static_cast<int>(formats_.size()); }
    int fontCount() const noexcept { return static_cast<int>(fonts_.size()); }
    // Throws "index is out of range".
    XMLFormatImplT* format(int index) const;
    XMLFontImplT* font(int index) const;
    // Null when there is no such format or font (ids from a file, F33).
    XMLFormatImplT* formatOrNull(std::uint32_t index) const noexcept;
    XMLFontImplT* fontOrNull(std::uint32_t index) const noexcept;
    // The place of an object of this holder; -1 for null or a foreign one.
    int formatIndex(const IFormatT* format) const noexcept;
    int fontIndex(const IFontT* font) const noexcept;

    // A new cell format: numFmtId, fontId and xfId 0, and the book's empty
    // fill and border records, shared (the first change of either gives
    // the format a record of its own). Throws "too many formats" past the
    // 64,000 cell formats the applications open.
    XMLFormatImplT* addFormat();
    // A new font without properties; throws "fonts are not found" when the
    // stylesheet has no font list.
    XMLFontImplT* addFont();

    // The text of custom number format `id`; null when there is none.
    const char16_t* customNumFormat(int id);
    // The id of a custom number format of that text, registered from 166
    // when the book has none; throws "maximum number of custom formats is
    // exceeded".
    int addCustomNumFormat(u16view text);

    // The name and size of font 0 (empty and 0 when there is none).
    const char16_t* defaultFont(int* size);
    // Throws "fonts are not found" when there is no font.
    void setDefaultFont(u16view name, int size);
    // The widest digit of font 0 in pixels, which column widths are
    // measured in; 7 when there is no font.
    int digitWidth() const;

    // The book's message, which format and font setters that refuse a value
    // report through (null: none).
    void setMessage(std::string* message) noexcept { message_ = message; }
    std::string* message() const noexcept { return message_; }

    bool rgbMode() const noexcept { return rgbMode_; }
    void setRgbMode(bool on) noexcept { rgbMode_ = on; }
    bool exchangeRgbMode(bool on) noexcept
    {
        const bool was = rgbMode_;
        rgbMode_ = on;
        return was;
    }
    // Interface colour -> colour element (rgb in RGB mode, indexed else).
    void makeColor(int value, styles::c_CT_Color& color) const;
    // Colour element -> interface colour, -1 for none or an unknown one;
    // throws "rgb color is invalid" for an rgb that is not 4 bytes.
    int colorValue(const styles::c_CT_Color& color) const;

    // New records at the end of the fill and border lists, as copies of
    // `from` (an empty record for null); their index in `id`.
    styles::c_CT_Fill* appendFill(const styles::c_CT_Fill* from, unsigned& id);
    styles::c_CT_Border* appendBorder(const styles::c_CT_Border* from, unsigned& id);
    // The fill and border of an id read from a file; null past the list.
    styles::c_CT_Fill* fillAt(std::uint32_t id) const noexcept;
    styles::c_CT_Border* borderAt(std::uint32_t id) const noexcept;

private:
    void wrapRecords();
    void ensureBaseRecords();
    // The fill and border records that new formats share: an empty one of
    // the records no format changes in place (those read or made with the
    // stylesheet), else one added for the purpose.
    unsigned sharedEmptyFill();
    unsigned sharedEmptyBorder();
    // The records read or made with the stylesheet: no format changes them
    // in place (a format copies a record before its first change).
    std::size_t baseFills_ = 0;
    std::size_t baseBorders_ = 0;
    long long emptyFill_ = -1;
    long long emptyBorder_ = -1;

    std::vector<std::unique_ptr<XMLFormatImplT>> formats_;
    std::vector<std::unique_ptr<XMLFontImplT>> fonts_;
    std::unordered_map<const IFormatT*, int> formatPlaces_;
    std::unordered_map<const IFontT*, int> fontPlaces_;
    bool rgbMode_ = false;
    std::string* message_ = nullptr;
    u16string textBuffer_;
};

}  // namespace celvo
