// Loading and saving a .xls book: the compound document around the
// workbook stream, from and to a file or memory.
#include "book.h"
#include "celvo/file.h"
#include "sheet.h"
#include "xls.h"

namespace celvo {

namespace {

// Every compound document starts with these bytes.
constexpr std::string_view kCompoundSignature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);

}  // namespace

bool BookImplT::loadBytes(const std::vector<std::uint8_t>& file)
{
    Xls xls;
    xls.read(file);
    readStream(xls.input());
    storedEntries_ = xls.stored();
    return true;
}

void BookImplT::loadAside(const std::vector<std::uint8_t>& file)
{
    auto fresh = std::make_unique<BookImplT>();
    // What a load keeps of the book: its locale and, unless the file brings
    // one, its palette.
    fresh->locale_.set(locale_.name().c_str());
    fresh->palette_ = palette_;
    fresh->paletteChanged_ = paletteChanged_;
    fresh->freeSheets();
    fresh->clear();
    fresh->loadBytes(file);
    swapContents(*fresh);
}

void BookImplT::swapContents(BookImplT& other) noexcept
{
    using std::swap;
    swap(storedEntries_, other.storedEntries_);
    swap(pool_, other.pool_);
    swap(sheets_, other.sheets_);
    swap(detachedSheets_, other.detachedSheets_);
    swap(bof_, other.bof_);
    swap(interfaceHdr_, other.interfaceHdr_);
    swap(mms_, other.mms_);
    swap(writeAccess_, other.writeAccess_);
    swap(codePage_, other.codePage_);
    swap(dsf_, other.dsf_);
    swap(rrTabId_, other.rrTabId_);
    swap(fnGroupCount_, other.fnGroupCount_);
    swap(winProtect_, other.winProtect_);
    swap(protect_, other.protect_);
    swap(password_, other.password_);
    swap(prot4Rev_, other.prot4Rev_);
    swap(prot4RevPass_, other.prot4RevPass_);
    swap(window1_, other.window1_);
    swap(backup_, other.backup_);
    swap(hideObj_, other.hideObj_);
    swap(date1904_, other.date1904_);
    swap(calcPrecision_, other.calcPrecision_);
    swap(refreshAll_, other.refreshAll_);
    swap(bookBool_, other.bookBool_);
    swap(usesElfs_, other.usesElfs_);
    swap(country_, other.country_);
    swap(recalcId_, other.recalcId_);
    swap(sst_, other.sst_);
    swap(extSst_, other.extSst_);
    swap(bookExt_, other.bookExt_);
    swap(fonts_, other.fonts_);
    swap(numFormats_, other.numFormats_);
    swap(formats_, other.formats_);
    swap(styles_, other.styles_);
    swap(boundSheets_, other.boundSheets_);
    swap(rawRecords_, other.rawRecords_);
    swap(names_, other.names_);
    swap(supBooks_, other.supBooks_);
    swap(drawingGroup_, other.drawingGroup_);
    swap(noDrawingGroup_, other.noDrawingGroup_);
    drawingIds_.swapState(other.drawingIds_);
    swap(paletteChanged_, other.paletteChanged_);
    swap(palette_, other.palette_);
    swap(r1c1_, other.r1c1_);
    // The objects that moved answer to the book that now holds them.
    for (BookImplT* book : {this, &other}) {
        for (auto& s : book->sheets_) s->rebind(*book);
        for (auto& s : book->detachedSheets_) s->rebind(*book);
        for (auto& f : book->formats_) f->rebind(*book);
        for (auto& f : book->fonts_) f->rebind(*book);
    }
}

std::vector<std::uint8_t> BookImplT::saveBytes()
{
    Xls xls;
    xls.create();
    xls.setStored(storedEntries_);
    writeStream(xls.output());
    return xls.write();
}

bool BookImplT::load(const char16_t* filename)
{
    return guard(message_, false, [&] {
        if (!filename) throw xlerror("can't open file for reading");
        BookFileRules rules;
        rules.signatures = {kCompoundSignature};
        loadAside(readBookFile(pathToNative(u16(filename)), rules));
        return true;
    });
}

bool BookImplT::loadFromMemory(const char* data, unsigned size)
{
    return guard(message_, false, [&] {
        if (!data && size) throw xlerror("invalid file format");
        const auto* p = reinterpret_cast<const std::uint8_t*>(data);
        loadAside(std::vector<std::uint8_t>(p, p + size));
        return true;
    });
}

bool BookImplT::save(const char16_t* filename)
{
    return guard(message_, false, [&] {
        if (!filename) throw xlerror("can't open file for writing");
        const std::string path = pathToNative(u16(filename));
        const std::vector<std::uint8_t> file = saveBytes();
        // Written beside the target and renamed over it only when complete.
        std::string error;
        if (!atomicWriteFile(path, file.data(), file.size(), &error)) throw xlerror(error);
        return true;
    });
}

bool BookImplT::saveToMemory(const char** data, unsigned* size)
{
    return guard(message_, false, [&] {
        std::vector<std::uint8_t> file = saveBytes();
        if (file.size() > 0xFFFFFFFFu) throw xlerror("workbook is too large");
        saveBuffer_ = std::move(file);
        if (data) *data = reinterpret_cast<const char*>(saveBuffer_.data());
        if (size) *size = static_cast<unsigned>(saveBuffer_.size());
        return true;
    });
}

}  // namespace celvo
