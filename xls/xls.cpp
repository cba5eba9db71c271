#include "xls.h"

#include <algorithm>
#include <cstring>

namespace celvo {

namespace {

const std::uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

std::string num(std::uint64_t v)
{
    return std::to_string(v);
}

std::uint64_t ceilDiv(std::uint64_t a, std::uint64_t b)
{
    return (a + b - 1) / b;
}

[[noreturn]] void invalidFormat()
{
    throw xlerror("invalid file format");
}

}  // namespace

// ----------------------------------------------------------------- DirEntry

DirEntry::DirEntry(u16view newName, std::uint8_t newType, std::uint32_t newChild)
{
    if (newName.size() >= 32) throw xlerror("DirEntry::DirEntry(): newName is too big (length must be less 32)");
    std::copy(newName.begin(), newName.end(), nameUnits);
    nameLength = static_cast<std::uint16_t>((newName.size() + 1) * 2);
    type = newType;
    color = 1;
    child = newChild;
}

void DirEntry::read(ByteReader& in)
{
    for (auto& u : nameUnits) u = static_cast<char16_t>(in.u16());
    nameLength = in.u16();
    type = in.u8();
    color = in.u8();
    left = in.u32();
    right = in.u32();
    child = in.u32();
    in.bytes(classId, sizeof classId);
    stateBits = in.u32();
    created = in.u64();
    modified = in.u64();
    startSector = in.u32();
    size = in.u64();
}

void DirEntry::write(ByteWriter& out) const
{
    for (char16_t u : nameUnits) out.u16(static_cast<std::uint16_t>(u));
    out.u16(nameLength);
    out.u8(type);
    out.u8(color);
    out.u32(left);
    out.u32(right);
    out.u32(child);
    out.bytes(classId, sizeof classId);
    out.u32(stateBits);
    out.u64(created);
    out.u64(modified);
    out.u32(startSector);
    out.u64(size);
}

std::u16string DirEntry::name() const
{
    std::size_t n = 0;
    while (n < 32 && nameUnits[n] != 0) ++n;
    return std::u16string(nameUnits, n);
}

bool DirEntry::hasTerminator() const noexcept
{
    return std::find(std::begin(nameUnits), std::end(nameUnits), u'\0') != std::end(nameUnits);
}

// ------------------------------------------------------------------- Header

void Xls::Header::reset()
{
    std::memcpy(signature, kSignature, sizeof signature);
    std::memset(classId, 0, sizeof classId);
    minorVersion = 0x003E;
    majorVersion = 0x0003;
    byteOrder = 0xFFFE;
    sectorShift = 9;
    miniSectorShift = 6;
    std::memset(reserved, 0, sizeof reserved);
    numDirSectors = 0;
    numFatSectors = 0;
    firstDirSector = kEndOfChain;
    transactionSignature = 0;
    miniStreamCutoff = kMiniStreamCutoff;
    firstMiniFatSector = kEndOfChain;
    numMiniFatSectors = 0;
    firstDifatSector = kEndOfChain;
    numDifatSectors = 0;
    std::fill(std::begin(difat), std::end(difat), kFreeSector);
}

void Xls::Header::read(ByteReader& in)
{
    in.bytes(signature, sizeof signature);
    if (std::memcmp(signature, kSignature, sizeof signature) != 0) invalidFormat();
    in.bytes(classId, sizeof classId);
    minorVersion = in.u16();
    majorVersion = in.u16();
    byteOrder = in.u16();
    sectorShift = in.u16();
    miniSectorShift = in.u16();
    in.bytes(reserved, sizeof reserved);
    numDirSectors = in.u32();
    numFatSectors = in.u32();
    firstDirSector = in.u32();
    transactionSignature = in.u32();
    miniStreamCutoff = in.u32();
    firstMiniFatSector = in.u32();
    numMiniFatSectors = in.u32();
    firstDifatSector = in.u32();
    numDifatSectors = in.u32();
    for (auto& d : difat) d = in.u32();
}

void Xls::Header::write(ByteWriter& out) const
{
    out.bytes(signature, sizeof signature);
    out.bytes(classId, sizeof classId);
    out.u16(minorVersion);
    out.u16(majorVersion);
    out.u16(byteOrder);
    out.u16(sectorShift);
    out.u16(miniSectorShift);
    out.bytes(reserved, sizeof reserved);
    out.u32(numDirSectors);
    out.u32(numFatSectors);
    out.u32(firstDirSector);
    out.u32(transactionSignature);
    out.u32(miniStreamCutoff);
    out.u32(firstMiniFatSector);
    out.u32(numMiniFatSectors);
    out.u32(firstDifatSector);
    out.u32(numDifatSectors);
    for (auto d : difat) out.u32(d);
}

// ------------------------------------------------------------------ loading

const std::uint8_t* Xls::sector(std::uint32_t n, std::size_t* available) const
{
    std::uint64_t offset = (static_cast<std::uint64_t>(n) + 1) * sectorSize_;
    if (n >= fileSectors_ || offset >= fileSize_)
        throw xlerror("Xls::read(): sector #" + num(n) + " is beyond the end of the file");
    std::size_t have = static_cast<std::size_t>(std::min<std::uint64_t>(sectorSize_, fileSize_ - offset));
    if (available)
        *available = have;
    else if (have < sectorSize_)
        throw xlerror("Xls::read(): sector #" + num(n) + " is cut by the end of the file");
    return file_ + offset;
}

std::vector<std::uint32_t> Xls::chain(std::uint32_t start, const std::vector<std::uint32_t>& table,
                                      std::uint64_t limit, const std::string& where) const
{
    std::vector<std::uint32_t> out;
    std::vector<bool> seen(table.size());
    for (std::uint32_t s = start; s != kEndOfChain && out.size() < limit; s = table[s]) {
        if (s >= table.size()) throw xlerror(where + ": sector #" + num(s) + " is not found in _fat");
        if (seen[s]) throw xlerror(where + ": sector chain runs in a cycle at sector #" + num(s));
        seen[s] = true;
        out.push_back(s);
    }
    return out;
}

void Xls::read(const std::uint8_t* file, std::size_t size)
{
    input_.assign({});
    if (!file || size < kHeaderSize) invalidFormat();
    ByteReader hr(file, kHeaderSize);
    header_.read(hr);
    // Only the sector sizes the format defines: 512 (version 3) and 4096
    // (version 4), mini-sectors of 64 bytes.
    if ((header_.sectorShift != 9 && header_.sectorShift != 12) || header_.miniSectorShift != 6) invalidFormat();
    sectorSize_ = 1u << header_.sectorShift;
    miniSectorSize_ = 1u << header_.miniSectorShift;

    file_ = file;
    fileSize_ = size;
    fileSectors_ = size > sectorSize_ ? ceilDiv(size - sectorSize_, sectorSize_) : 0;
    difat_.clear();
    fat_.clear();
    miniFat_.clear();
    dir_.clear();
    ownSectors_.clear();
    miniChain_.clear();
    miniChainRead_ = false;
    stored_.reset();

    loadDifat();
    loadFat();
    loadMiniFat();
    loadDir();
    findWorkbookEntry();
    std::vector<std::uint8_t> stream = loadStream(workbook_);
    loadStored();
    file_ = nullptr;
    fileSize_ = 0;
    input_.assign(std::move(stream));
}

void Xls::loadDifat()
{
    const std::uint32_t n = header_.numDifatSectors;
    if (n > fileSectors_)
        throw xlerror("Xls::loadDifat(): _header.numDifatSectors (" + num(n) + ") is larger than the file");
    const std::size_t perSector = sectorSize_ / 4 - 1;
    difat_.assign(header_.difat, header_.difat + kDifatInHeader);
    difat_.reserve(kDifatInHeader + static_cast<std::size_t>(n) * perSector);
    std::uint32_t count = 0;
    for (std::uint32_t s = header_.firstDifatSector; s != kEndOfChain && s != kFreeSector; ++count) {
        if (count >= n)
            throw xlerror("Xls::loadDifat(): difat chain contains more sectors than _header.numDifatSectors (" +
                          num(n) + ")");
        ByteReader r(sector(s), sectorSize_);
        for (std::size_t i = 0; i < perSector; ++i) difat_.push_back(r.u32());
        s = r.u32();
    }
    if (count != n)
        throw xlerror("Xls::loadDifat(): difat chain sectors (" + num(count) + ") not equal _header.numDifatSectors (" +
                      num(n) + ")");
}

void Xls::loadFat()
{
    const std::uint32_t n = header_.numFatSectors;
    std::uint64_t count = std::count_if(difat_.begin(), difat_.end(), [](std::uint32_t d) { return d != kFreeSector; });
    if (count != n)
        throw xlerror("Xls::loadFat(): extract fat sectors (" + num(count) + ") not equal _header.numFatSectors (" +
                      num(n) + ")");
    // Every FAT sector is a sector of the file, so the table stays within
    // the file's size.
    if (n > fileSectors_)
        throw xlerror("Xls::loadFat(): _header.numFatSectors (" + num(n) + ") is larger than the file");
    fat_.reserve(static_cast<std::size_t>(n) * (sectorSize_ / 4));
    for (std::uint32_t d : difat_) {
        if (d == kFreeSector) continue;
        ByteReader r(sector(d), sectorSize_);
        for (std::size_t i = 0; i < sectorSize_ / 4; ++i) fat_.push_back(r.u32());
    }
}

void Xls::loadMiniFat()
{
    if (header_.firstMiniFatSector == kEndOfChain || header_.numMiniFatSectors == 0) return;
    // The count only bounds the chain: some writers state more sectors than
    // they write, and the chain's own walk stays inside the file.
    const std::uint32_t n = header_.numMiniFatSectors;
    auto sectors = chain(header_.firstMiniFatSector, fat_, std::uint64_t(n) + 1, "Xls::loadMiniFat()");
    if (sectors.size() > n) throw xlerror("error in loading minifat");
    miniFat_.reserve(sectors.size() * (sectorSize_ / 4));
    for (std::uint32_t s : sectors) {
        ByteReader r(sector(s), sectorSize_);
        for (std::size_t i = 0; i < sectorSize_ / 4; ++i) miniFat_.push_back(r.u32());
    }
}

void Xls::loadDir()
{
    auto sectors = chain(header_.firstDirSector, fat_, fat_.size(), "Xls::loadDir()");
    const std::size_t perSector = sectorSize_ / 128;
    dir_.resize(sectors.size() * perSector);
    std::size_t k = 0;
    for (std::uint32_t s : sectors) {
        ByteReader r(sector(s), sectorSize_);
        for (std::size_t i = 0; i < perSector; ++i) dir_[k++].read(r);
    }
    for (std::size_t i = 0; i < dir_.size(); ++i)
        if (dir_[i].type != 0 && !dir_[i].hasTerminator())
            throw xlerror("Xls::loadDir(): the name of directory entry #" + num(i) + " has no terminator");
}

void Xls::findWorkbookEntry()
{
    // A file saved for both old and new versions holds a BIFF8 "Workbook"
    // and a BIFF5 "Book": the newer stream is the one read.
    auto isWorkbook = [](const DirEntry& e, const char16_t* name) {
        return e.type == DirEntry::kStream && equalNoCase(e.name(), name);
    };
    // Streams directly below the root storage come first: a stream of the
    // same name inside an embedded storage is not the workbook.
    std::vector<bool> inRoot(dir_.size());
    if (!dir_.empty()) {
        std::vector<bool> seen(dir_.size());
        std::vector<std::uint32_t> todo{dir_[0].child};
        while (!todo.empty()) {
            std::uint32_t i = todo.back();
            todo.pop_back();
            if (i >= dir_.size() || seen[i]) continue;
            seen[i] = inRoot[i] = true;
            todo.push_back(dir_[i].left);
            todo.push_back(dir_[i].right);
        }
    }
    for (int pass = 0; pass < 2; ++pass)
        for (const char16_t* name : {u"Workbook", u"Book"})
            for (std::size_t i = 0; i < dir_.size(); ++i)
                if ((pass == 1 || inRoot[i]) && isWorkbook(dir_[i], name)) {
                    workbook_ = i;
                    return;
                }
    throw xlerror("Xls::read(): workbook section is not found");
}

void Xls::requireOwnSectors(const std::vector<std::uint32_t>& sectors)
{
    // The sectors that the file's own structures use: the FAT, the
    // directory, the mini FAT and the mini stream (each within its size; some
    // writers leave the mini stream's chain running on into the next
    // stream, which is harmless while reads stop at the size).
    std::vector<bool>& used = ownSectors_;
    if (used.empty()) used = markOwnSectors();
    for (std::uint32_t s : sectors)
        if (used[s]) throw xlerror("Xls::read(): sector #" + num(s) + " of the workbook stream is also used by the file's own tables");
}

std::vector<bool> Xls::markOwnSectors() const
{
    std::vector<bool> used(fat_.size());
    auto mark = [&](const std::vector<std::uint32_t>& list) {
        for (std::uint32_t s : list)
            if (s < used.size()) used[s] = true;
    };
    mark(difat_);
    mark(chain(header_.firstDirSector, fat_, fat_.size(), "Xls::loadDir()"));
    if (header_.firstMiniFatSector != kEndOfChain && header_.numMiniFatSectors != 0)
        mark(chain(header_.firstMiniFatSector, fat_, header_.numMiniFatSectors, "Xls::loadMiniFat()"));
    if (!dir_.empty() && dir_[0].startSector < fat_.size()) {
        const std::uint64_t rootSize = header_.majorVersion == 3 ? (dir_[0].size & 0xFFFFFFFFull) : dir_[0].size;
        mark(chain(dir_[0].startSector, fat_, ceilDiv(rootSize, sectorSize_), "Xls::read()"));
    }
    return used;
}

std::vector<std::uint8_t> Xls::loadStream(std::size_t index)
{
    const DirEntry& e = dir_[index];
    std::uint64_t size = e.size;
    // Version-3 writers may leave the high half of the size uninitialised.
    if (header_.majorVersion == 3) size &= 0xFFFFFFFFull;
    if (size >> 32) throw xlerror("Xls::read(): workbook stream size is too big");
    if (e.startSector == kEndOfChain) throw xlerror("Xls::read(): workbook stream is empty");
    if (size < kMiniStreamCutoff) return loadMiniStream(index, size);

    // The stream ends at its recorded size or where its chain ends, whichever
    // comes first.
    std::vector<std::uint8_t> out;
    out.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(size, fileSize_)));
    auto sectors = chain(e.startSector, fat_, ceilDiv(size, sectorSize_), "Xls::read()");
    requireOwnSectors(sectors);
    for (std::uint32_t s : sectors) {
        std::size_t have = 0;
        const std::uint8_t* p = sector(s, &have);
        std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(have, size - out.size()));
        out.insert(out.end(), p, p + take);
        if (have < sectorSize_) break;
    }
    return out;
}

