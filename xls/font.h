// One font of a .xls book: the fields of a FONT record. Cell formats name
// fonts by index (index 4 is never used).
#pragma once

#include <cstdint>

#include "celvo/IFontT.h"
#include "biff_stream.h"
#include "biff_string.h"

namespace celvo {

class BookImplT;

class FontImplT final : public IFontT {
public:
    static constexpr std::uint16_t kId = 0x0031;

    explicit FontImplT(BookImplT& book);
    // The font moved to another book object (a load took it).
    void rebind(BookImplT& book) noexcept { book_ = &book; }

    int size() override { return height / 20; }
    void setSize(int size) override;
    bool italic() override { return (flags & 0x0002) != 0; }
    void setItalic(bool v) override { setFlag(0x0002, v); }
    bool strikeOut() override { return (flags & 0x0008) != 0; }
    void setStrikeOut(bool v) override { setFlag(0x0008, v); }
    int color() override { return colorIndex; }
    void setColor(int color) override { colorIndex = static_cast<std::uint16_t>(color); }
    bool bold() override { return weight >= 700; }
    // The weight says bold; the files of the applications also carry bit 0
    // of the flags with it, which some readers take as the answer.
    void setBold(bool bold) override
    {
        weight = bold ? 700 : 400;
        setFlag(0x0001, bold);
    }
    int script() override { return scriptType; }
    void setScript(int script) override { scriptType = static_cast<std::uint16_t>(script); }
    int underline() override { return underlineType; }
    void setUnderline(int underline) override { underlineType = static_cast<std::uint8_t>(underline); }
    const char16_t* name() override;
    bool setName(const char16_t* name) override;

    u16string nameString() const { return u16string(faceName.view()); }

    // FONT record: at least 14 bytes and a name that fits the record, else
    // "Font size is incorrect". Versions below 0x0501 store the name
    // without its option byte.
    void read(RecordCursor& in, int biffVersion);
    void write(BiffOutput& out) const;

    std::uint16_t height = 200;  // twips
    std::uint16_t flags = 0;
    std::uint16_t colorIndex = 0x7FFF;
    std::uint16_t weight = 400;
    std::uint16_t scriptType = 0;
    std::uint8_t underlineType = 0;
    std::uint8_t family = 0;
    std::uint8_t charset = 0;
    std::uint8_t reserved = 0;
    ShortXLUnicodeString faceName;

private:
    void setFlag(std::uint16_t bit, bool on) noexcept
    {
        flags = static_cast<std::uint16_t>(on ? (flags | bit) : (flags & ~bit));
    }
    BookImplT* book_;
};

}  // namespace celvo
