// The default colour palette of a spreadsheet book, as red << 16 | green << 8
// | blue: palette indexes 8 to 63 name these 56 colours in order. Indexes 0
// to 7 are the eight fixed colours, the first eight entries again.
#pragma once

#include <cstddef>
#include <cstdint>

namespace celvo {

inline constexpr std::size_t kPaletteEntries = 56;
inline constexpr int kFirstPaletteIndex = 8;

inline constexpr std::uint32_t kDefaultPaletteRgb[kPaletteEntries] = {
    0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF,
    0x800000, 0x008000, 0x000080, 0x808000, 0x800080, 0x008080, 0xC0C0C0, 0x808080,
    0x9999FF, 0x993366, 0xFFFFCC, 0xCCFFFF, 0x660066, 0xFF8080, 0x0066CC, 0xCCCCFF,
    0x000080, 0xFF00FF, 0xFFFF00, 0x00FFFF, 0x800080, 0x800000, 0x008080, 0x0000FF,
    0x00CCFF, 0xCCFFFF, 0xCCFFCC, 0xFFFF99, 0x99CCFF, 0xFF99CC, 0xCC99FF, 0xFFCC99,
    0x3366FF, 0x33CCCC, 0x99CC00, 0xFFCC00, 0xFF9900, 0xFF6600, 0x666699, 0x969696,
    0x003366, 0x339966, 0x003300, 0x333300, 0x993300, 0x993366, 0x333399, 0x333333,
};

// The colour of a palette index from 0 to 63 as red << 16 | green << 8 |
// blue; -1 for any other index.
inline int defaultPaletteColor(int index) noexcept
{
    if (index >= 0 && index < kFirstPaletteIndex) return static_cast<int>(kDefaultPaletteRgb[index]);
    if (index >= kFirstPaletteIndex && index < kFirstPaletteIndex + static_cast<int>(kPaletteEntries))
        return static_cast<int>(kDefaultPaletteRgb[index - kFirstPaletteIndex]);
    return -1;
}

}  // namespace celvo