std::vector<std::uint8_t> Xls::loadMiniStream(std::size_t index, std::uint64_t size)
{
    // The mini stream is the root entry's stream, wherever its sectors lie.
    if (!miniChainRead_) {
        const DirEntry& root = dir_[0];
        std::uint64_t rootSize = header_.majorVersion == 3 ? (root.size & 0xFFFFFFFFull) : root.size;
        miniChain_ = chain(root.startSector, fat_, ceilDiv(rootSize, sectorSize_), "Xls::read()");
        miniChainRead_ = true;
    }
    const std::vector<std::uint32_t>& rootSectors = miniChain_;
    auto miniSectors = chain(dir_[index].startSector, miniFat_, ceilDiv(size, miniSectorSize_),
                             "Xls::read(): mini stream");
    std::vector<std::uint8_t> out;
    out.reserve(static_cast<std::size_t>(size));
    const std::uint32_t perSector = sectorSize_ / miniSectorSize_;
    for (std::uint32_t m : miniSectors) {
        std::uint32_t k = m / perSector;
        if (k >= rootSectors.size())
            throw xlerror("Xls::read(): mini-sector #" + num(m) + " is outside the mini stream");
        std::size_t have = 0;
        const std::uint8_t* p = sector(rootSectors[k], &have);
        std::size_t at = (m % perSector) * miniSectorSize_;
        if (at + miniSectorSize_ > have)
            throw xlerror("Xls::read(): mini-sector #" + num(m) + " is beyond the end of the file");
        std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(miniSectorSize_, size - out.size()));
        out.insert(out.end(), p + at, p + at + take);
    }
    return out;
}

