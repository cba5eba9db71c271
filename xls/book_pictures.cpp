// The book's pictures: stored once in the blip store of the drawing group,
// numbered from 0 in the order of their entries; sheets place them by that
// number.
#include "book.h"
#include "picture_data.h"

namespace celvo {

namespace {

// The drawing group's records are written with 32-bit lengths: a picture
// that would take the group near that limit is refused.
constexpr std::uint64_t kMaxDrawingGroupSize = 0x7FFF0000u;

}  // namespace

int BookImplT::pictureCount()
{
    message_ = "ok";
    return static_cast<int>(drawingGroup_.pictureCount());
}

int BookImplT::getPicture(int index, const char** data, unsigned* size)
{
    return guard(message_, int(kPictureError), [&] {
        OfficeArtFBSE* entry = index >= 0 ? drawingGroup_.picture(static_cast<std::size_t>(index)) : nullptr;
        if (!entry) throw xlerror("index is out of range");
        // An entry whose picture lives outside the store (a delay stream)
        // has no bytes to give.
        if (!entry->blip) throw xlerror("picture data is not stored in the book");
        int type = pictureTypeCode(*entry->blip);
        if (type == kPictureError) throw xlerror("unknown picture format");
        const auto& bytes = static_cast<const OfficeArtBlipBase&>(*entry->blip).data;
        if (data) *data = reinterpret_cast<const char*>(bytes.data());
        if (size) *size = static_cast<unsigned>(bytes.size());
        return type;
    });
}

int BookImplT::addPicture(const char16_t* filename)
{
    return guard(message_, -1, [&] {
        if (!filename) throw xlerror("can't open file");
        std::vector<std::uint8_t> bytes = readPictureFile(filename);
        return addPictureBytes(bytes.data(), bytes.size());
    });
}

int BookImplT::addPictureFromMemory(const char* data, unsigned size)
{
    return guard(message_, -1, [&] {
        return addPictureBytes(reinterpret_cast<const std::uint8_t*>(data), data ? size : 0);
    });
}

int BookImplT::addPictureBytes(const std::uint8_t* data, std::size_t size)
{
    // Everything is checked before the book changes: a refused picture
    // leaves the drawing group (and whether one is written) as it was.
    std::unique_ptr<OfficeArtBlipBase> picture = makePictureRecord(data, size);
    if (static_cast<std::uint64_t>(drawingGroup_.size()) + picture->size() + 64 > kMaxDrawingGroupSize)
        throw xlerror("picture is too big");
    std::size_t id = drawingGroup_.addPicture(std::move(picture));
    noDrawingGroup_ = false;
    return static_cast<int>(id);
}

void BookImplT::addPictureRef(int pictureNumber)
{
    if (pictureNumber <= 0) throw xlerror("pictureId is out of range");
    drawingGroup_.addPictureRef(static_cast<std::size_t>(pictureNumber));
}

}  // namespace celvo
