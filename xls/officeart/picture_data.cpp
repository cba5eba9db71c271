#include "picture_data.h"

#include <algorithm>
#include <utility>

namespace celvo {

namespace {

bool startsWith(const std::uint8_t* p, std::size_t n, std::initializer_list<std::uint8_t> sig)
{
    if (n < sig.size()) return false;
    return std::equal(sig.begin(), sig.end(), p);
}

std::uint32_t beU16(const std::uint8_t* p) { return (static_cast<std::uint32_t>(p[0]) << 8) | p[1]; }

std::uint32_t beU32(const std::uint8_t* p) { return (beU16(p) << 16) | beU16(p + 2); }

// A PICT begins its picture with a size word and a frame; version 2 follows
// with 00 11 02 FF, version 1 with 11 01.
bool isPictAt(const std::uint8_t* p, std::size_t n, std::size_t at)
{
    if (n < at + 4) return false;
    return startsWith(p + at, n - at, {0x00, 0x11, 0x02, 0xFF}) || startsWith(p + at, n - at, {0x11, 0x01});
}

bool isEmf(const std::uint8_t* p, std::size_t n)
{
    return n >= 88 && getU32(p) == 1 && startsWith(p + 40, n - 40, {' ', 'E', 'M', 'F'});
}

// The header size word of a bitmap info header (core, info, OS/2, v4, v5).
bool isDibHeader(const std::uint8_t* p, std::size_t n)
{
    if (n < 4) return false;
    std::uint32_t h = getU32(p);
    return h == 12 || h == 40 || h == 64 || h == 108 || h == 124;
}

std::int64_t extent(std::int64_t from, std::int64_t to) { return to >= from ? to - from : 0; }

std::uint32_t clampU32(std::int64_t v)
{
    if (v < 0) return 0;
    return v > 0xFFFFFFFFll ? 0xFFFFFFFFu : static_cast<std::uint32_t>(v);
}

// Width and height of a TIFF image from its first directory; 0 when absent.
std::pair<std::uint32_t, std::uint32_t> tiffSize(const std::vector<std::uint8_t>& d)
{
    std::pair<std::uint32_t, std::uint32_t> size{0, 0};
    const std::size_t n = d.size();
    if (n < 8) return size;
    const bool big = d[0] == 'M';
    auto u16 = [&](std::size_t at) { return big ? beU16(&d[at]) : getU16(&d[at]); };
    auto u32 = [&](std::size_t at) { return big ? beU32(&d[at]) : getU32(&d[at]); };
    std::uint64_t ifd = u32(4);
    if (ifd + 2 > n) return size;
    std::size_t count = u16(static_cast<std::size_t>(ifd));
    std::size_t at = static_cast<std::size_t>(ifd) + 2;
    for (std::size_t i = 0; i < count && at + 12 <= n; ++i, at += 12) {
        unsigned tag = u16(at);
        unsigned type = u16(at + 2);
        std::uint32_t value = type == 3 ? u16(at + 8) : type == 4 ? u32(at + 8) : 0;
        if (tag == 256) size.first = value;
        if (tag == 257) size.second = value;
    }
    return size;
}

}  // namespace

std::uint32_t OfficeArtBlipEMF::pictureWidth() const
{
    if (data.size() < 24) return 0;
    const std::uint8_t* p = data.data();
    return clampU32(extent(static_cast<std::int32_t>(getU32(p + 8)), static_cast<std::int32_t>(getU32(p + 16))));
}

std::uint32_t OfficeArtBlipEMF::pictureHeight() const
{
    if (data.size() < 24) return 0;
    const std::uint8_t* p = data.data();
    return clampU32(extent(static_cast<std::int32_t>(getU32(p + 12)), static_cast<std::int32_t>(getU32(p + 20))));
}

std::uint32_t OfficeArtBlipPICT::pictureWidth() const
{
    if (data.size() < 10) return 0;
    const std::uint8_t* p = data.data();
    return clampU32(extent(static_cast<std::int16_t>(beU16(p + 4)), static_cast<std::int16_t>(beU16(p + 8))));
}

std::uint32_t OfficeArtBlipPICT::pictureHeight() const
{
    if (data.size() < 10) return 0;
    const std::uint8_t* p = data.data();
    return clampU32(extent(static_cast<std::int16_t>(beU16(p + 2)), static_cast<std::int16_t>(beU16(p + 6))));
}

std::uint32_t OfficeArtBlipTIFF::pictureWidth() const { return tiffSize(data).first; }
std::uint32_t OfficeArtBlipTIFF::pictureHeight() const { return tiffSize(data).second; }

std::unique_ptr<OfficeArtBlipBase> makePictureRecord(const std::uint8_t* p, std::size_t n)
{
    if (!p || n <= 4) throw xlerror("unknown picture format");
    if (startsWith(p, n, {0x89, 'P', 'N', 'G'})) return std::make_unique<OfficeArtBlipPNG>(p, n);
    if (startsWith(p, n, {0xFF, 0xD8, 0xFF})) return std::make_unique<OfficeArtBlipJPEG>(p, n);
    if (startsWith(p, n, {0xD7, 0xCD, 0xC6, 0x9A})) return std::make_unique<OfficeArtBlipWMF>(p, n);
    if (isEmf(p, n)) return std::make_unique<OfficeArtBlipEMF>(p, n);
    if (startsWith(p, n, {'I', 'I', 0x2A, 0x00}) || startsWith(p, n, {'M', 'M', 0x00, 0x2A}))
        return std::make_unique<OfficeArtBlipTIFF>(p, n);
    if ((startsWith(p, n, {'B', 'M'}) && n > 14 && isDibHeader(p + 14, n - 14)) || isDibHeader(p, n))
        return std::make_unique<OfficeArtBlipDIB>(p, n);
    // The 512-byte header of a PICT file is not stored with the picture.
    if (isPictAt(p, n, 512 + 10)) return std::make_unique<OfficeArtBlipPICT>(p + 512, n - 512);
    if (isPictAt(p, n, 10)) return std::make_unique<OfficeArtBlipPICT>(p, n);
    throw xlerror("unknown picture format");
}

int pictureTypeCode(const OfficeArtRecordBase& record)
{
    const auto* blip = dynamic_cast<const OfficeArtBlipBase*>(&record);
    if (!blip) return kPictureError;
    switch (blip->blipType()) {
    case kBlipPng: return kPicturePng;
    case kBlipJpeg: return kPictureJpeg;
    case kBlipWmf: return kPictureWmf;
    case kBlipDib: return kPictureDib;
    case kBlipEmf: return kPictureEmf;
    case kBlipPict: return kPicturePict;
    case kBlipTiff: return kPictureTiff;
    default: return kPictureError;
    }
}

}  // namespace celvo
