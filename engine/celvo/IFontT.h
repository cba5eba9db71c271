// Abstract font. Slot order is fixed and shared by both engines.
#pragma once

namespace celvo {

class IFontT {
public:
    virtual int size() = 0;
    virtual void setSize(int size) = 0;
    virtual bool italic() = 0;
    virtual void setItalic(bool italic) = 0;
    virtual bool strikeOut() = 0;
    virtual void setStrikeOut(bool strikeOut) = 0;
    virtual int color() = 0;
    virtual void setColor(int color) = 0;
    virtual bool bold() = 0;
    virtual void setBold(bool bold) = 0;
    virtual int script() = 0;
    virtual void setScript(int script) = 0;
    virtual int underline() = 0;
    virtual void setUnderline(int underline) = 0;
    virtual const char16_t* name() = 0;
    virtual bool setName(const char16_t* name) = 0;

protected:
    ~IFontT() = default;  // fonts are owned and destroyed by their book
};

}  // namespace celvo
