#include "officeart_group.h"

#include <algorithm>
#include <cstdlib>

#include "celvo/file.h"
#include "celvo/text.h"

namespace celvo {

namespace {

std::uint32_t getBE32(const std::uint8_t* p)
{
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | p[3];
}

unsigned getBE16(const std::uint8_t* p) { return (static_cast<unsigned>(p[0]) << 8) | p[1]; }

}  // namespace

// ------------------------------------------------------------ pictures

bool OfficeArtBlipBase::instanceIs(unsigned one, unsigned two, const char* message) const
{
    unsigned inst = header.recInstance();
    if (inst == one) return true;
    if (inst == two) return false;
    throw xlerror(message);
}

std::uint32_t OfficeArtBlipBase::bodySize() const
{
    std::size_t n = 16 + (isSingleUid() ? 0 : 16) + (isMetafile() ? 34 : 1) + data.size() + extra.size();
    return static_cast<std::uint32_t>(n);
}

void OfficeArtBlipBase::assignPicture(const std::uint8_t* bytes, std::size_t n)
{
    static const std::uint8_t placeable[4] = {0xD7, 0xCD, 0xC6, 0x9A};
    if (n > 22 && std::equal(placeable, placeable + 4, bytes)) {
        bytes += 22;
        n -= 22;
    }
    if (n > 14 && bytes[0] == 'B' && bytes[1] == 'M') {
        bytes += 14;
        n -= 14;
    }
    data.assign(bytes, bytes + n);
    uid1 = md4(data.data(), data.size());
    cbSize = cbSave = static_cast<std::uint32_t>(data.size());
    absent = 0;
    recomputeLength = 1;
}

void OfficeArtBlipBase::readFields(ByteReader& in, const OfficeArtReadContext&)
{
    bool single = isSingleUid();
    in.bytes(uid1.data(), 16);
    if (!single) in.bytes(uid2.data(), 16);
    if (isMetafile()) {
        cbSize = in.u32();
        for (auto& v : rcBounds) v = in.i32();
        for (auto& v : ptSize) v = in.i32();
        cbSave = in.u32();
        compression = in.u8();
        filter = in.u8();
    } else {
        tag = in.u8();
    }
    data = in.bytes(in.remaining());
}

void OfficeArtBlipBase::writeFields(ArtWriter& out) const
{
    bool single = isSingleUid();
    std::size_t start = out.size();
    out.bytes(uid1.data(), 16);
    out.endUnit(start);
    if (!single) {
        start = out.size();
        out.bytes(uid2.data(), 16);
        out.endUnit(start);
    }
    start = out.size();
    if (isMetafile()) {
        out.u32(cbSize);
        for (auto v : rcBounds) out.u32(static_cast<std::uint32_t>(v));
        for (auto v : ptSize) out.u32(static_cast<std::uint32_t>(v));
        out.u32(cbSave);
        out.u8(compression);
        out.u8(filter);
    } else {
        out.u8(tag);
    }
    out.endUnit(start);
    out.bytes(data);
}

std::uint32_t OfficeArtBlipPNG::pictureWidth() const
{
    return data.size() >= 24 ? getBE32(data.data() + 16) : 0;
}

std::uint32_t OfficeArtBlipPNG::pictureHeight() const
{
    return data.size() >= 24 ? getBE32(data.data() + 20) : 0;
}

namespace {

// Width and height from a bitmap info header: the 12-byte core header has
// 16-bit fields; a top-down bitmap has a negative height.
void dibSize(const std::vector<std::uint8_t>& d, std::uint32_t& w, std::uint32_t& h)
{
    w = h = 0;
    if (d.size() < 12) return;
    std::uint32_t headerSize = getU32(d.data());
    if (headerSize == 12) {
        w = getU16(d.data() + 4);
        h = getU16(d.data() + 6);
        return;
    }
    if (d.size() < 12) return;
    std::int64_t sw = static_cast<std::int32_t>(getU32(d.data() + 4));
    std::int64_t sh = static_cast<std::int32_t>(getU32(d.data() + 8));
    w = static_cast<std::uint32_t>(sw < 0 ? -sw : sw);
    h = static_cast<std::uint32_t>(sh < 0 ? -sh : sh);
}

}  // namespace

std::uint32_t OfficeArtBlipDIB::pictureWidth() const
{
    std::uint32_t w, h;
    dibSize(data, w, h);
    return w;
}

std::uint32_t OfficeArtBlipDIB::pictureHeight() const
{
    std::uint32_t w, h;
    dibSize(data, w, h);
    return h;
}

OfficeArtBlipJPEG::OfficeArtBlipJPEG(const std::uint8_t* bytes, std::size_t n)
{
    assignPicture(bytes, n);
    header.setRecInstance(0x46A);
    scanSize();
}

bool OfficeArtBlipJPEG::isSingleUid() const
{
    unsigned inst = header.recInstance();
    if (inst == 0x46A || inst == 0x6E2) return true;
    if (inst == 0x46B || inst == 0x6E3) return false;
    throw xlerror(kMessage);
}

void OfficeArtBlipJPEG::scanSize()
{
    const std::size_t n = data.size();
    if (n < 2 || data[0] != 0xFF || data[1] != 0xD8) throw xlerror("invalid jpg file");
    std::size_t p = 2;
    while (p + 1 < n) {
        std::uint8_t m = data[p + 1];
        if (data[p] == 0xFF && m >= 0xC0 && m <= 0xC3) {
            if (p + 9 <= n) {
                height = static_cast<std::uint16_t>(getBE16(&data[p + 5]));
                width = static_cast<std::uint16_t>(getBE16(&data[p + 7]));
            }
            return;
        }
        if (p + 4 > n) return;
        p += 2 + getBE16(&data[p + 2]);
    }
}

void OfficeArtBlipJPEG::readFields(ByteReader& in, const OfficeArtReadContext& ctx)
{
    OfficeArtBlipBase::readFields(in, ctx);
    // A stored picture that is not a JPEG keeps its size unknown.
    try {
        scanSize();
    } catch (const xlerror&) {
        width = height = 0;
    }
}

std::vector<std::uint8_t> readPictureFile(const std::u16string& path)
{
    std::vector<std::uint8_t> bytes;
    if (!readWholeFile(pathToNative(path), bytes)) throw xlerror("can't open file");
    return bytes;
}

// ------------------------------------------------------------ blip store

OfficeArtFBSE::OfficeArtFBSE(const OfficeArtFBSE& other)
    : OfficeArtRecord(other), btWin32(other.btWin32), btMacOS(other.btMacOS), rgbUid(other.rgbUid),
      tag(other.tag), blipSize(other.blipSize), cRef(other.cRef), foDelay(other.foDelay), unused1(other.unused1),
      unused2(other.unused2), unused3(other.unused3), nameBytes(other.nameBytes),
      blip(other.blip ? other.blip->clone() : nullptr)
{
}

OfficeArtFBSE& OfficeArtFBSE::operator=(const OfficeArtFBSE& other)
{
    if (this != &other) {
        OfficeArtFBSE copy(other);
        OfficeArtRecordBase::operator=(copy);
        btWin32 = copy.btWin32;
        btMacOS = copy.btMacOS;
        rgbUid = copy.rgbUid;
        tag = copy.tag;
        blipSize = copy.blipSize;
        cRef = copy.cRef;
        foDelay = copy.foDelay;
        unused1 = copy.unused1;
        unused2 = copy.unused2;
        unused3 = copy.unused3;
        nameBytes.swap(copy.nameBytes);
        blip.swap(copy.blip);
    }
    return *this;
}

OfficeArtFBSE::OfficeArtFBSE(std::unique_ptr<OfficeArtBlipBase> picture)
{
    unsigned type = picture->blipType();
    btWin32 = btMacOS = static_cast<std::uint8_t>(type);
    header.setRecInstance(type);
    rgbUid = picture->uid1;
    blipSize = picture->size();
    blip = std::move(picture);
    absent = 0;
    recomputeLength = 1;
}

std::u16string OfficeArtFBSE::name() const
{
    std::u16string s;
    for (std::size_t i = 0; i + 1 < nameBytes.size(); i += 2) {
        char16_t c = static_cast<char16_t>(getU16(&nameBytes[i]));
        if (c == 0) break;
        s.push_back(c);
    }
    return s;
}

std::uint32_t OfficeArtFBSE::bodySize() const
{
    return static_cast<std::uint32_t>(36 + nameBytes.size() + (blip ? blip->size() : 0) + extra.size());
}

void OfficeArtFBSE::readFields(ByteReader& in, const OfficeArtReadContext& ctx)
{
    btWin32 = in.u8();
    btMacOS = in.u8();
    in.bytes(rgbUid.data(), 16);
    tag = in.u16();
    blipSize = in.u32();
    cRef = in.u32();
    foDelay = in.u32();
    unused1 = in.u8();
    std::uint8_t cbName = in.u8();
    unused2 = in.u8();
    unused3 = in.u8();
    nameBytes = in.bytes(cbName);
    blip.reset();
    if (in.remaining() >= 8) {
        std::size_t at = in.pos();
        OfficeArtRecordHeader h;
        h.read(in);
        in.seek(at);
        auto rec = makeOfficeArtRecord(h);
        if (!dynamic_cast<OfficeArtBlipBase*>(rec.get())) return;  // kept in `extra`
        if (h.recLen() > in.remaining() - 8) rec->fail();
        OfficeArtReadContext inner = ctx;
        ++inner.depth;
        if (rec->read(in, inner) == 0) rec->fail();
        blip = std::move(rec);
    }
}

void OfficeArtFBSE::writeFields(ArtWriter& out) const
{
    std::size_t start = out.size();
    out.u8(btWin32);
    out.u8(btMacOS);
    out.bytes(rgbUid.data(), 16);
    out.u16(tag);
    out.u32(blip && recomputeLength ? blip->size() : blipSize);
    out.u32(cRef);
    out.u32(foDelay);
    out.u8(unused1);
    out.u8(static_cast<std::uint8_t>(nameBytes.size()));
    out.u8(unused2);
    out.u8(unused3);
    out.endUnit(start);
    start = out.size();
    out.bytes(nameBytes);
    out.endUnit(start);
    if (blip) blip->write(out);
}

void OfficeArtFDGGBlock::readFields(ByteReader& in, const OfficeArtReadContext&)
{
    spidMax = in.u32();
    cidcl = in.u32();
    cspSaved = in.u32();
    cdgSaved = in.u32();
    if (cidcl == 0 || static_cast<std::uint64_t>(cidcl - 1) * 8 > in.remaining()) fail();
    clusters.resize(cidcl - 1);
    for (auto& c : clusters) {
        c.dgid = in.u32();
        c.cspidCur = in.u32();
    }
}

void OfficeArtFDGGBlock::writeFields(ArtWriter& out) const
{
    std::size_t start = out.size();
    out.u32(spidMax);
    out.u32(cidcl);
    out.u32(cspSaved);
    out.u32(cdgSaved);
    out.endUnit(start);
    for (const auto& c : clusters) {
        start = out.size();
        out.u32(c.dgid);
        out.u32(c.cspidCur);
        out.endUnit(start);
    }
}

void OfficeArtColorMRUContainer::readFields(ByteReader& in, const OfficeArtReadContext&)
{
    std::size_t n = header.recInstance();
    if (4 * n > in.remaining()) fail();
    colors.resize(n);
    for (auto& c : colors) c = in.u32();
}

void OfficeArtColorMRUContainer::writeFields(ArtWriter& out) const
{
    for (std::uint32_t c : colors) {
        std::size_t start = out.size();
        out.u32(c);
        out.endUnit(start);
    }
}

void OfficeArtSplitMenuColorContainer::readFields(ByteReader& in, const OfficeArtReadContext&)
{
    for (auto& c : colors) c = in.u32();
}

void OfficeArtSplitMenuColorContainer::writeFields(ArtWriter& out) const
{
    std::size_t start = out.size();
    for (std::uint32_t c : colors) out.u32(c);
    out.endUnit(start);
}

// ------------------------------------------------------------ drawing group

OfficeArtDggContainer::OfficeArtDggContainer()
{
    absent = 0;
    recomputeLength = 1;
    children.items.push_back(std::make_unique<OfficeArtFDGGBlock>());
    auto store = std::make_unique<OfficeArtBStoreContainer>();
    store->absent = 0;
    children.items.push_back(std::move(store));
    children.items.push_back(std::make_unique<OfficeArtFOPT>());
    children.items.push_back(std::make_unique<OfficeArtTertiaryFOPT>());
    children.items.push_back(std::make_unique<OfficeArtColorMRUContainer>());
    children.items.push_back(std::make_unique<OfficeArtSplitMenuColorContainer>());
}

template <class T>
T& OfficeArtDggContainer::ensure()
{
    if (T* found = children.find<T>()) return *found;
    // Members in their file order.
    static const unsigned order[] = {0xF006, 0xF001, 0xF00B, 0xF122, 0xF11A, 0xF11E};
    auto rank = [](unsigned type) {
        for (unsigned i = 0; i < 6; ++i)
            if (order[i] == type) return i;
        return 6u;
    };
    unsigned mine = rank(T::kType);
    auto& items = children.items;
    auto at = items.begin();
    while (at != items.end() && rank((*at)->header.recType()) <= mine) ++at;
    auto rec = std::make_unique<T>();
    T& ref = *rec;
    items.insert(at, std::move(rec));
    return ref;
}

std::size_t OfficeArtDggContainer::pictureCount() const
{
    const OfficeArtBStoreContainer* store = blipStore();
    return store ? store->children.count<OfficeArtFBSE>() : 0;
}

OfficeArtFBSE* OfficeArtDggContainer::picture(std::size_t index) const
{
    const OfficeArtBStoreContainer* store = blipStore();
    if (!store) return nullptr;
    for (const auto& p : store->children.items) {
        if (auto* e = dynamic_cast<OfficeArtFBSE*>(p.get())) {
            if (index == 0) return e;
            --index;
        }
    }
    return nullptr;
}

OfficeArtFBSE& OfficeArtDggContainer::pictureByIndex(std::size_t oneBased) const
{
    OfficeArtFBSE* e = oneBased ? picture(oneBased - 1) : nullptr;
    if (!e) throw xlerror("pictureId is out of range");
    return *e;
}

bool OfficeArtDggContainer::activate()
{
    OfficeArtFDGGBlock& block = ensure<OfficeArtFDGGBlock>();
    if (!block.absent) return false;
    if (OfficeArtBStoreContainer* store = blipStore()) {
        if (store->children.items.empty()) store->absent = 1;
    }
    block.clusters.assign(block.cidcl ? block.cidcl - 1 : 0, OfficeArtFDGGBlock::Cluster());
    if (!block.clusters.empty()) block.clusters[0] = {1, 3};
    block.absent = 0;
    OfficeArtFOPT& props = ensure<OfficeArtFOPT>();
    props.clearProperties();
    props.addProperty(OfficeArtFOPTE(0x00BF, 0x08000041));
    props.addProperty(OfficeArtFOPTE(0x0181, 0x08000041));
    props.addProperty(OfficeArtFOPTE(0x01C0, 0x08000040));
    OfficeArtSplitMenuColorContainer& split = ensure<OfficeArtSplitMenuColorContainer>();
    const std::uint32_t colors[4] = {0x0800000D, 0x0800000C, 0x08000017, 0x100000F7};
    std::copy(colors, colors + 4, split.colors);
    split.absent = 0;
    recomputeLength = 1;
    return true;
}

std::size_t OfficeArtDggContainer::addPicture(std::unique_ptr<OfficeArtBlipBase> pic)
{
    // A loaded group keeps its bookkeeping and defaults.
    activate();
    OfficeArtBStoreContainer& store = ensure<OfficeArtBStoreContainer>();
    store.absent = 0;
    store.children.items.push_back(std::make_unique<OfficeArtFBSE>(std::move(pic)));
    std::size_t count = store.children.count<OfficeArtFBSE>();
    store.header.setRecInstance(static_cast<unsigned>(count));
    recomputeLength = 1;
    return count - 1;
}

void OfficeArtDggContainer::readRecords(RecordCursor& first, BiffInput& in)
{
    pieces_.clear();
    trailing_.clear();
    std::vector<std::uint8_t> bytes;
    auto take = [&](RecordCursor& rec, std::uint16_t id) {
        std::vector<std::uint8_t> piece = rec.rest();
        pieces_.push_back({id, piece.size()});
        bytes.insert(bytes.end(), piece.begin(), piece.end());
        while (rec.tryContinue()) {
            piece = rec.rest();
            pieces_.push_back({kContinueId, piece.size()});
            bytes.insert(bytes.end(), piece.begin(), piece.end());
        }
    };
    take(first, first.id());
    // Some writers carry on in further MSODRAWINGGROUP records.
    while (bytes.size() >= 8 && bytes.size() - 8 < getU32(bytes.data() + 4) && in.peekRecordId() == 0x00EB) {
        RecordCursor next = in.next();
        take(next, next.id());
    }
    ByteReader reader(bytes, errorText());
    children.items.clear();
    if (read(reader) == 0) fail();
    trailing_ = reader.bytes(reader.remaining());
}

std::size_t OfficeArtDggContainer::writeRecords(BiffOutput& out) const
{
    ArtWriter w;
    write(w);
    w.bytes(trailing_);
    const std::vector<std::uint8_t>& bytes = w.buffer();
    std::vector<Piece> layout;
    std::size_t recorded = 0;
    for (const Piece& p : pieces_) recorded += p.length;
    if (!pieces_.empty() && recorded == bytes.size()) {
        layout = pieces_;
    } else {
        for (std::size_t n : cutIntoPieces(bytes.size(), w.units(), kMaxRecordData))
            layout.push_back({layout.empty() ? std::uint16_t(0x00EB) : kContinueId, n});
    }
    std::size_t at = 0, written = 0;
    for (const Piece& p : layout) {
        written += out.writeRecordHeader(p.id, static_cast<std::uint16_t>(p.length));
        out.writeBytes(bytes.data() + at, p.length);
        at += p.length;
        written += p.length;
    }
    return written;
}

}  // namespace celvo
