// The compound document around a .xls workbook stream.
//
// Loading takes the whole file in memory, checks every structure of the
// container (header, DIFAT, FAT, mini-FAT, directory, sector chains) and
// hands the bytes of the "Workbook" (or "Book") stream to a BiffInput.
// Saving collects the BIFF stream in a BiffOutput; write() then lays out the
// file: header, stream sectors from sector 0, DIFAT, FAT, directory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "biff_stream.h"
#include "celvo/bytes.h"
#include "celvo/text.h"

namespace celvo {

constexpr std::uint32_t kFreeSector = 0xFFFFFFFF;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFatSector = 0xFFFFFFFD;
constexpr std::uint32_t kDifatSector = 0xFFFFFFFC;

// One 128-byte directory entry.
struct DirEntry {
    static constexpr std::uint8_t kStorage = 1;
    static constexpr std::uint8_t kStream = 2;
    static constexpr std::uint8_t kRoot = 5;

    char16_t nameUnits[32] = {};
    std::uint16_t nameLength = 0;  // bytes, terminator included
    std::uint8_t type = 0;
    std::uint8_t color = 0;
    std::uint32_t left = kFreeSector;
    std::uint32_t right = kFreeSector;
    std::uint32_t child = kFreeSector;
    std::uint8_t classId[16] = {};
    std::uint32_t stateBits = 0;
    std::uint64_t created = 0;
    std::uint64_t modified = 0;
    std::uint32_t startSector = kEndOfChain;
    std::uint64_t size = 0;

    DirEntry() = default;
    // A black entry without siblings; a name of 32 or more units throws.
    DirEntry(u16view name, std::uint8_t type, std::uint32_t child);

    void read(ByteReader& in);
    void write(ByteWriter& out) const;
    // The name up to its terminator (at most the 32 units of the field).
    std::u16string name() const;
    bool hasTerminator() const noexcept;
};

// The streams and storages of a loaded document other than the workbook
// stream, kept so that saving the book writes them back unchanged.
struct XlsStored {
    static constexpr std::size_t kNoParent = static_cast<std::size_t>(-1);
    struct Entry {
        std::size_t parent = kNoParent;  // index of the storage holding it; kNoParent: the root
        DirEntry entry;                   // name, type, class id, state bits, times
        std::vector<std::uint8_t> data;   // a stream's bytes
    };
    DirEntry root;  // the root entry's class id, state bits and times
    std::vector<Entry> entries;  // a storage comes before what it holds
};

class Xls {
public:
    static constexpr std::size_t kHeaderSize = 512;
    static constexpr std::size_t kDifatInHeader = 109;
    static constexpr std::uint32_t kMiniStreamCutoff = 4096;

    struct Header {
        std::uint8_t signature[8] = {};
        std::uint8_t classId[16] = {};
        std::uint16_t minorVersion = 0;
        std::uint16_t majorVersion = 0;
        std::uint16_t byteOrder = 0;
        std::uint16_t sectorShift = 0;
        std::uint16_t miniSectorShift = 0;
        std::uint8_t reserved[6] = {};
        std::uint32_t numDirSectors = 0;
        std::uint32_t numFatSectors = 0;
        std::uint32_t firstDirSector = 0;
        std::uint32_t transactionSignature = 0;
        std::uint32_t miniStreamCutoff = 0;
        std::uint32_t firstMiniFatSector = 0;
        std::uint32_t numMiniFatSectors = 0;
        std::uint32_t firstDifatSector = 0;
        std::uint32_t numDifatSectors = 0;
        std::uint32_t difat[kDifatInHeader] = {};

        Header() { reset(); }
        // The values of a new document.
        void reset();
        // Throws "invalid file format" on a wrong signature.
        void read(ByteReader& in);
        void write(ByteWriter& out) const;
    };

