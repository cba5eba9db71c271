// Abstract workbook. Slot order is fixed and shared by both engines.
//
// Operations that can fail set the book's message to "ok" on success and to
// the failure text otherwise, returning their failure value (false, null,
// or the value given with the operation). Texts returned stay valid until
// the next operation on the same book.
#pragma once

namespace celvo {

class ISheetT;
class IFormatT;
class IFontT;

class IBookT {
public:
    virtual bool load(const char16_t* filename) = 0;
    virtual bool save(const char16_t* filename) = 0;
    virtual bool loadFromMemory(const char* data, unsigned size) = 0;
    virtual bool saveToMemory(const char** data, unsigned* size) = 0;
    virtual ISheetT* addSheet(const char16_t* name, ISheetT* initSheet) = 0;
    virtual ISheetT* insertSheet(int index, const char16_t* name, ISheetT* initSheet) = 0;
    virtual ISheetT* sheet(int index) = 0;
    virtual bool deleteSheet(int index) = 0;
    virtual int sheetCount() = 0;
    virtual IFormatT* addFormat(IFormatT* initFormat) = 0;
    virtual IFontT* addFont(IFontT* initFont) = 0;
    virtual int addCustomNumFormat(const char16_t* customNumFormat) = 0;
    virtual const char16_t* customNumFormat(int fmt) = 0;
    virtual IFormatT* format(int index) = 0;
    virtual int formatCount() = 0;
    virtual IFontT* font(int index) = 0;
    virtual int fontCount() = 0;
    virtual double packedDate(int year, int month, int day, int hour, int min, int sec, int msec) = 0;
    virtual bool unpackedDate(double value, int* year, int* month, int* day, int* hour, int* min,
                              int* sec, int* msec) = 0;
    virtual int packColor(int red, int green, int blue) = 0;
    virtual void unpackColor(int color, int* red, int* green, int* blue) = 0;
    virtual int activeSheetNumber() = 0;
    virtual void setActiveSheetNumber(int index) = 0;
    virtual int pictureCount() = 0;
    virtual int getPicture(int index, const char** data, unsigned* size) = 0;
    virtual int addPicture(const char16_t* filename) = 0;
    virtual int addPictureFromMemory(const char* data, unsigned size) = 0;
    virtual const char16_t* defaultFont(int* fontSize) = 0;
    virtual void setDefaultFont(const char16_t* fontName, int fontSize) = 0;
    virtual bool refR1C1() = 0;
    virtual void setRefR1C1(bool refR1C1) = 0;
    virtual bool rgbMode() = 0;
    virtual void setRgbMode(bool rgbMode) = 0;
    virtual int biffVersion() = 0;
    virtual bool setLocale(const char* locale) = 0;
    virtual const char* errorMessage() = 0;
    // Destroys the book with every sheet, format and font it owns.
    virtual void release() = 0;

protected:
    ~IBookT() = default;  // destroyed through release()
};

}  // namespace celvo
