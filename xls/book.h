// The .xls workbook: the workbook-globals records, the lists of sheets,
// fonts, cell formats, number formats and styles, the shared strings and the
// palette; loaded from and saved as a BIFF8 workbook stream.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "celvo/IBookT.h"
#include "celvo/locale.h"
#include "celvo/mempool.h"
#include "font.h"
#include "format.h"
#include "globals_records.h"
#include "drawing_ids.h"
#include "officeart_group.h"
#include "palette.h"
#include "sst.h"

namespace celvo {

class SheetImplT;
struct XlsStored;

class BookImplT final : public IBookT {
public:
    BookImplT();
    ~BookImplT();
    BookImplT(const BookImplT&) = delete;
    BookImplT& operator=(const BookImplT&) = delete;

    bool load(const char16_t* filename) override;
    bool save(const char16_t* filename) override;
    bool loadFromMemory(const char* data, unsigned size) override;
    bool saveToMemory(const char** data, unsigned* size) override;
    ISheetT* addSheet(const char16_t* name, ISheetT* initSheet) override;
    ISheetT* insertSheet(int index, const char16_t* name, ISheetT* initSheet) override;
    ISheetT* sheet(int index) override;
    bool deleteSheet(int index) override;
    int sheetCount() override;
    IFormatT* addFormat(IFormatT* initFormat) override;
    IFontT* addFont(IFontT* initFont) override;
    int addCustomNumFormat(const char16_t* customNumFormat) override;
    const char16_t* customNumFormat(int fmt) override;
    IFormatT* format(int index) override;
    int formatCount() override;
    IFontT* font(int index) override;
    int fontCount() override;
    double packedDate(int year, int month, int day, int hour, int min, int sec, int msec) override;
    bool unpackedDate(double value, int* year, int* month, int* day, int* hour, int* min, int* sec,
                      int* msec) override;
    int packColor(int red, int green, int blue) override;
    void unpackColor(int color, int* red, int* green, int* blue) override;
    int activeSheetNumber() override;
    void setActiveSheetNumber(int index) override;
    int pictureCount() override;
    int getPicture(int index, const char** data, unsigned* size) override;
    int addPicture(const char16_t* filename) override;
    int addPictureFromMemory(const char* data, unsigned size) override;
    const char16_t* defaultFont(int* fontSize) override;
    void setDefaultFont(const char16_t* fontName, int fontSize) override;
    bool refR1C1() override;
    void setRefR1C1(bool refR1C1) override;
    bool rgbMode() override;
    void setRgbMode(bool rgbMode) override;
    int biffVersion() override;
    bool setLocale(const char* locale) override;
    const char* errorMessage() override;
    void release() override;

    // For the book's formats, fonts and sheets.
    std::string& message() noexcept { return message_; }
    MemPool& pool() noexcept { return *pool_; }
    std::vector<std::unique_ptr<FontImplT>>& fonts() noexcept { return fonts_; }
    std::vector<std::unique_ptr<FormatImplT>>& formats() noexcept { return formats_; }
    std::vector<Format>& numFormats() noexcept { return numFormats_; }
    std::vector<Style>& styles() noexcept { return styles_; }
    std::vector<BoundSheet8>& boundSheets() noexcept { return boundSheets_; }
    std::vector<Lbl>& names() noexcept { return names_; }
    // The supporting-link blocks; book_links.h finds the book's own link in them.
    std::vector<SupBook>& supBooks() noexcept { return supBooks_; }
    const std::vector<std::unique_ptr<SheetImplT>>& sheets() const noexcept { return sheets_; }
    std::vector<RawRecord>& rawRecords() noexcept { return rawRecords_; }
    // The drawing group (pictures and shape bookkeeping); written only when
    // hasDrawingGroup() (a loaded group, or one a sheet or picture started).
    OfficeArtDggContainer& drawingGroup() noexcept { return drawingGroup_; }
    bool hasDrawingGroup() const noexcept { return !noDrawingGroup_; }
    void setHasDrawingGroup(bool on) noexcept { noDrawingGroup_ = !on; }
    // Raises the reference count of picture `pictureNumber` (counted from
    // 1); throws "pictureId is out of range".
    void addPictureRef(int pictureNumber);
    // Drawing, shape and object ids of new drawing objects.
    DrawingIds& drawingIds() noexcept { return drawingIds_; }
    const std::vector<std::unique_ptr<SheetImplT>>& sheetList() const noexcept { return sheets_; }
    SST& sst() noexcept { return *sst_; }
    Palette& palette() noexcept { return palette_; }
    Window1& window1() noexcept { return window1_; }
    bool date1904() const noexcept { return date1904_.value != 0; }
    void setDate1904(bool on) noexcept { date1904_.value = on ? 1 : 0; }
    const Locale& locale() const noexcept { return locale_; }

