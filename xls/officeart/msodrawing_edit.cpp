// Edits of a sheet drawing made by the engine: a new drawing with its group
// and patriarch shape, shapes appended as MSODRAWING blocks of their own,
// comment shapes removed with their blocks, and the drawing's bookkeeping.
#include <algorithm>

#include "msodrawing.h"

namespace celvo {

namespace {

// Calls f(record, parent) for every record of the tree in file order.
template <class F>
void walk(const OfficeArtChildren& list, OfficeArtContainerBase* parent, F&& f)
{
    for (const auto& p : list.items) {
        f(*p, parent);
        if (auto* c = dynamic_cast<OfficeArtContainerBase*>(p.get())) walk(c->children, c, f);
    }
}

template <class T>
std::unique_ptr<T> present()
{
    auto rec = std::make_unique<T>();
    rec->absent = 0;
    return rec;
}

}  // namespace

std::unique_ptr<OfficeArtSpContainer> makeGroupShape(std::uint32_t shapeId)
{
    auto shape = present<OfficeArtSpContainer>();
    shape->children.items.push_back(present<OfficeArtFSPGR>());
    auto fsp = present<OfficeArtFSP>();
    fsp->header.setRecInstance(0);
    fsp->spid = shapeId;
    fsp->flags = OfficeArtFSP::kGroup | OfficeArtFSP::kPatriarch;
    shape->children.items.push_back(std::move(fsp));
    return shape;
}

void MsoDrawing::start(unsigned drawingId)
{
    if (!empty_) throw xlerror("the sheet already has a drawing");
    if (drawingId == 0 || drawingId > 0xFFF) throw xlerror("too many drawings in the workbook");
    auto dg = present<OfficeArtDgContainer>();
    auto fdg = present<OfficeArtFDG>();
    fdg->header.setRecInstance(drawingId);
    fdg->csp = 1;
    fdg->spidCur = drawingId * 1024;
    dg->children.items.push_back(std::move(fdg));
    auto group = present<OfficeArtSpgrContainer>();
    group->children.items.push_back(makeGroupShape(drawingId * 1024));
    dg->children.items.push_back(std::move(group));
    dg->blockStart = 0;
    records_.items.clear();
    records_.items.push_back(std::move(dg));
    trailing_.clear();
    pending_.clear();
    pendingStarts_.clear();
    blocks_.clear();
    blocks_.emplace_back();
    empty_ = false;
}

unsigned MsoDrawing::drawingId() const
{
    const OfficeArtDgContainer* dg = dgContainer();
    const OfficeArtFDG* fdg = dg ? dg->fdg() : nullptr;
    return fdg ? fdg->drawingId() : 0;
}

std::vector<std::uint32_t> MsoDrawing::shapeIds() const
{
    std::vector<std::uint32_t> ids;
    walk(records_, nullptr, [&](OfficeArtRecordBase& r, OfficeArtContainerBase*) {
        if (auto* fsp = dynamic_cast<OfficeArtFSP*>(&r)) ids.push_back(fsp->spid);
    });
    return ids;
}

void MsoDrawing::updateCounts()
{
    OfficeArtDgContainer* dg = dgContainer();
    OfficeArtFDG* fdg = dg ? dg->fdg() : nullptr;
    if (!fdg) return;
    std::uint32_t csp = 0, last = 0;
    walk(records_, nullptr, [&](OfficeArtRecordBase& r, OfficeArtContainerBase*) {
        if (auto* fsp = dynamic_cast<OfficeArtFSP*>(&r)) {
            ++csp;
            last = std::max(last, fsp->spid);
        }
    });
    fdg->csp = csp;
    fdg->spidCur = std::max(last, fdg->drawingId() * 1024);
}

void MsoDrawing::renumberBlocks()
{
    std::vector<DrawingBlock*> byIndex;
    for (DrawingBlock& b : blocks_) byIndex.push_back(&b);
    std::list<DrawingBlock> ordered;
    int next = 0;
    walk(records_, nullptr, [&](OfficeArtRecordBase& r, OfficeArtContainerBase*) {
        if (r.blockStart < 0) return;
        if (static_cast<std::size_t>(r.blockStart) < byIndex.size() && byIndex[r.blockStart]) {
            ordered.push_back(std::move(*byIndex[r.blockStart]));
            byIndex[r.blockStart] = nullptr;
        } else {
            ordered.emplace_back();
        }
        r.blockStart = next++;
    });
    blocks_.swap(ordered);
}

OfficeArtSpContainer& MsoDrawing::appendShape(std::unique_ptr<OfficeArtSpContainer> shape,
                                              std::vector<std::unique_ptr<ObjBase>> objects,
                                              std::vector<std::unique_ptr<ObjBase>> textObjects)
{
    finishRead();
    OfficeArtDgContainer* dg = dgContainer();
    OfficeArtSpgrContainer* group = dg ? dg->group() : nullptr;
    if (!group || blocks_.empty()) throw xlerror("the sheet's drawing has no shape group");
    OfficeArtClientTextbox* box = shape->children.find<OfficeArtClientTextbox>();
    if (!textObjects.empty() && !box) throw xlerror("a shape without text box can't carry text");

    // A drawing that holds only its patriarch, with no object yet (one just
    // started), takes the shape into its first block; otherwise the shape
    // begins a block of its own.
    const bool intoFirst = blocks_.size() == 1 && blocks_.front().objects.empty() && group->children.items.size() <= 1;
    if (!intoFirst) {
        shape->blockStart = static_cast<int>(blocks_.size());
        blocks_.emplace_back();
    }
    for (auto& o : objects) blocks_.back().objects.push_back(std::move(o));
    if (!textObjects.empty()) {
        box->blockStart = static_cast<int>(blocks_.size());
        blocks_.emplace_back();
        for (auto& o : textObjects) blocks_.back().objects.push_back(std::move(o));
    }
    OfficeArtSpContainer& stored = *shape;
    group->children.items.push_back(std::move(shape));
    // Blocks follow the records that begin them (a block may begin after
    // the group, at a solver container).
    renumberBlocks();
    updateCounts();
    return stored;
}

std::vector<const ObjBase*> MsoDrawing::objects() const
{
    std::vector<const ObjBase*> list;
    for (const DrawingBlock& b : blocks_)
        for (const auto& o : b.objects) list.push_back(o.get());
    return list;
}

const TextObject* MsoDrawing::commentText(std::uint16_t objectId) const
{
    const std::vector<const ObjBase*> list = objects();
    for (std::size_t i = 0; i < list.size(); ++i) {
        auto* obj = dynamic_cast<const Obj*>(list[i]);
        if (!obj || obj->ot != Obj::kComment || obj->id != objectId) continue;
        // The text must be the object that follows.
        return i + 1 < list.size() ? dynamic_cast<const TextObject*>(list[i + 1]) : nullptr;
    }
    return nullptr;
}

bool MsoDrawing::removeComment(std::uint16_t objectId)
{
    if (!pending_.empty()) return false;
    // Block A begins at or before the comment's shape and carries its OBJ
    // first; block B begins at the shape's text box and carries only the TXO.
    std::vector<DrawingBlock*> list;
    for (DrawingBlock& b : blocks_) list.push_back(&b);
    std::size_t a = list.size();
    for (std::size_t i = 0; i + 1 < list.size(); ++i) {
        const auto& objs = list[i]->objects;
        auto* obj = objs.empty() ? nullptr : dynamic_cast<const Obj*>(objs.front().get());
        if (obj && obj->ot == Obj::kComment && obj->id == objectId) {
            a = i;
            break;
        }
    }
    if (a == list.size()) return false;
    const auto& textObjs = list[a + 1]->objects;
    if (textObjs.size() != 1 || !dynamic_cast<const TextObject*>(textObjs.front().get())) return false;

    OfficeArtRecordBase* startA = nullptr;
    OfficeArtClientTextbox* box = nullptr;
    OfficeArtContainerBase* boxParent = nullptr;
    OfficeArtSpContainer* shape = nullptr;
    OfficeArtContainerBase* shapeParent = nullptr;
    walk(records_, nullptr, [&](OfficeArtRecordBase& r, OfficeArtContainerBase* parent) {
        if (r.blockStart == static_cast<int>(a)) startA = &r;
        if (r.blockStart == static_cast<int>(a) + 1) {
            box = dynamic_cast<OfficeArtClientTextbox*>(&r);
            boxParent = parent;
        }
    });
    shape = dynamic_cast<OfficeArtSpContainer*>(boxParent);
    if (!box || !shape) return false;
    walk(records_, nullptr, [&](OfficeArtRecordBase& r, OfficeArtContainerBase* parent) {
        if (&r == shape) shapeParent = parent;
    });
    if (!shapeParent || !startA) return false;
    // Block A goes with the shape when the shape begins it; it must then
    // carry nothing else.
    const bool blockAGoes = startA == shape;
    if (blockAGoes && list[a]->objects.size() != 1) return false;
    if (!blockAGoes) list[a]->objects.erase(list[a]->objects.begin());

    auto& items = shapeParent->children.items;
    items.erase(std::remove_if(items.begin(), items.end(), [&](const auto& p) { return p.get() == shape; }),
                items.end());
    renumberBlocks();
    updateCounts();
    return true;
}

void MsoDrawing::renumber(unsigned drawingId, const std::function<std::uint32_t(std::uint32_t)>& shapeId,
                          const std::function<std::uint16_t(std::uint16_t)>& objectId)
{
    finishRead();
    walk(records_, nullptr, [&](OfficeArtRecordBase& r, OfficeArtContainerBase*) {
        if (auto* fdg = dynamic_cast<OfficeArtFDG*>(&r)) {
            fdg->header.setRecInstance(drawingId);
        } else if (auto* fsp = dynamic_cast<OfficeArtFSP*>(&r)) {
            fsp->spid = shapeId(fsp->spid);
        } else if (auto* c = dynamic_cast<OfficeArtFConnectorRule*>(&r)) {
            c->spidA = shapeId(c->spidA);
            c->spidB = shapeId(c->spidB);
            c->spidC = shapeId(c->spidC);
        } else if (auto* a = dynamic_cast<OfficeArtFArcRule*>(&r)) {
            a->spid = shapeId(a->spid);
        } else if (auto* k = dynamic_cast<OfficeArtFCalloutRule*>(&r)) {
            k->spid = shapeId(k->spid);
        }
    });
    selection.spidFocus = shapeId(selection.spidFocus);
    for (std::uint32_t& id : selection.shapeIds) id = shapeId(id);
    for (DrawingBlock& b : blocks_)
        for (auto& o : b.objects)
            if (auto* obj = dynamic_cast<Obj*>(o.get())) obj->id = objectId(obj->id);
    updateCounts();
}

}  // namespace celvo
