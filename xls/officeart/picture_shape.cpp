#include "picture_shape.h"

namespace celvo {

namespace {

constexpr unsigned kShapeTypePictureFrame = 75;

std::unique_ptr<OfficeArtSpContainer> newContainer()
{
    auto sp = std::make_unique<OfficeArtSpContainer>();
    sp->header.set(15, 0, 0xF004, 0);
    sp->absent = 0;
    sp->recomputeLength = 1;
    return sp;
}

template <class T>
std::unique_ptr<T> present(std::unique_ptr<T> rec)
{
    rec->absent = 0;
    rec->recomputeLength = 1;
    return rec;
}

std::unique_ptr<OfficeArtFSP> makeFsp(unsigned shapeType, std::uint32_t shapeId, std::uint32_t flags)
{
    auto fsp = present(std::make_unique<OfficeArtFSP>());
    fsp->header.setRecInstance(shapeType);
    fsp->spid = shapeId;
    fsp->flags = flags;
    return fsp;
}

}  // namespace

std::unique_ptr<OfficeArtSpContainer> makePictureShape(std::uint32_t shapeId, std::uint32_t blipIndex,
                                                       std::uint32_t anchor1, std::uint32_t anchor2,
                                                       std::uint32_t anchor3, std::uint32_t anchor4)
{
    auto sp = newContainer();
    sp->children.items.push_back(
        makeFsp(kShapeTypePictureFrame, shapeId, OfficeArtFSP::kHaveAnchor | OfficeArtFSP::kHaveShapeType));

    auto opt = present(std::make_unique<OfficeArtFOPT>());
    opt->header.setRecVer(3);
    // The picture (by its blip index) and the picture's name "3".
    opt->addProperty(OfficeArtFOPTE(OfficeArtFOPTEOPID(0x0104, true, false).word(), blipIndex));
    opt->addProperty(OfficeArtFOPTE(OfficeArtFOPTEOPID(0x0105, true, true).word(), 4), {0x33, 0x00, 0x00, 0x00});
    sp->children.items.push_back(std::move(opt));

    auto anchor = present(std::make_unique<OfficeArtClientAnchorSheet>());
    anchor->flags = 2;
    anchor->setCorners(anchor1, anchor2, anchor3, anchor4);
    sp->children.items.push_back(std::move(anchor));
    sp->children.items.push_back(present(std::make_unique<OfficeArtClientData>()));
    return sp;
}

std::int64_t shapeBlipIndex(const OfficeArtSpContainer& shape)
{
    const OfficeArtFOPT* table = shape.opt();
    const OfficeArtFOPTE* pib = table ? table->rgfopte.find(0x0104) : nullptr;
    if (!pib) return -1;
    std::int32_t v = static_cast<std::int32_t>(pib->op);
    return v < 0 ? -1 : v;
}

}  // namespace celvo
