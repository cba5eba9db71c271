#include "drawing_ids.h"

#include <algorithm>
#include <map>
#include <set>

#include "book.h"
#include "sheet.h"

namespace celvo {

namespace {

constexpr std::uint32_t kClusterSize = 1024;
// Shape ids stay below the largest the format allows.
constexpr std::uint32_t kMaxShapeId = 0x03FFD7FF;

template <class F>
void forEachDrawing(BookImplT& book, F&& f)
{
    for (const auto& sheet : book.sheetList())
        if (!sheet->drawing().empty()) f(sheet->drawing(), *sheet);
}

}  // namespace

unsigned DrawingIds::newDrawingId()
{
    unsigned last = 0;
    forEachDrawing(*book_, [&](MsoDrawing& d, SheetImplT&) { last = std::max(last, d.drawingId()); });
    if (const OfficeArtFDGGBlock* fdgg = book_->drawingGroup().fdgg())
        if (!fdgg->absent)
            for (const auto& c : fdgg->clusters) last = std::max<unsigned>(last, std::min<std::uint32_t>(c.dgid, 0xFFF));
    if (last >= 0xFFF) throw xlerror("too many drawings in the workbook");
    edited_ = true;
    return last + 1;
}

std::uint32_t DrawingIds::newShapeId(MsoDrawing& drawing)
{
    const unsigned dgid = drawing.drawingId();
    // Clusters in use: by this drawing, and by every other one.
    std::set<std::uint32_t> mine, others;
    std::uint32_t highest = 0, mineHighest = 0;
    forEachDrawing(*book_, [&](MsoDrawing& d, SheetImplT&) {
        for (std::uint32_t spid : d.shapeIds()) {
            highest = std::max(highest, spid);
            if (&d == &drawing) {
                mine.insert(spid / kClusterSize);
                mineHighest = std::max(mineHighest, spid);
            } else {
                others.insert(spid / kClusterSize);
            }
        }
    });
    if (const OfficeArtFDGGBlock* fdgg = book_->drawingGroup().fdgg()) {
        if (!fdgg->absent) {
            for (std::size_t i = 0; i < fdgg->clusters.size(); ++i) {
                const std::uint32_t cluster = static_cast<std::uint32_t>(i + 1);
                if (fdgg->clusters[i].dgid != 0 && fdgg->clusters[i].dgid != dgid) others.insert(cluster);
                if (fdgg->clusters[i].dgid != 0) highest = std::max(highest, cluster * kClusterSize);
            }
        }
    }
    std::uint32_t candidate = mineHighest + 1;
    const std::uint32_t cluster = candidate / kClusterSize;
    if (mine.empty() || candidate % kClusterSize == 0 || others.count(cluster) || !mine.count(cluster)) {
        // A fresh cluster above every id in use.
        candidate = (highest / kClusterSize + 1) * kClusterSize;
        if (candidate == 0) candidate = kClusterSize;
    }
    if (candidate > kMaxShapeId) throw xlerror("too many shapes in the workbook");
    edited_ = true;
    return candidate;
}

std::uint16_t DrawingIds::newObjectId()
{
    std::set<std::uint16_t> used;
    forEachDrawing(*book_, [&](MsoDrawing& d, SheetImplT&) {
        for (const ObjBase* o : d.objects())
            if (auto* obj = dynamic_cast<const Obj*>(o)) used.insert(obj->id);
    });
    for (const auto& sheet : book_->sheetList())
        for (const Note& n : sheet->notes()) used.insert(n.objId);
    used.erase(0);
    std::uint16_t id = used.empty() ? 1 : static_cast<std::uint16_t>(*used.rbegin() + 1);
    if (id == 0) {
        // Past the largest id: the first one free.
        id = 1;
        for (std::uint16_t u : used) {
            if (u != id) break;
            ++id;
        }
        if (id == 0) throw xlerror("too many drawing objects in the workbook");
    }
    edited_ = true;
    return id;
}

void DrawingIds::renumberCopy(SheetImplT& copy)
{
    MsoDrawing& drawing = copy.drawing();
    if (drawing.empty() || drawing.drawingId() == 0) return;
    const unsigned dgid = newDrawingId();
    // Shape ids: clusters above every id the book uses, in file order.
    std::uint32_t highest = 0;
    forEachDrawing(*book_, [&](MsoDrawing& d, SheetImplT&) {
        for (std::uint32_t spid : d.shapeIds()) highest = std::max(highest, spid);
    });
    if (const OfficeArtFDGGBlock* fdgg = book_->drawingGroup().fdgg())
        if (!fdgg->absent) highest = std::max<std::uint32_t>(highest, static_cast<std::uint32_t>(fdgg->clusters.size()) * kClusterSize);
    std::map<std::uint32_t, std::uint32_t> shapes;
    std::uint32_t next = (highest / kClusterSize + 1) * kClusterSize;
    for (std::uint32_t spid : drawing.shapeIds())
        if (shapes.emplace(spid, next).second) ++next;
    if (next > kMaxShapeId) throw xlerror("too many shapes in the workbook");
    // Object ids: above every id the book uses.
    std::map<std::uint16_t, std::uint16_t> objects;
    std::uint32_t nextObject = newObjectId();
    for (const ObjBase* o : drawing.objects())
        if (auto* obj = dynamic_cast<const Obj*>(o))
            if (objects.emplace(obj->id, static_cast<std::uint16_t>(nextObject)).second) ++nextObject;
    if (nextObject > 0x10000) throw xlerror("too many drawing objects in the workbook");

    drawing.renumber(
        dgid,
        [&](std::uint32_t id) {
            auto it = shapes.find(id);
            return it == shapes.end() ? id : it->second;
        },
        [&](std::uint16_t id) {
            auto it = objects.find(id);
            return it == objects.end() ? id : it->second;
        });
    for (Note& note : copy.notes()) {
        auto it = objects.find(note.objId);
        if (!note.biff5 && it != objects.end()) note.objId = it->second;
    }
    edited_ = true;
}

void DrawingIds::updateDrawingGroup()
{
    if (!edited_) return;
    OfficeArtFDGGBlock* fdgg = book_->drawingGroup().fdgg();
    std::uint32_t spidMax = 0, shapes = 0, drawings = 0;
    // Clusters of the sheets' drawings; those of drawings the book keeps
    // elsewhere (inside charts) stay as they were.
    std::vector<OfficeArtFDGGBlock::Cluster> clusters;
    if (fdgg && !fdgg->absent) clusters = fdgg->clusters;
    std::set<unsigned> sheetDrawings;
    forEachDrawing(*book_, [&](MsoDrawing& d, SheetImplT&) {
        const unsigned dgid = d.drawingId();
        if (dgid != 0) sheetDrawings.insert(dgid);
    });
    for (auto& c : clusters)
        if (sheetDrawings.count(c.dgid)) c = OfficeArtFDGGBlock::Cluster();
    forEachDrawing(*book_, [&](MsoDrawing& d, SheetImplT&) {
        d.updateCounts();
        const unsigned dgid = d.drawingId();
        if (dgid == 0) return;
        ++drawings;
        for (std::uint32_t spid : d.shapeIds()) {
            ++shapes;
            spidMax = std::max(spidMax, spid);
            const std::uint32_t c = spid / kClusterSize;
            if (c == 0) continue;
            if (clusters.size() < c) clusters.resize(c);
            clusters[c - 1].dgid = dgid;
            clusters[c - 1].cspidCur = std::max(clusters[c - 1].cspidCur, spid % kClusterSize + 1);
        }
    });
    if (!fdgg || fdgg->absent || drawings == 0) return;
    fdgg->spidMax = std::max(fdgg->spidMax, spidMax + 1);
    fdgg->clusters = clusters;
    fdgg->cidcl = static_cast<std::uint32_t>(clusters.size() + 1);
    fdgg->cspSaved = std::max(fdgg->cspSaved, shapes);
    fdgg->cdgSaved = std::max(fdgg->cdgSaved, drawings);
    book_->drawingGroup().recomputeLength = 1;
}

}  // namespace celvo
