#include "globals_protect.h"

namespace celvo {

// ---------------------------------------------------------------------- Bof

void Bof::readBody(RecordCursor& in)
{
    if (in.length() > 16) in.fail();
    // Each field is read while the record goes on; a field cut by the end
    // of the record fails.
    version = in.u16();
    if (in.atEnd()) return;
    type = in.u16();
    if (in.atEnd()) return;
    build = in.u16();
    if (in.atEnd()) return;
    year = in.u16();
    if (in.atEnd()) return;
    history = in.u32();
    if (in.atEnd()) return;
    lowestVersion = in.u32();
}

void Bof::writeBody(ByteWriter& out) const
{
    out.u16(version);
    out.u16(type);
    out.u16(build);
    out.u16(year);
    out.u32(history);
    out.u32(lowestVersion);
}

// -------------------------------------------------------------- ExternSheet

namespace {

// One XTI field: a CONTINUE may start between fields, never inside one.
std::uint16_t xtiField(RecordCursor& in)
{
    if (in.atEnd()) in.enterContinue("error in XTI");
    if (in.remaining() < 2) throw xlerror("error in XTI");
    return in.u16();
}

}  // namespace

void ExternSheet::readBody(RecordCursor& in)
{
    if (in.remaining() < 2) throw xlerror("error in record ExternSheet");
    const std::uint16_t n = in.u16();
    // Six bytes an entry must still be in the stream.
    if (std::size_t(n) * 6 > in.streamLeft()) throw xlerror("error in XTI");
    entries.assign(n, Xti());
    for (auto& e : entries) {
        e.supBook = xtiField(in);
        e.firstSheet = static_cast<std::int16_t>(xtiField(in));
        e.lastSheet = static_cast<std::int16_t>(xtiField(in));
    }
}

void ExternSheet::writeBody(ByteWriter& out) const
{
    out.u16(static_cast<std::uint16_t>(entries.size()));
    for (const auto& e : entries) {
        out.u16(e.supBook);
        out.u16(static_cast<std::uint16_t>(e.firstSheet));
        out.u16(static_cast<std::uint16_t>(e.lastSheet));
    }
}

std::size_t ExternSheet::write(BiffOutput& out) const
{
    if (entries.size() > 0xFFFF) throw xlerror("ExternSheet has more than 65535 entries");
    RecordWriter w(out, kId);
    w.u16(static_cast<std::uint16_t>(entries.size()));
    for (const auto& e : entries) {
        w.ensure(6);
        w.u16(e.supBook);
        w.u16(static_cast<std::uint16_t>(e.firstSheet));
        w.u16(static_cast<std::uint16_t>(e.lastSheet));
    }
    return w.finish();
}

}  // namespace celvo
