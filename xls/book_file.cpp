// Loading and saving a .xls book: the compound document around the
// workbook stream, from and to a file or memory.
#include "book.h"
#include "celvo/file.h"
#include "sheet.h"
#include "xls.h"

namespace celvo {

bool BookImplT::loadBytes(const std::vector<std::uint8_t>& file)
{
    Xls xls;
    xls.read(file);
    readStream(xls.input());
    storedEntries_ = xls.stored();
    return true;
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
    try {
        freeSheets();
        clear();
        std::vector<std::uint8_t> file;
        if (!filename || !readWholeFile(pathToNative(u16(filename)), file))
            throw xlerror("can't open file for reading");
        loadBytes(file);
        message_ = "ok";
        return true;
    } catch (const std::exception& e) {
        const std::string text = e.what();
        // A failed load leaves an empty new book.
        try { reset(); } catch (...) {}
        message_ = text;
    } catch (...) {
        try { reset(); } catch (...) {}
        message_ = "general failure";
    }
    return false;
}

bool BookImplT::loadFromMemory(const char* data, unsigned size)
{
    return guard(message_, false, [&] {
        freeSheets();
        clear();
        if (!data && size) throw xlerror("invalid file format");
        const auto* p = reinterpret_cast<const std::uint8_t*>(data);
        const std::vector<std::uint8_t> file(p, p + size);
        return loadBytes(file);
    });
}

bool BookImplT::save(const char16_t* filename)
{
    return guard(message_, false, [&] {
        if (!filename) throw xlerror("can't open file for writing");
        const std::vector<std::uint8_t> file = saveBytes();
        // Written beside the target and renamed over it only when complete.
        std::string error;
        if (!atomicWriteFile(pathToNative(u16(filename)), file.data(), file.size(), &error))
            throw xlerror("can't open file for writing");
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