    // Sector counts of a saved file: stream, directory, FAT and DIFAT.
    struct Layout {
        std::uint64_t streamSectors = 0, dirSectors = 0, fatSectors = 0, difatSectors = 0;
    };
    // Counts for a stream of s sectors and d directory entries, with a FAT
    // always large enough for every sector of the file.
    static Layout layout(std::uint64_t streamSectors, std::uint64_t dirEntries);
    // Largest workbook stream a version-3 document can hold.
    static constexpr std::uint64_t kMaxStreamSize = 0x80000000ull;

    Xls() { create(); }

    // Loading: checks the container and makes the workbook stream readable
    // through input(). Throws xlerror with the reason on a bad file.
    void read(const std::uint8_t* file, std::size_t size);
    void read(const std::vector<std::uint8_t>& file) { read(file.data(), file.size()); }
    BiffInput& input() noexcept { return input_; }
    bool eof() const noexcept { return input_.eof(); }

    // Saving: create() starts an empty document, the records go to output(),
    // write() completes the document and returns the file's bytes.
    void create();
    BiffOutput& output() noexcept { return output_; }
    std::size_t writePosition() const noexcept { return output_.writePosition(); }
    std::vector<std::uint8_t> write();

    // The other streams and storages of the loaded document (null for a new
    // one); given back to a new document, write() places them beside the
    // workbook stream.
    std::shared_ptr<const XlsStored> stored() const noexcept { return stored_; }
    void setStored(std::shared_ptr<const XlsStored> stored) { stored_ = std::move(stored); }

    const Header& header() const noexcept { return header_; }
    const std::vector<DirEntry>& directory() const noexcept { return dir_; }
    // Index of the workbook stream's entry in directory().
    std::size_t workbookEntry() const noexcept { return workbook_; }
    std::uint32_t sectorSize() const noexcept { return sectorSize_; }

private:
    // Loading steps.
    void loadDifat();
    void loadFat();
    void loadMiniFat();
    void loadDir();
    void findWorkbookEntry();
    std::vector<std::uint8_t> loadStream(std::size_t index);
    void requireOwnSectors(const std::vector<std::uint32_t>& sectors);
    std::vector<bool> markOwnSectors() const;
    std::vector<std::uint8_t> loadMiniStream(std::size_t index, std::uint64_t size);
    void loadStored();
    // Saving with stored entries: the directory and the sectors of the
    // other streams (large ones in sectors from `firstSector`, small ones in
    // the mini stream); returns the extra sector contents in file order.
    struct StoredLayout {
        std::vector<std::uint8_t> bytes;  // whole sectors
        std::vector<std::pair<std::uint64_t, std::uint64_t>> runs;  // chains: first sector, count
        std::uint64_t sectors = 0;
        std::uint32_t firstMiniFatSector = kEndOfChain, miniFatSectors = 0;
    };
    StoredLayout layoutStored(std::uint64_t firstSector);

    // The bytes of sector n; a sector outside the file throws. With
    // allowPartial the last, short sector of a truncated file is given as it
    // is (its length in *available).
    const std::uint8_t* sector(std::uint32_t n, std::size_t* available = nullptr) const;
    // The sectors of a chain through `table`, at most `limit` of them; a
    // sector outside the table or a cycle throws with `where` in the text.
    std::vector<std::uint32_t> chain(std::uint32_t start, const std::vector<std::uint32_t>& table,
                                     std::uint64_t limit, const std::string& where) const;

    const std::uint8_t* file_ = nullptr;
    std::size_t fileSize_ = 0;
    std::uint64_t fileSectors_ = 0;

    Header header_;
    std::uint32_t sectorSize_ = 512;
    std::uint32_t miniSectorSize_ = 64;
    std::vector<std::uint32_t> difat_;
    std::vector<std::uint32_t> fat_;
    std::vector<std::uint32_t> miniFat_;
    std::vector<DirEntry> dir_;
    std::size_t workbook_ = 1;
    std::vector<bool> ownSectors_;         // filled by the first requireOwnSectors()
    std::vector<std::uint32_t> miniChain_;  // the mini stream's sectors, once read
    bool miniChainRead_ = false;
    std::shared_ptr<const XlsStored> stored_;

    BiffInput input_;
    BiffOutput output_;
};

}  // namespace celvo
