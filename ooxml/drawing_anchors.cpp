#include "drawing_anchors.h"

#include <set>
#include <vector>

namespace drawing {

namespace {

// Offsets the format allows (ST_Coordinate).
constexpr long long kLargestOffset = 27273042316900LL;

const c_EG_ObjectChoices* objectOf(const c_EG_Anchor& item)
{
    if (const c_CT_TwoCellAnchor* a = item.find_twoCellAnchor()) return a->object.peek();
    if (const c_CT_OneCellAnchor* a = item.find_oneCellAnchor()) return a->object.peek();
    if (const c_CT_AbsoluteAnchor* a = item.find_absoluteAnchor()) return a->object.peek();
    return nullptr;
}

// The properties holding the id of each kind of object, or null.
c_CT_NonVisualDrawingProps* propsOf(const c_CT_Shape& o) { return o.nvSpPr.has() ? o.nvSpPr.peek()->cNvPr.peek() : nullptr; }
c_CT_NonVisualDrawingProps* propsOf(const c_CT_GroupShape& o)
{
    return o.nvGrpSpPr.has() ? o.nvGrpSpPr.peek()->cNvPr.peek() : nullptr;
}
c_CT_NonVisualDrawingProps* propsOf(const c_CT_GraphicalObjectFrame& o)
{
    return o.nvGraphicFramePr.has() ? o.nvGraphicFramePr.peek()->cNvPr.peek() : nullptr;
}
c_CT_NonVisualDrawingProps* propsOf(const c_CT_Connector& o)
{
    return o.nvCxnSpPr.has() ? o.nvCxnSpPr.peek()->cNvPr.peek() : nullptr;
}
c_CT_NonVisualDrawingProps* propsOf(const c_CT_Picture& o) { return o.nvPicPr.has() ? o.nvPicPr.peek()->cNvPr.peek() : nullptr; }

// Calls f with the properties of every object of the drawing that has them,
// in document order, the objects inside groups included. Groups nest: they
// are walked with a list of our own rather than by recursion.
template <class F>
void forEachObject(const c_CT_Drawing& drawing, F&& f)
{
    auto visit = [&f](c_CT_NonVisualDrawingProps* p) {
        if (p) f(*p);
    };
    std::vector<std::pair<const c_CT_GroupShape*, std::size_t>> groups;
    auto enter = [&](const c_CT_GroupShape& g) {
        visit(propsOf(g));
        groups.emplace_back(&g, 0);
        while (!groups.empty()) {
            const c_CT_GroupShape* top = groups.back().first;
            const std::size_t i = groups.back().second++;
            if (i >= top->anon_sp.size()) {
                groups.pop_back();
                continue;
            }
            const nimb::c_choice& item = top->anon_sp[i];
            const nimb::c_binding* o = item.object();
            if (!o) continue;
            switch (item.which()) {
            case 0: visit(propsOf(*static_cast<const c_CT_Shape*>(o))); break;
            case 1: {
                const auto* inner = static_cast<const c_CT_GroupShape*>(o);
                visit(propsOf(*inner));
                groups.emplace_back(inner, 0);
                break;
            }
            case 2: visit(propsOf(*static_cast<const c_CT_GraphicalObjectFrame*>(o))); break;
            case 3: visit(propsOf(*static_cast<const c_CT_Connector*>(o))); break;
            case 4: visit(propsOf(*static_cast<const c_CT_Picture*>(o))); break;
            default: break;
            }
        }
    };
    for (std::size_t i = 0; i < drawing.anchors.size(); ++i) {
        const c_EG_ObjectChoices* object = objectOf(*drawing.anchors.at(i));
        if (!object) continue;
        if (const c_CT_Shape* s = object->find_sp()) visit(propsOf(*s));
        if (const c_CT_GroupShape* g = object->find_grpSp()) enter(*g);
        if (const c_CT_GraphicalObjectFrame* fr = object->find_graphicFrame()) visit(propsOf(*fr));
        if (const c_CT_Connector* c = object->find_cxnSp()) visit(propsOf(*c));
        if (const c_CT_Picture* p = object->find_pic()) visit(propsOf(*p));
    }
}

// An id no object has yet, marked as taken: one more than the largest, or
// the smallest free one when the largest is the last there is.
unsigned takeFreeId(std::set<unsigned>& ids)
{
    unsigned id = ids.empty() ? 1u : *ids.rbegin() + 1u;
    if (id == 0)
        for (id = 1; ids.count(id); ++id) {
        }
    ids.insert(id);
    return id;
}

// The id of a new picture: one more than the number in its image's
// relationship id, as other writers do, unless an object of the drawing
// has that id already; then one more than the largest id there is.
unsigned newPictureId(const c_CT_Drawing& drawing, const std::u16string& digits)
{
    unsigned long long n = 0;
    for (char16_t c : digits) {
        n = n * 10 + static_cast<unsigned>(c - u'0');
        if (n > 4000000000ULL) break;
    }
    if (digits.empty()) n = 1;
    std::set<unsigned> ids;
    forEachObject(drawing, [&ids](const c_CT_NonVisualDrawingProps& p) {
        if (p.id.present) ids.insert(p.id.value);
    });
    if (n + 1 <= 4000000000ULL && !ids.count(static_cast<unsigned>(n + 1))) return static_cast<unsigned>(n + 1);
    return takeFreeId(ids);
}

bool inSheet(const PictureCells& c)
{
    return c.colFrom <= kLastColumn && c.colTo <= kLastColumn && c.rowFrom <= kLastRow && c.rowTo <= kLastRow &&
           c.colFrom <= c.colTo && c.rowFrom <= c.rowTo;
}

c_CT_Marker marker(std::uint32_t col, long long colOff, std::uint32_t row, long long rowOff)
{
    c_CT_Marker m;
    m.set_col(col);
    m.set_colOff(colOff);
    m.set_row(row);
    m.set_rowOff(rowOff);
    return m;
}

}  // namespace

const c_CT_TwoCellAnchor* pictureAnchor(const c_EG_Anchor& item)
{
    const c_CT_TwoCellAnchor* a = item.find_twoCellAnchor();
    if (!a || !a->object.has() || !a->object.peek()->find_pic()) return nullptr;
    return a;
}

const c_CT_Picture* anchoredPicture(const c_EG_Anchor& item)
{
    const c_CT_TwoCellAnchor* a = pictureAnchor(item);
    return a ? a->object.peek()->find_pic() : nullptr;
}

bool pictureCells(const c_CT_TwoCellAnchor& anchor, PictureCells& out)
{
    const c_CT_Marker* from = anchor.from.peek();
    const c_CT_Marker* to = anchor.to.peek();
    if (!from || !to) return false;
    for (const c_CT_Marker* m : {from, to})
        if (!m->col.present || !m->row.present || !m->colOff.present || !m->rowOff.present) return false;
    PictureCells c;
    c.colFrom = from->col.value;
    c.rowFrom = from->row.value;
    c.colTo = to->col.value;
    c.rowTo = to->row.value;
    c.colOffFrom = from->colOff.value;
    c.rowOffFrom = from->rowOff.value;
    c.colOffTo = to->colOff.value;
    c.rowOffTo = to->rowOff.value;
    if (!inSheet(c)) return false;
    out = c;
    return true;
}

std::u16string pictureImageId(const c_CT_Picture& picture)
{
    const c_CT_BlipFillProperties* fill = picture.blipFill.peek();
    if (!fill || !fill->has_blip()) return std::u16string();
    const c_CT_Blip* blip = fill->blip.peek();
    return blip->embed.present ? blip->embed.value : std::u16string();
}

int renumberRepeatedIds(c_CT_Drawing& drawing)
{
    std::set<unsigned> ids;
    std::vector<c_CT_NonVisualDrawingProps*> repeated;
    forEachObject(drawing, [&](c_CT_NonVisualDrawingProps& p) {
        if (p.id.present && !ids.insert(p.id.value).second) repeated.push_back(&p);
    });
    for (c_CT_NonVisualDrawingProps* p : repeated) p->set_id(takeFreeId(ids));
    return static_cast<int>(repeated.size());
}

bool addPictureAnchor(c_CT_Drawing& drawing, const PictureCells& cells, const std::u16string& imageId)
{
    if (!inSheet(cells)) return false;
    for (long long off : {cells.colOffFrom, cells.rowOffFrom, cells.colOffTo, cells.rowOffTo})
        if (off < 0 || off > kLargestOffset) return false;

    c_CT_TwoCellAnchor anchor;
    anchor.set_editAs(u"oneCell");
    anchor.set_from(marker(cells.colFrom, cells.colOffFrom, cells.rowFrom, cells.rowOffFrom));
    anchor.set_to(marker(cells.colTo, cells.colOffTo, cells.rowTo, cells.rowOffTo));

    std::u16string digits;
    for (char16_t c : imageId)
        if (c >= u'0' && c <= u'9') digits += c;
    c_CT_Picture picture;
    c_CT_NonVisualDrawingProps props;
    props.set_id(newPictureId(drawing, digits));
    props.set_name(u"Picture " + digits);
    picture.get_nvPicPr()->set_cNvPr(props);
    c_CT_PictureLocking locks;
    locks.set_noChangeAspect(true);
    picture.get_nvPicPr()->get_cNvPicPr()->set_picLocks(locks);

    c_CT_Blip blip;
    blip.set_embed(imageId);
    c_CT_BlipFillProperties* fill = picture.get_blipFill();
    fill->set_blip(blip);
    fill->get_srcRect();
    fill->get_fillMode()->select_stretch()->get_fillRect();

    c_CT_Transform2D xfrm;
    xfrm.get_off()->set_x(685800);
    xfrm.get_off()->set_y(904875);
    xfrm.get_ext()->set_cx(1219370);
    xfrm.get_ext()->set_cy(1219370);
    c_CT_ShapeProperties* shape = picture.get_spPr();
    shape->set_xfrm(xfrm);
    c_CT_PresetGeometry2D rect;
    rect.set_prst(u"rect");
    rect.get_avLst();
    shape->get_geometry()->set_prstGeom(rect);

    anchor.get_object()->set_pic(picture);
    drawing.anchors.append()->set_twoCellAnchor(anchor);
    return true;
}

}  // namespace drawing
