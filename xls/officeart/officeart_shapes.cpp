#include "officeart_shapes.h"

namespace celvo {

namespace {

void readRect(ByteReader& in, OfficeArtRect& r)
{
    r.xLeft = in.i32();
    r.yTop = in.i32();
    r.xRight = in.i32();
    r.yBottom = in.i32();
}

void writeRect(ArtWriter& out, const OfficeArtRect& r)
{
    std::size_t start = out.size();
    out.u32(static_cast<std::uint32_t>(r.xLeft));
    out.u32(static_cast<std::uint32_t>(r.yTop));
    out.u32(static_cast<std::uint32_t>(r.xRight));
    out.u32(static_cast<std::uint32_t>(r.yBottom));
    out.endUnit(start);
}

}  // namespace

OfficeArtFOPTEOPID::OfficeArtFOPTEOPID(unsigned id, bool fBid, bool fComplex)
{
    if (id >= 0x4000) throw xlerror("error in OfficeArtFOPTEOPID");
    word_ = static_cast<std::uint16_t>(id | (fBid ? 0x4000u : 0u) | (fComplex ? 0x8000u : 0u));
}

std::size_t OfficeArtRGFOPTE::addComplexProperty(const OfficeArtFOPTE& entry, const std::vector<std::uint8_t>& data)
{
    entries.push_back(entry);
    complex.insert(complex.end(), data.begin(), data.end());
    return 6 + data.size();
}

const OfficeArtFOPTE* OfficeArtRGFOPTE::find(unsigned opid) const
{
    for (const auto& e : entries)
        if ((e.opid & 0x3FFFu) == opid) return &e;
    return nullptr;
}

void OfficeArtFDG::readFields(ByteReader& in, const OfficeArtReadContext&)
{
    csp = in.u32();
    spidCur = in.u32();
}

void OfficeArtFDG::writeFields(ArtWriter& out) const
{
    std::size_t start = out.size();
    out.u32(csp);
    out.u32(spidCur);
    out.endUnit(start);
}

void OfficeArtFSPGR::readFields(ByteReader& in, const OfficeArtReadContext&) { readRect(in, rect); }
void OfficeArtFSPGR::writeFields(ArtWriter& out) const { writeRect(out, rect); }
void OfficeArtChildAnchor::readFields(ByteReader& in, const OfficeArtReadContext&) { readRect(in, rect); }
void OfficeArtChildAnchor::writeFields(ArtWriter& out) const { writeRect(out, rect); }

void OfficeArtFSP::readFields(ByteReader& in, const OfficeArtReadContext&)
{
    spid = in.u32();
    flags = in.u32();
}

void OfficeArtFSP::writeFields(ArtWriter& out) const
{
    std::size_t start = out.size();
    out.u32(spid);
    out.u32(flags);
    out.endUnit(start);
}

void OfficeArtClientAnchorSheet::readFields(ByteReader& in, const OfficeArtReadContext&)
{
    flags = in.u16();
    for (std::uint16_t* f : {&colL, &dxL, &rwT, &dyT, &colR, &dxR, &rwB, &dyB}) *f = in.u16();
}

void OfficeArtClientAnchorSheet::writeFields(ArtWriter& out) const
{
    std::size_t start = out.size();
    out.u16(flags);
    for (std::uint16_t f : {colL, dxL, rwT, dyT, colR, dxR, rwB, dyB}) out.u16(f);
    out.endUnit(start);
}

void OfficeArtFConnectorRule::readFields(ByteReader& in, const OfficeArtReadContext&)
{
    for (std::uint32_t* f : {&ruid, &spidA, &spidB, &spidC, &cptiA, &cptiB}) *f = in.u32();
}

void OfficeArtFConnectorRule::writeFields(ArtWriter& out) const
{
    std::size_t start = out.size();
    for (std::uint32_t f : {ruid, spidA, spidB, spidC, cptiA, cptiB}) out.u32(f);
    out.endUnit(start);
}

void OfficeArtFRITContainer::readFields(ByteReader& in, const OfficeArtReadContext&)
{
    std::size_t n = header.recInstance();
    if (4 * n > in.remaining()) fail();
    entries.resize(n);
    for (auto& e : entries) {
        e.fridNew = in.u16();
        e.fridOld = in.u16();
    }
}

void OfficeArtFRITContainer::writeFields(ArtWriter& out) const
{
    for (const auto& e : entries) {
        std::size_t start = out.size();
        out.u16(e.fridNew);
        out.u16(e.fridOld);
        out.endUnit(start);
    }
}

void OfficeArtFDGSL::readFields(ByteReader& in, const OfficeArtReadContext&)
{
    cpsp = in.u32();
    dgslk = in.u32();
    spidFocus = in.u32();
    shapeIds.resize(in.remaining() / 4);
    for (auto& id : shapeIds) id = in.u32();
}

void OfficeArtFDGSL::writeFields(ArtWriter& out) const
{
    std::size_t start = out.size();
    out.u32(cpsp);
    out.u32(dgslk);
    out.u32(spidFocus);
    out.endUnit(start);
    for (std::uint32_t id : shapeIds) {
        start = out.size();
        out.u32(id);
        out.endUnit(start);
    }
}

bool OfficeArtSpContainer::isPicture() const
{
    if (absent) return false;
    const OfficeArtFSP* sp = fsp();
    if (!sp || !(sp->flags & OfficeArtFSP::kHaveAnchor)) return false;
    const OfficeArtFOPT* table = opt();
    if (!table) return false;
    const OfficeArtFOPTE* pib = table->rgfopte.find(0x0104);
    return pib && static_cast<std::int32_t>(pib->op) >= 0;
}

}  // namespace celvo
