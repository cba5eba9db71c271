#include "palette.h"

#include <algorithm>

#include "celvo/palette.h"
#include "celvo/xlerror.h"
#include "globals_records.h"

namespace celvo {

namespace {
const auto& kDefaultRgb = kDefaultPaletteRgb;
static_assert(kPaletteEntries == Palette::kEntries);
}  // namespace

const std::array<PaletteEntry, Palette::kEntries>& Palette::defaults()
{
    static const auto table = [] {
        std::array<PaletteEntry, kEntries> t{};
        for (std::size_t i = 0; i < kEntries; ++i)
            t[i] = PaletteEntry(static_cast<std::uint8_t>(kDefaultRgb[i] >> 16),
                                static_cast<std::uint8_t>(kDefaultRgb[i] >> 8),
                                static_cast<std::uint8_t>(kDefaultRgb[i]));
        return t;
    }();
    return table;
}

Palette::Palette() : entries_(defaults().begin(), defaults().end()) {}

int Palette::allocColor(int red, int green, int blue)
{
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const PaletteEntry& e = entries_[i];
        if (e.red == red && e.green == green && e.blue == blue) {
            if (i < kEntries) used_[i] = true;
            return kFirstIndex + static_cast<int>(i);
        }
    }
    const std::size_t slots = std::min(kEntries, entries_.size());
    for (std::size_t i = 0; i < slots; ++i) {
        if (!used_[i]) {
            entries_[i] = PaletteEntry(static_cast<std::uint8_t>(red), static_cast<std::uint8_t>(green),
                                       static_cast<std::uint8_t>(blue));
            used_[i] = true;
            return kFirstIndex + static_cast<int>(i);
        }
    }
    throw xlerror("no free color index, limit is reached for xls format");
}

void Palette::unpackColor(int index, int* red, int* green, int* blue) const
{
    const long long pos = static_cast<long long>(index) - kFirstIndex;
    if (pos < 0 || pos >= static_cast<long long>(entries_.size())) throw xlerror("invalid vector<T> subscript");
    const PaletteEntry& e = entries_[static_cast<std::size_t>(pos)];
    if (red) *red = e.red;
    if (green) *green = e.green;
    if (blue) *blue = e.blue;
}

void Palette::read(RecordCursor& in)
{
    in.setName("Palette");
    const auto count = static_cast<std::int16_t>(in.u16());
    const std::size_t n = count > 0 ? static_cast<std::size_t>(count) : 0;
    if (in.length() < 2 || in.length() != 2 + 4 * n) in.fail();
    if (n == 0) return;
    std::vector<PaletteEntry> entries(n);
    for (auto& e : entries) {
        e.red = in.u8();
        e.green = in.u8();
        e.blue = in.u8();
        e.reserved = in.u8();
    }
    for (std::size_t i = entries.size(); i < kEntries; ++i) entries.push_back(defaults()[i]);
    entries_ = std::move(entries);
}

void Palette::write(BiffOutput& out) const
{
    ByteWriter body;
    body.u16(static_cast<std::uint16_t>(entries_.size()));
    for (const auto& e : entries_)
        body.u32(static_cast<std::uint32_t>(e.red) | (static_cast<std::uint32_t>(e.green) << 8) |
                 (static_cast<std::uint32_t>(e.blue) << 16) | (static_cast<std::uint32_t>(e.reserved) << 24));
    requireOneRecord(body);
    out.writeRecord(kId, body.buffer());
}

}  // namespace celvo