// ------------------------------------------------------------------- saving

void Xls::create()
{
    header_.reset();
    sectorSize_ = 1u << header_.sectorShift;
    miniSectorSize_ = 1u << header_.miniSectorShift;
    difat_.assign(header_.difat, header_.difat + kDifatInHeader);
    fat_ = {kEndOfChain, kFatSector};
    miniFat_.clear();
    dir_.clear();
    dir_.emplace_back(u"Root Entry", DirEntry::kRoot, 1);
    dir_.emplace_back(u"Workbook", DirEntry::kStream, kFreeSector);
    workbook_ = 1;
    stored_.reset();
    input_.assign({});
    output_.clear();
}

Xls::Layout Xls::layout(std::uint64_t streamSectors, std::uint64_t dirEntries)
{
    Layout l;
    l.streamSectors = streamSectors;
    l.dirSectors = ceilDiv(dirEntries, 4);
    const std::uint64_t f1 = ceilDiv(streamSectors + l.dirSectors, 128);
    const std::uint64_t f2 = ceilDiv(f1, 128);
    std::uint64_t f = f1 + f2 + ceilDiv(f2, 128) + (f2 > 100 ? 3 : 0);
    auto difatFor = [](std::uint64_t fat) { return fat <= kDifatInHeader ? 0 : ceilDiv(fat - kDifatInHeader, 127); };
    // The FAT must also map its own sectors and the DIFAT's; the estimate
    // above falls short for some sizes, so grow it until everything fits.
    while (f * 128 < streamSectors + l.dirSectors + f + difatFor(f)) ++f;
    l.fatSectors = f;
    l.difatSectors = difatFor(f);
    return l;
}

