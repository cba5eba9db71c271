#include "celvo/picture_kind.h"

#include <algorithm>
#include <initializer_list>

namespace celvo {

namespace {

bool startsWith(const std::uint8_t* p, std::size_t n, std::initializer_list<std::uint8_t> sig)
{
    return n >= sig.size() && std::equal(sig.begin(), sig.end(), p);
}

std::uint32_t be16(const std::uint8_t* p) { return (static_cast<std::uint32_t>(p[0]) << 8) | p[1]; }
std::uint32_t be32(const std::uint8_t* p) { return (be16(p) << 16) | be16(p + 2); }
std::uint32_t le16(const std::uint8_t* p) { return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8); }
std::uint32_t le32(const std::uint8_t* p) { return le16(p) | (le16(p + 2) << 16); }

std::uint32_t absolute(std::uint32_t v)
{
    const std::int64_t s = static_cast<std::int32_t>(v);
    return static_cast<std::uint32_t>(s < 0 ? -s : s);
}

// The frame size of a JPEG: the segments are walked by their lengths from
// the start of the data to the first start-of-frame marker (C0-CF but for
// the table and arithmetic-coding markers C4, C8 and CC).
void jpegSize(const std::uint8_t* p, std::size_t n, PictureKind& k)
{
    std::size_t pos = 2;
    while (pos + 4 <= n) {
        if (p[pos] != 0xFF) return;
        const std::uint8_t marker = p[pos + 1];
        if (marker == 0xFF) {  // fill byte
            ++pos;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {  // markers without a length
            pos += 2;
            continue;
        }
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            if (pos + 9 <= n) {
                k.height = be16(p + pos + 5);
                k.width = be16(p + pos + 7);
            }
            return;
        }
        if (marker == 0xD9 || marker == 0xDA) return;  // end of image, or the scan: no frame before it
        const std::uint32_t length = be16(p + pos + 2);
        if (length < 2) return;
        pos += 2 + length;
    }
}

}  // namespace

PictureKind pictureKind(const std::uint8_t* p, std::size_t n)
{
    PictureKind k;
    if (!p) return k;
    if (startsWith(p, n, {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A})) {
        if (n < 24) return k;
        k.type = kPicturePng;
        k.width = be32(p + 16);
        k.height = be32(p + 20);
    } else if (startsWith(p, n, {0xFF, 0xD8, 0xFF})) {
        k.type = kPictureJpeg;
        jpegSize(p, n, k);
    } else if (startsWith(p, n, {0xD7, 0xCD, 0xC6, 0x9A})) {
        if (n < 22) return k;
        k.type = kPictureWmf;
        k.width = k.height = 200;
    } else if (startsWith(p, n, {'B', 'M'})) {
        if (n < 14 + 12) return k;
        const std::uint32_t header = le32(p + 14);
        if (header == 12) {  // the core header of 16-bit sizes
            k.width = le16(p + 18);
            k.height = le16(p + 20);
        } else if (header >= 40 && n >= 26) {
            k.width = absolute(le32(p + 18));
            k.height = absolute(le32(p + 22));
        } else {
            return k;
        }
        k.type = kPictureDib;
    }
    return k;
}

u16view pictureExtension(int type) noexcept
{
    switch (type) {
    case kPicturePng: return u"png";
    case kPictureJpeg: return u"jpeg";
    case kPictureWmf: return u"wmf";
    case kPictureDib: return u"bmp";
    default: return u16view();
    }
}

u16view pictureContentType(int type) noexcept
{
    switch (type) {
    case kPicturePng: return u"image/png";
    case kPictureJpeg: return u"image/jpeg";
    case kPictureWmf: return u"image/x-wmf";
    case kPictureDib: return u"image/bmp";
    default: return u16view();
    }
}

}  // namespace celvo
