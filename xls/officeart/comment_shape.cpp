#include "comment_shape.h"
#include <algorithm>

namespace celvo {

namespace {

// The note data of a comment object: its fixed GUID, not shared, and the
// reserved value the applications write.
std::vector<std::uint8_t> noteData()
{
    return {0xFC, 0x53, 0x24, 0xBA, 0x0A, 0x5D, 0x3F, 0x43, 0xB3, 0x4B, 0xA4, 0xE0, 0xCB, 0xE0, 0xAC, 0x98,
            0, 0,           // fSharedNote
            16, 0, 0, 0};   // reserved
}

}  // namespace

void setCommentShape(OfficeArtSpContainer& shape, std::uint32_t shapeId, std::uint32_t anchor1,
                     std::uint32_t anchor2, std::uint32_t anchor3, std::uint32_t anchor4)
{
    shape.header.setRecVer(15);
    shape.header.setRecInstance(0);
    shape.header.setRecType(0xF004);

    auto fsp = std::make_unique<OfficeArtFSP>();
    fsp->header.setRecVer(2);
    fsp->header.setRecInstance(202);
    fsp->spid = shapeId;
    fsp->flags = OfficeArtFSP::kHaveAnchor | OfficeArtFSP::kHaveShapeType;
    fsp->absent = 0;

    auto opt = std::make_unique<OfficeArtFOPT>();
    static const std::pair<std::uint16_t, std::uint32_t> kProperties[] = {
        {0x0080, 0x00D908BC}, {0x00BF, 0x00080008}, {0x0158, 0}, {0x0181, 0x08000050}, {0x0183, 0x08000050},
        {0x01BF, 0x00110010}, {0x0201, 0},          {0x023F, 0x00030003}, {0x03BF, 0x000A0002},
    };
    for (const auto& p : kProperties) opt->addProperty(OfficeArtFOPTE(p.first, p.second));

    auto anchor = std::make_unique<OfficeArtClientAnchorSheet>();
    anchor->header.set(0, 0, 0xF010, 18);
    anchor->flags = 3;
    anchor->setCorners(anchor1, anchor2, anchor3, anchor4);
    anchor->absent = 0;

    auto data = std::make_unique<OfficeArtClientData>();
    data->absent = 0;

    // Members in file order; whatever the container held of these kinds goes.
    auto& items = shape.children.items;
    items.erase(std::remove_if(items.begin(), items.end(),
                               [](const auto& p) {
                                   return dynamic_cast<const OfficeArtFSP*>(p.get()) ||
                                          dynamic_cast<const OfficeArtFOPT*>(p.get()) ||
                                          dynamic_cast<const OfficeArtClientAnchorSheet*>(p.get()) ||
                                          dynamic_cast<const OfficeArtClientData*>(p.get());
                               }),
                items.end());
    items.insert(items.begin(), std::move(data));
    items.insert(items.begin(), std::move(anchor));
    items.insert(items.begin(), std::move(opt));
    items.insert(items.begin(), std::move(fsp));
}

std::unique_ptr<OfficeArtSpContainer> makeCommentShape(std::uint32_t shapeId, std::uint32_t anchor1,
                                                       std::uint32_t anchor2, std::uint32_t anchor3,
                                                       std::uint32_t anchor4)
{
    auto shape = std::make_unique<OfficeArtSpContainer>();
    setCommentShape(*shape, shapeId, anchor1, anchor2, anchor3, anchor4);
    shape->absent = 0;
    auto box = std::make_unique<OfficeArtClientTextbox>();
    box->absent = 0;
    shape->children.items.push_back(std::move(box));
    return shape;
}

std::unique_ptr<Obj> makeCommentObj(std::uint16_t objectId)
{
    auto obj = std::make_unique<Obj>();
    obj->ot = Obj::kComment;
    obj->id = objectId;
    obj->grbit = 0x4011;
    obj->subRecords.clear();
    obj->setSubRecord(0x0D, noteData());
    obj->noteDataMissing = false;
    return obj;
}

std::unique_ptr<TextObject> makeCommentText(const std::u16string& text)
{
    auto txo = std::make_unique<TextObject>();
    txo->grbit = 0x0212;
    txo->setText(text);
    return txo;
}

}  // namespace celvo