    // The default cell formats, fonts and styles of a new book.
    void initDefaultStyles();
    // Position of a sheet of this book, -1 when it is not one (a deleted
    // sheet included).
    int sheetIndex(const ISheetT* sheet) const noexcept;
    int visibleSheetCount();
    // The sheets named by the sheet part of a formula reference ("Name",
    // "'My Sheet'" or "First:Last", letter case ignored); both -1 and
    // "sheet is not found" thrown when a name matches no sheet.
    void findSheetRange(const u16string& sheetText, short* first, short* last);
    void updateFirstVisibleTab();
    void fixActiveSheet();
    // After sheet `deleted` left the book: the book's own SUPBOOK counts the
    // sheets left and the sheet ranges of EXTERNSHEET that point into it
    // follow (a range holding the deleted sheet is marked deleted).
    void updateSelfReferences(int deleted, int sheetsLeft);
    // Erases the names scoped to the sheet that left (1-based itab) and
    // moves the later sheets' names down.
    void dropNamesOfSheet(int itab);
    // Names and references of the sheets from `inserted` on move up by one.
    void shiftNamesForInsert(int inserted);

    // The workbook stream, without the compound document around it: the
    // globals substream, then one substream per sheet.
    void readStream(BiffInput& in);
    void writeStream(BiffOutput& out);

private:
    void freeSheets();
    void clear();
    void reset();
    ISheetT* insertSheetImpl(int index, const char16_t* name, ISheetT* initSheet);
    int addPictureBytes(const std::uint8_t* data, std::size_t size);
    bool loadBytes(const std::vector<std::uint8_t>& file);
    // Reads a whole file into a new book and, only when that succeeded,
    // takes its content: a failed load leaves this book as it was.
    void loadAside(const std::vector<std::uint8_t>& file);
    // Exchanges everything a load replaces with another book's; the
    // message, the save buffer, the RGB mode and the locale stay.
    void swapContents(BookImplT& other) noexcept;
    std::vector<std::uint8_t> saveBytes();

    std::string message_;
    // The loaded document's other streams and storages, written back on save.
    std::shared_ptr<const XlsStored> storedEntries_;
    // Texts of the records and strings. The pool and the string table live on
    // the heap, so that what points into them moves with a loaded content.
    std::unique_ptr<MemPool> pool_ = std::make_unique<MemPool>();
    u16string textBuffer_;  // texts handed out until the next call
    std::vector<std::unique_ptr<SheetImplT>> sheets_;
    std::vector<std::unique_ptr<SheetImplT>> detachedSheets_;  // deleted, kept for their handles
    Bof bof_;
    InterfaceHdr interfaceHdr_;
    Mms mms_;
    WriteAccess writeAccess_;
    CodePage codePage_;
    DSF dsf_;
    RRTabId rrTabId_;
    BuiltInFnGroupCount fnGroupCount_;
    WinProtect winProtect_;
    Protect protect_;
    Password password_;
    Prot4Rev prot4Rev_;
    Prot4RevPass prot4RevPass_;
    Window1 window1_;
    Backup backup_;
    HideObj hideObj_;
    Date1904 date1904_;
    CalcPrecision calcPrecision_;
    RefreshAll refreshAll_;
    BookBool bookBool_;
    UsesELFs usesElfs_;
    Country country_;
    RecalcId recalcId_;
    std::unique_ptr<SST> sst_ = std::make_unique<SST>(*pool_);
    ExtSST extSst_;
    BookExt bookExt_;
    std::vector<std::unique_ptr<FontImplT>> fonts_;
    std::vector<Format> numFormats_;
    std::vector<std::unique_ptr<FormatImplT>> formats_;
    std::vector<Style> styles_;
    std::vector<BoundSheet8> boundSheets_;
    std::vector<RawRecord> rawRecords_;
    std::vector<Lbl> names_;
    std::vector<SupBook> supBooks_;
    OfficeArtDggContainer drawingGroup_;  // MSODRAWINGGROUP and its CONTINUE records
    bool noDrawingGroup_ = true;
    DrawingIds drawingIds_{*this};
    std::vector<std::uint8_t> saveBuffer_;
    bool rgbMode_ = false;
    bool paletteChanged_ = false;
    Palette palette_;
    Locale locale_;
    bool r1c1_ = false;
};

}  // namespace celvo
