#include "sheet_records_pagesetup.h"

namespace celvo {

// ---- records --------------------------------------------------------------

void Margin::readBody(RecordCursor& in)
{
    in.requireLength(8);
    value = in.f64();
    present = true;
}

void Pls::readBody(RecordCursor& in)
{
    requireAtLeast(in, 2);
    environment = in.u16();
    data = in.rest();
    while (in.tryContinue()) {
        std::vector<std::uint8_t> more = in.rest();
        data.insert(data.end(), more.begin(), more.end());
    }
    present = true;
}

void Pls::writeBody(ByteWriter& out) const
{
    out.u16(environment);
    out.bytes(data);
}

void Setup::readBody(RecordCursor& in)
{
    in.requireLength(34);
    paperSize = in.u16();
    scale = in.u16();
    firstPage = in.u16();
    fitWidth = in.u16();
    fitHeight = in.u16();
    options = in.u16();
    hResolution = in.u16();
    vResolution = in.u16();
    headerMargin = in.f64();
    footerMargin = in.f64();
    copies = in.u16();
}

void Setup::writeBody(ByteWriter& out) const
{
    for (auto v : {paperSize, scale, firstPage, fitWidth, fitHeight, options, hResolution, vResolution}) out.u16(v);
    out.f64(headerMargin);
    out.f64(footerMargin);
    out.u16(copies);
}

void HeaderFooter::readBody(RecordCursor& in)
{
    text.clear();
    if (in.length() == 0) return;
    if (!biff5 && in.length() == 2) {
        // Some writers end an empty text after its count, without the option byte.
        if (in.u16() != 0) in.fail();
        return;
    }
    // BIFF5: a 1-byte count and 8-bit characters.
    text.read(in, *pool_, biff5, biff5);
    if (!in.atEnd()) in.fail();
}

void HeaderFooter::writeBody(ByteWriter& out) const
{
    if (!empty()) text.write(out);
}

bool HeaderFooter::empty() const noexcept { return text.count == 0; }

void HeaderFooter::assign(u16view s)
{
    if (s.size() > kMaxChars) throw xlerror("string is too long");
    std::u16string terminated(s);
    text.assign(terminated.c_str(), *pool_);
}

// ---- page-setup block -----------------------------------------------------

PageSetup::PageSetup(MemPool& pool, bool biff5) : header(pool), footer(pool)
{
    header.biff5 = biff5;
    footer.biff5 = biff5;
}

bool PageSetup::isBlockRecord(std::uint16_t id) noexcept
{
    switch (id) {
        case Header::kId:
        case Footer::kId:
        case HCenter::kId:
        case VCenter::kId:
        case Margin::kLeftId:
        case Margin::kRightId:
        case Margin::kTopId:
        case Margin::kBottomId:
        case Pls::kId:
        case Setup::kId:
            return true;
        default:
            return false;
    }
}

void PageSetup::readOne(RecordCursor& rec)
{
    switch (rec.id()) {
        case Header::kId: header.read(rec); break;
        case Footer::kId: footer.read(rec); break;
        case HCenter::kId: hCenter.read(rec); break;
        case VCenter::kId: vCenter.read(rec); break;
        case Margin::kLeftId: left.read(rec); break;
        case Margin::kRightId: right.read(rec); break;
        case Margin::kTopId: top.read(rec); break;
        case Margin::kBottomId: bottom.read(rec); break;
        case Pls::kId: pls.read(rec); break;
        case Setup::kId: setup.read(rec); break;
        default: throw xlerror("error in PageSetup");
    }
}

void PageSetup::read(BiffInput& in, RecordCursor& first)
{
    readRecordRun(in, first, isBlockRecord, [this](RecordCursor& rec) { readOne(rec); });
}

void PageSetup::write(BiffOutput& out) const
{
    header.write(out);
    footer.write(out);
    hCenter.write(out);
    vCenter.write(out);
    for (const Margin* m : {&left, &right, &top, &bottom})
        if (m->present) m->write(out);
    if (pls.present) pls.write(out);
    setup.write(out);
}

int PageSetup::paper() const noexcept
{
    return (setup.options & Setup::kNoPrinterSettings) ? 0 : setup.paperSize;
}

void PageSetup::setPaper(std::uint16_t size) noexcept
{
    setup.paperSize = size;
    setup.options &= static_cast<std::uint16_t>(~Setup::kNoPrinterSettings);
}

int PageSetup::printZoom() const noexcept
{
    return (setup.options & Setup::kNoPrinterSettings) ? 100 : setup.scale;
}

void PageSetup::setPrintZoom(std::uint16_t percent) noexcept
{
    setup.scale = percent;
    setup.options &= static_cast<std::uint16_t>(~Setup::kNoPrinterSettings);
}

bool PageSetup::landscape() const noexcept
{
    if (setup.options & Setup::kNoPrinterSettings) return false;
    return (setup.options & Setup::kPortrait) == 0;
}

void PageSetup::setLandscape(bool on) noexcept
{
    if (on)
        setup.options &= static_cast<std::uint16_t>(~Setup::kPortrait);
    else
        setup.options |= Setup::kPortrait;
    setup.options &= static_cast<std::uint16_t>(~Setup::kNoPrinterSettings);
}

// ---- protection block -----------------------------------------------------

bool SheetProtection::isBlockRecord(std::uint16_t id) noexcept
{
    return id == Protect::kId || id == Password::kId || id == ObjProtect::kId || id == ScenProtect::kId;
}

void SheetProtection::readOne(RecordCursor& rec)
{
    switch (rec.id()) {
        case Protect::kId:
            protect.read(rec);
            hasProtect = true;
            break;
        case Password::kId:
            password.read(rec);
            hasPassword = true;
            break;
        case ObjProtect::kId:
            objProtect.read(rec);
            hasObjProtect = true;
            break;
        case ScenProtect::kId:
            scenProtect.read(rec);
            hasScenProtect = true;
            break;
        default:
            throw xlerror("error in SheetProtection");
    }
}

void SheetProtection::read(BiffInput& in, RecordCursor& first)
{
    readRecordRun(in, first, isBlockRecord, [this](RecordCursor& rec) { readOne(rec); });
}

void SheetProtection::write(BiffOutput& out) const
{
    if (hasProtect) protect.write(out);
    if (hasScenProtect) scenProtect.write(out);
    if (hasObjProtect) objProtect.write(out);
    if (hasPassword) password.write(out);
}

void SheetProtection::setProtected(bool on) noexcept
{
    if (hasProtect) {
        protect.value = on ? 1 : 0;
    } else if (on) {
        hasProtect = true;
        protect.value = 1;
    }
}

}  // namespace celvo
