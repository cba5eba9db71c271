// A font of an .xlsx book: a view over one font record of the styles part,
// whose run properties it reads and changes in place.
#pragma once

#include "celvo/IFontT.h"
#include "celvo/copy_source.h"
#include "celvo/text.h"
#include "ooxml/sml-styles.h"

namespace celvo {

class Styles;

class XMLFontImplT final : public IFontT, public ColorModeSource {
public:
    XMLFontImplT(Styles& styles, styles::c_CT_Font& font) : styles_(styles), font_(font) {}

    int size() override;
    void setSize(int size) override;
    bool italic() override;
    void setItalic(bool italic) override;
    bool strikeOut() override;
    void setStrikeOut(bool strikeOut) override;
    int color() override;
    void setColor(int color) override;
    bool bold() override;
    void setBold(bool bold) override;
    int script() override;
    void setScript(int script) override;
    int underline() override;
    void setUnderline(int underline) override;
    const char16_t* name() override;
    bool setName(const char16_t* name) override;

    bool exchangeRgbMode(bool on) override;
    Styles& owner() noexcept { return styles_; }
    styles::c_CT_Font& record() noexcept { return font_; }

private:
    // The first item holding property `which` (an alternative of the font's
    // choice), or null.
    nimb::c_choice* first(unsigned which);
    bool flag(unsigned which);
    void setFlag(unsigned which, bool on);

    Styles& styles_;
    styles::c_CT_Font& font_;
    u16string textBuffer_;
};

}  // namespace celvo
