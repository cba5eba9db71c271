#include "drawing_anchors.h"

#include <set>
#include <vector>

namespace drawing {

namespace {

// Offsets the format allows (ST_Coordinate).
constexpr long long kLargestOffset = 27273042316900LL;

// The drawing ids of the objects of one anchor's object, groups included.
void collectIds(const c_EG_ObjectChoices& object, std::set<unsigned>& ids);

void collectId(const c_CT_NonVisualDrawingProps* p, std::set<unsigned>& ids)
{
    if (p && p->id.present) ids.insert(p->id.value);
}

void collectGroup(const c_CT_GroupShape& group, std::set<unsigned>& ids)
{
    // Groups nest: walk them with a list of our own rather than by recursion.
    std::vector<const c_CT_GroupShape*> todo{&group};
    while (!todo.empty()) {
        const c_CT_GroupShape* g = todo.back();
        todo.pop_back();
        if (g->nvGrpSpPr.has()) collectId(g->nvGrpSpPr.peek()->cNvPr.peek(), ids);
        for (const nimb::c_choice& item : g->anon_sp) {
            const nimb::c_binding* o = item.object();
            if (!o) continue;
            switch (item.which()) {
            case 0: collectId(static_cast<const c_CT_Shape*>(o)->nvSpPr.peek()->cNvPr.peek(), ids); break;
            case 1: todo.push_back(static_cast<const c_CT_GroupShape*>(o)); break;
            case 2:
                collectId(static_cast<const c_CT_GraphicalObjectFrame*>(o)->nvGraphicFramePr.peek()->cNvPr.peek(), ids);
                break;
            case 3: collectId(static_cast<const c_CT_Connector*>(o)->nvCxnSpPr.peek()->cNvPr.peek(), ids); break;
            case 4: collectId(static_cast<const c_CT_Picture*>(o)->nvPicPr.peek()->cNvPr.peek(), ids); break;
            default: break;
            }
        }
    }
}

void collectIds(const c_EG_ObjectChoices& object, std::set<unsigned>& ids)
{
    if (const c_CT_Shape* s = object.find_sp()) collectId(s->nvSpPr.peek()->cNvPr.peek(), ids);
    if (const c_CT_GroupShape* g = object.find_grpSp()) collectGroup(*g, ids);
    if (const c_CT_GraphicalObjectFrame* f = object.find_graphicFrame())
        collectId(f->nvGraphicFramePr.peek()->cNvPr.peek(), ids);
    if (const c_CT_Connector* c = object.find_cxnSp()) collectId(c->nvCxnSpPr.peek()->cNvPr.peek(), ids);
    if (const c_CT_Picture* p = object.find_pic()) collectId(p->nvPicPr.peek()->cNvPr.peek(), ids);
}

const c_EG_ObjectChoices* objectOf(const c_EG_Anchor& item)
{
    if (const c_CT_TwoCellAnchor* a = item.find_twoCellAnchor()) return a->object.peek();
    if (const c_CT_OneCellAnchor* a = item.find_oneCellAnchor()) return a->object.peek();
    if (const c_CT_AbsoluteAnchor* a = item.find_absoluteAnchor()) return a->object.peek();
    return nullptr;
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
    for (std::size_t i = 0; i < drawing.anchors.size(); ++i)
        if (const c_EG_ObjectChoices* o = objectOf(*drawing.anchors.at(i))) collectIds(*o, ids);
    if (n + 1 <= 4000000000ULL && !ids.count(static_cast<unsigned>(n + 1))) return static_cast<unsigned>(n + 1);
    return ids.empty() ? 1u : *ids.rbegin() + 1u;
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
