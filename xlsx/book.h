// The .xlsx workbook: at once the workbook part of its own package and the
// owner of the part map that holds every other part. The sheet list is the
// workbook document's <sheets>; each entry names its worksheet part through
// its r:id, the workbook relationships and the part map.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "celvo/IBookT.h"
#include "celvo/locale.h"
#include "ooxml/sml-workbook.h"
#include "package.h"
#include "part.h"

namespace celvo {

class ZipReader;
class ZipWriter;

class XMLBookImplT final : public XmlFile<workbook::c_workbook>, public IBookT {
public:
    XMLBookImplT();
    ~XMLBookImplT() override;
    XMLBookImplT(const XMLBookImplT&) = delete;
    XMLBookImplT& operator=(const XMLBookImplT&) = delete;

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

    // ---- services for the sheets and the parts --------------------------

    std::string& message() noexcept { return message_; }
    Package& package() noexcept { return pkg_; }
    PartMap& parts() noexcept { return pkg_.parts; }
    ContentTypes& contentTypes() noexcept { return *pkg_.contentTypes; }
    Relationships& workbookRels() noexcept { return *pkg_.workbookRels; }
    // The workbook part's name ("/xl/workbook.xml") and folder ("/xl"); new
    // parts are named from that folder.
    const u16string& workbookPart() const noexcept { return pkg_.workbookPart; }
    const u16string& workbookDir() const noexcept { return pkg_.workbookDir; }
    SharedStrings* sharedStringsPart() noexcept { return pkg_.sharedStrings; }
    // The shared-strings part, made and related from the workbook when the
    // book has none.
    SharedStrings& sharedStrings();
    // The cell format at a place of the book's list (null when there is
    // none) and the place of a format of this book (-1 for any other).
    IFormatT* formatAt(std::uint32_t index);
    int formatIndexOf(const IFormatT* format);
    // The text of a custom number format (empty when the book has none).
    u16string customNumFormatText(int id);
    // The date system and the reference notation of the workbook.
    bool date1904() const;
    bool refR1C1Mode() const;
    Styles* stylesPart() noexcept { return pkg_.styles; }
    // The styles part, made with the default stylesheet and related from
    // the workbook when the book has none.
    Styles& styles();

    // The entries of the sheet list (null when out of range).
    int sheetEntryCount() const;
    workbook::c_CT_Sheet* sheetEntry(int index);
    // The worksheet at a place of the list (null when the entry names none),
    // without touching the message.
    XMLSheetImplT* sheetAt(int index) const;
    // The part name of the sheet at a place; throws "index is out of range".
    u16string sheetPartName(int index);
    // The relationships part of a part (null when it has none) and the one
    // made for it when missing.
    Relationships* relationshipsOf(u16view partName) const;
    Relationships& ensureRelationshipsOf(u16view partName);
    // Adds a part under folder + "/" + stem + N + "." + extension (the folder
    // relative to the workbook's, N the first number free), declares its
    // content type and relates it from `source` with a relationship of the
    // type word; returns {part name, relationship Id}.
    std::pair<u16string, u16string> addRelatedPart(u16view source, u16view relTypeWord, u16view folder,
                                                   u16view stem, u16view extension, u16view contentType,
                                                   std::unique_ptr<XFile> part);
    // Adds a part of the workbook's own (styles, shared strings) under its
    // usual name, the workbook's folder + "/" + stem + ".xml", or under the
    // next free numbered name when a part of that name is already there;
    // returns the part's name.
    u16string addWorkbookPart(u16view stem, u16view contentType, std::unique_ptr<XFile> part);
    // True for a part the package or the book rests on: the content types,
    // a relationships part, the workbook, a worksheet, the shared strings,
    // the styles. Known by what the part object is, never by what a file
    // says of it; nothing a file says removes or copies such a part.
    bool isBookPart(const XFile* part) const;
    // The book's picture of an id; "pictureId is out of range".
    const PictureRecord& pictureRecord(int pictureId) const;
    // Sheet states and the active sheet kept on a visible sheet.
    int visibleSheetCount();
    void ensureActiveSheetVisible();

private:
    ISheetT* insertSheetImpl(int index, const char16_t* name, ISheetT* initSheet);
    void deleteSheetImpl(int index);
    void setActiveTab(int index);
    // Gives every worksheet of the map its place in the sheet list (-1 for
    // none) and fills the list of sheets in tab order.
    void bindSheets(Package& pkg, const workbook::c_workbook& root);
    // The copy of a sheet's relationships and dependent parts for a new
    // sheet made from it.
    void copyDependentParts(u16view fromPart, u16view toPart);
    // The parts a sheet depends on: what its relationships reach, and what
    // theirs reach in turn, never one the book rests on.
    std::vector<u16string> dependentParts(u16view sheetPart) const;
    // Of the parts a deleted sheet depended on, those that nothing left in
    // the package relates go, with their relationships and declarations;
    // the book's pictures stay.
    void removeUnrelatedParts(const std::vector<u16string>& candidates);
    // A part leaves the package with its relationships part, and both with
    // their declarations.
    void removePart(const u16string& name);
    // Defined names after sheet `deleted` left (or `inserted` came in).
    void namesAfterDelete(int deleted, const u16string& sheetName);
    void namesAfterInsert(int inserted);

    // Reading and writing the package (book_io.cpp).
    void readPackage(ZipReader& reader, Package& into, workbook::c_workbook& root);
    void writePackage(ZipWriter& writer);
    void removeCalcChain();
    // The shared strings that no cell holds are dropped and the cells'
    // indexes renumbered, unless a part the engine does not read may name
    // items too.
    void tidySharedStrings();
    // Refuses a package whose sheet list could not be saved soundly.
    void checkSheetList(const Package& pkg, const workbook::c_workbook& root);
    void loadPackage(ZipReader& reader);
    // The picture records of the image parts of a package read.
    static void collectPictures(Package& pkg);
    // Stores picture bytes as a new image part; "unknown picture format".
    int addPictureBytes(std::vector<std::uint8_t> bytes);

    std::string message_;
    Locale locale_;
    Package pkg_;
    std::vector<std::uint8_t> memoryBuffer_;  // handed out by the last saveToMemory
};

}  // namespace celvo
