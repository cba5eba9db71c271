// Abstract cell format. Slot order is fixed and shared by both engines.
#pragma once

namespace celvo {

class IFontT;

class IFormatT {
public:
    virtual IFontT* font() = 0;
    virtual bool setFont(IFontT* font) = 0;
    virtual int numFormat() = 0;
    virtual void setNumFormat(int numFormat) = 0;
    virtual int horizontalAlignment() = 0;
    virtual void setHorizontalAlignment(int align) = 0;
    virtual int verticalAlignment() = 0;
    virtual void setVerticalAlignment(int align) = 0;
    virtual bool wrapText() = 0;
    virtual void setWrapText(bool wrap) = 0;
    virtual int rotation() = 0;
    virtual bool setRotation(int rotation) = 0;
    virtual int indent() = 0;
    virtual void setIndent(int indent) = 0;
    virtual bool shrinkToFit() = 0;
    virtual void setShrinkToFit(bool shrink) = 0;
    virtual void setBorder(int style) = 0;
    virtual void setBorderColor(int color) = 0;
    virtual int borderLeft() = 0;
    virtual void setBorderLeft(int style) = 0;
    virtual int borderRight() = 0;
    virtual void setBorderRight(int style) = 0;
    virtual int borderTop() = 0;
    virtual void setBorderTop(int style) = 0;
    virtual int borderBottom() = 0;
    virtual void setBorderBottom(int style) = 0;
    virtual int borderLeftColor() = 0;
    virtual void setBorderLeftColor(int color) = 0;
    virtual int borderRightColor() = 0;
    virtual void setBorderRightColor(int color) = 0;
    virtual int borderTopColor() = 0;
    virtual void setBorderTopColor(int color) = 0;
    virtual int borderBottomColor() = 0;
    virtual void setBorderBottomColor(int color) = 0;
    virtual int borderDiagonal() = 0;
    virtual void setBorderDiagonal(int border) = 0;
    virtual int borderDiagonalStyle() = 0;
    virtual void setBorderDiagonalStyle(int style) = 0;
    virtual int borderDiagonalColor() = 0;
    virtual void setBorderDiagonalColor(int color) = 0;
    virtual int fillPattern() = 0;
    virtual void setFillPattern(int pattern) = 0;
    virtual int patternForegroundColor() = 0;
    virtual void setPatternForegroundColor(int color) = 0;
    virtual int patternBackgroundColor() = 0;
    virtual void setPatternBackgroundColor(int color) = 0;
    virtual bool locked() = 0;
    virtual void setLocked(bool locked) = 0;
    virtual bool hidden() = 0;
    virtual void setHidden(bool hidden) = 0;

protected:
    ~IFormatT() = default;  // formats are owned and destroyed by their book
};

}  // namespace celvo
