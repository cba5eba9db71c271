// What a book asks of a format or a font that it copies from another book,
// of either file format, beyond the interface's getters.
#pragma once

namespace celvo {

// A format that names the text of its custom number format, so that the
// copy registers the same text under an id of the copying book.
class NumFormatTextSource {
public:
    // The text of the format's custom number format; null for a built-in id
    // or one the format's book does not hold.
    virtual const char16_t* customNumFormatText() = 0;

protected:
    ~NumFormatTextSource() = default;
};

// A format or font whose colour getters answer palette indexes or packed RGB
// values as its book's colour mode says; a copy switches that mode for the
// time of the copy so that colours travel in the form the copy takes. A
// source without this interface always answers palette indexes.
class ColorModeSource {
public:
    // Sets the colour mode of the source's book; returns the mode before.
    virtual bool exchangeRgbMode(bool on) = 0;

protected:
    ~ColorModeSource() = default;
};

// Switches a copy source's colour mode for the life of the object.
class ColorModeScope {
public:
    ColorModeScope(ColorModeSource* source, bool rgb) : source_(source)
    {
        if (source_) was_ = source_->exchangeRgbMode(rgb);
    }
    ~ColorModeScope()
    {
        if (source_) source_->exchangeRgbMode(was_);
    }
    ColorModeScope(const ColorModeScope&) = delete;
    ColorModeScope& operator=(const ColorModeScope&) = delete;

private:
    ColorModeSource* source_;
    bool was_ = false;
};

}  // namespace celvo
