// The colour palette of a .xls book: indexes 8 to 63 name its 56 entries.
// Colours asked for by red, green and blue take an equal entry or overwrite
// an entry that nobody has asked for yet.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "biff_stream.h"

namespace celvo {

struct PaletteEntry {
    std::uint8_t red = 0, green = 0, blue = 0, reserved = 0;
    PaletteEntry() = default;
    PaletteEntry(std::uint8_t r, std::uint8_t g, std::uint8_t b) : red(r), green(g), blue(b) {}
};

class Palette {
public:
    static constexpr std::uint16_t kId = 0x0092;
    static constexpr int kFirstIndex = 8;
    static constexpr std::size_t kEntries = 56;

    Palette();

    // The palette index of the colour; throws "no free color index, limit is
    // reached for xls format" when all 56 entries are handed out.
    int allocColor(int red, int green, int blue);
    // Throws "invalid vector<T> subscript" for an index outside the entries.
    void unpackColor(int index, int* red, int* green, int* blue) const;

    // PALETTE record: a length other than 2 + 4 x count throws "Palette size
    // is incorrect" before anything is changed. A palette shorter than 56
    // entries is completed with the default colours.
    void read(RecordCursor& in);
    void write(BiffOutput& out) const;

    const std::vector<PaletteEntry>& entries() const noexcept { return entries_; }
    static const std::array<PaletteEntry, kEntries>& defaults();

private:
    std::vector<PaletteEntry> entries_;
    std::array<bool, kEntries> used_{};
};

}  // namespace celvo