std::vector<std::uint8_t> Xls::write()
{
    std::vector<std::uint8_t> stream = output_.release();
    if (stream.size() > kMaxStreamSize)
        throw xlerror("Xls::write(): the workbook stream (" + num(stream.size()) +
                      " bytes) is too big for a compound document");
    DirEntry& wb = dir_[workbook_];
    wb.startSector = kEndOfChain;
    wb.size = 0;
    if (!stream.empty()) {
        // No mini stream is written: a short stream is padded to the cutoff.
        if (stream.size() < kMiniStreamCutoff) stream.resize(kMiniStreamCutoff, 0);
        wb.startSector = 0;
        wb.size = stream.size();
    }
    const std::uint64_t S = ceilDiv(stream.size(), 512);
    StoredLayout extra = layoutStored(S);
    const std::uint64_t C = S + extra.sectors;  // content sectors before the DIFAT
    const Layout l = layout(C, dir_.size());
    const std::uint64_t D = l.dirSectors, F = l.fatSectors, X = l.difatSectors;
    if (C + X + F + D >= kDifatSector)
        throw xlerror("Xls::write(): the document is too big for a compound document");

    std::vector<std::uint32_t> fat(static_cast<std::size_t>(F * 128), kFreeSector);
    auto chainRun = [&fat](std::uint64_t first, std::uint64_t count) {
        for (std::uint64_t i = 0; i < count; ++i)
            fat[static_cast<std::size_t>(first + i)] =
                i + 1 < count ? static_cast<std::uint32_t>(first + i + 1) : kEndOfChain;
    };
    chainRun(0, S);
    for (const auto& run : extra.runs) chainRun(run.first, run.second);
    for (std::uint64_t i = 0; i < X; ++i) fat[static_cast<std::size_t>(C + i)] = kDifatSector;
    for (std::uint64_t i = 0; i < F; ++i) fat[static_cast<std::size_t>(C + X + i)] = kFatSector;
    chainRun(C + X + F, D);

    header_.numFatSectors = static_cast<std::uint32_t>(F);
    header_.numDifatSectors = static_cast<std::uint32_t>(X);
    header_.firstDifatSector = X > 0 ? static_cast<std::uint32_t>(C) : kEndOfChain;
    header_.firstDirSector = static_cast<std::uint32_t>(C + X + F);
    header_.firstMiniFatSector = extra.firstMiniFatSector;
    header_.numMiniFatSectors = extra.miniFatSectors;
    std::fill(std::begin(header_.difat), std::end(header_.difat), kFreeSector);
    for (std::uint64_t i = 0; i < std::min<std::uint64_t>(F, kDifatInHeader); ++i)
        header_.difat[i] = static_cast<std::uint32_t>(C + X + i);

    ByteWriter out;
    out.buffer().reserve(static_cast<std::size_t>((1 + C + X + F + D) * 512));
    header_.write(out);
    out.bytes(stream);
    out.zeros(static_cast<std::size_t>(S * 512 - stream.size()));
    out.bytes(extra.bytes);
    // DIFAT sectors: the FAT sectors after the first 109, 127 to a sector,
    // each sector ending with the number of the next.
    std::uint64_t nextFat = kDifatInHeader;
    for (std::uint64_t k = 0; k < X; ++k) {
        for (int i = 0; i < 127; ++i, ++nextFat)
            out.u32(nextFat < F ? static_cast<std::uint32_t>(C + X + nextFat) : kFreeSector);
        out.u32(k + 1 < X ? static_cast<std::uint32_t>(C + k + 1) : kEndOfChain);
    }
    for (std::uint32_t v : fat) out.u32(v);
    for (const DirEntry& e : dir_) e.write(out);
    out.zeros(static_cast<std::size_t>(D * 512 - dir_.size() * 128));
    fat_ = std::move(fat);
    return std::move(out.buffer());
}

}  // namespace celvo
