// Loading and saving a .xlsx book: the package from and to a file or
// memory. A load reads into a new package and takes it only when the whole
// package was read, so a failed load leaves the book as it was; a save is
// written beside the target and renamed over it only when complete.
#include <string_view>

#include "ZipPackage.h"
#include "book.h"
#include "celvo/file.h"
#include "sheet.h"

namespace celvo {

namespace {

constexpr std::string_view kZipSignature("PK\x03\x04", 4);
constexpr std::string_view kEmptyZipSignature("PK\x05\x06", 4);
constexpr std::string_view kCompoundSignature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);

// An encrypted workbook is a compound document that holds the package
// encrypted: it is named as one, whether read from a file or from memory.
void refuseCompoundDocument(const std::uint8_t* data, std::size_t size)
{
    if (std::string_view(reinterpret_cast<const char*>(data), size).substr(0, 8) == kCompoundSignature)
        throw xlerror("the file is a compound document (an encrypted workbook or a .xls file), not a package");
}

}  // namespace

void XMLBookImplT::loadPackage(ZipReader& reader)
{
    Package fresh;
    workbook::c_workbook root;
    readPackage(reader, fresh, root);
    bindSheets(fresh, root);
    collectPictures(fresh);
    // The whole package was read: it takes the place of the old one, which
    // goes with `fresh`.
    pkg_.swap(fresh);
    std::swap(root_, root);
    std::vector<std::uint8_t>().swap(memoryBuffer_);
}

bool XMLBookImplT::load(const char16_t* filename)
{
    return guard(message_, false, [&] {
        if (!filename) throw xlerror("can't open file for reading");
        BookFileRules rules;
        rules.signatures = {kZipSignature, kEmptyZipSignature, kCompoundSignature};
        const std::vector<std::uint8_t> file = readBookFile(pathToNative(u16(filename)), rules);
        refuseCompoundDocument(file.data(), file.size());
        ZipReader reader(file.data(), file.size());
        loadPackage(reader);
        return true;
    });
}

bool XMLBookImplT::loadFromMemory(const char* data, unsigned size)
{
    return guard(message_, false, [&] {
        if (!data && size) throw xlerror("invalid file format");
        static const std::uint8_t none = 0;
        const std::uint8_t* bytes = data ? reinterpret_cast<const std::uint8_t*>(data) : &none;
        refuseCompoundDocument(bytes, size);
        ZipReader reader(bytes, size);
        loadPackage(reader);
        return true;
    });
}

bool XMLBookImplT::save(const char16_t* filename)
{
    return guard(message_, false, [&] {
        if (!filename) throw xlerror("can't open file for writing");
        const std::string path = pathToNative(u16(filename));
        ZipWriter writer;
        writePackage(writer);
        const std::vector<std::uint8_t> bytes = writer.finish();
        std::string error;
        if (!atomicWriteFile(path, bytes.data(), bytes.size(), &error)) throw xlerror(error);
        return true;
    });
}

bool XMLBookImplT::saveToMemory(const char** data, unsigned* size)
{
    // A successful save to memory leaves the message as it was.
    try {
        ZipWriter writer;
        writePackage(writer);
        std::vector<std::uint8_t> bytes = writer.finish();
        if (bytes.size() > 0xFFFFFFFFu) throw xlerror("workbook is too large");
        memoryBuffer_ = std::move(bytes);
        if (data) *data = reinterpret_cast<const char*>(memoryBuffer_.data());
        if (size) *size = static_cast<unsigned>(memoryBuffer_.size());
        return true;
    } catch (const std::exception& e) {
        try { message_ = e.what(); } catch (...) {}
    } catch (...) {
        try { message_ = "general failure"; } catch (...) {}
    }
    return false;
}

}  // namespace celvo
