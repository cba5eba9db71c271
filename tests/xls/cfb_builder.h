// Builds compound documents laid out the way other programs lay them out
// (4096-byte sectors, DIFAT sectors, scattered chains, a mini stream), and
// broken ones, for the container tests.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "xls.h"
#include "xls_test_util.h"

namespace celvo::test {

class CfbBuilder {
public:
    explicit CfbBuilder(unsigned shift = 9) : ss(1u << shift)
    {
        header.sectorShift = static_cast<std::uint16_t>(shift);
        if (shift == 12) header.majorVersion = 4;
        dir.emplace_back(u"Root Entry", DirEntry::kRoot, kFreeSector);
    }

    const std::uint32_t ss;
    Xls::Header header;
    std::vector<Bytes> sectors;
    std::vector<std::uint32_t> fat;
    std::vector<DirEntry> dir;
    Bytes miniStream;
    std::vector<std::uint32_t> miniFat;
    unsigned minFatSectors = 1;
    unsigned stride = 1;  // a chain takes every stride-th new sector; the gaps stay free

    // Sector indexes of the FAT and DIFAT sectors after build().
    std::uint32_t firstFatSector = 0, firstDifatSector = 0;

    // The data in a chain of new sectors; returns its first sector.
    std::uint32_t addChain(const Bytes& data)
    {
        std::uint32_t first = kEndOfChain, prev = kEndOfChain;
        for (std::size_t at = 0; at < data.size(); at += ss) {
            for (unsigned g = 1; g < stride && prev != kEndOfChain; ++g) newSector({});
            std::uint32_t s = newSector(Bytes(data.begin() + at, data.begin() + std::min<std::size_t>(at + ss, data.size())));
            if (prev == kEndOfChain) first = s; else fat[prev] = s;
            fat[s] = kEndOfChain;
            prev = s;
        }
        return first;
    }
    // The data in a chain of new mini-sectors (scattered with the stride too).
    std::uint32_t addMini(const Bytes& data)
    {
        std::uint32_t first = kEndOfChain, prev = kEndOfChain;
        for (std::size_t at = 0; at < data.size(); at += 64) {
            for (unsigned g = 1; g < stride && prev != kEndOfChain; ++g) newMini({});
            std::uint32_t m = newMini(Bytes(data.begin() + at, data.begin() + std::min<std::size_t>(at + 64, data.size())));
            if (prev == kEndOfChain) first = m; else miniFat[prev] = m;
            miniFat[m] = kEndOfChain;
            prev = m;
        }
        return first;
    }
    // A stream entry below the root (joined to the root's tree as the right
    // sibling of the last one); returns its index.
    std::size_t addStream(u16view name, const Bytes& data, bool mini = false, bool belowRoot = true)
    {
        DirEntry e(name, DirEntry::kStream, kFreeSector);
        e.startSector = data.empty() ? kEndOfChain : (mini ? addMini(data) : addChain(data));
        e.size = data.size();
        return addEntry(e, belowRoot);
    }
    std::size_t addEntry(const DirEntry& e, bool belowRoot = true)
    {
        dir.push_back(e);
        std::uint32_t i = static_cast<std::uint32_t>(dir.size() - 1);
        if (belowRoot) {
            if (lastRootChild_ == 0) dir[0].child = i; else dir[lastRootChild_].right = i;
            lastRootChild_ = i;
        }
        return i;
    }

    Bytes build()
    {
        if (!miniStream.empty()) {
            dir[0].startSector = addChain(miniStream);
            dir[0].size = miniStream.size();
        }
        Bytes dirBytes;
        {
            ByteWriter w;
            for (const auto& e : dir) e.write(w);
            dirBytes = w.buffer();
            dirBytes.resize((dirBytes.size() + ss - 1) / ss * ss, 0);
        }
        header.firstDirSector = addChain(dirBytes);
        if (!miniFat.empty()) {
            ByteWriter w;
            for (auto v : miniFat) w.u32(v);
            header.firstMiniFatSector = addChain(w.buffer());
            header.numMiniFatSectors = static_cast<std::uint32_t>((miniFat.size() * 4 + ss - 1) / ss);
        }
        const std::uint32_t per = ss / 4;
        const std::uint32_t content = static_cast<std::uint32_t>(sectors.size());
        std::uint32_t f = minFatSectors, x = 0;
        for (;; ++f) {
            x = f <= 109 ? 0 : (f - 109 + per - 2) / (per - 1);
            if (content + f + x <= f * per) break;
        }
        firstDifatSector = content;
        firstFatSector = content + x;
        for (std::uint32_t i = 0; i < x; ++i) markSector(content + i, kDifatSector);
        for (std::uint32_t i = 0; i < f; ++i) markSector(firstFatSector + i, kFatSector);
        fat.resize(f * per, kFreeSector);

        header.numFatSectors = f;
        header.numDifatSectors = x;
        header.firstDifatSector = x ? firstDifatSector : kEndOfChain;
        std::fill(std::begin(header.difat), std::end(header.difat), kFreeSector);
        for (std::uint32_t i = 0; i < std::min<std::uint32_t>(f, 109); ++i) header.difat[i] = firstFatSector + i;
        for (std::uint32_t k = 0; k < x; ++k) {
            ByteWriter w;
            for (std::uint32_t i = 0; i < per - 1; ++i) {
                std::uint32_t n = 109 + k * (per - 1) + i;
                w.u32(n < f ? firstFatSector + n : kFreeSector);
            }
            w.u32(k + 1 < x ? firstDifatSector + k + 1 : kEndOfChain);
            sectors[firstDifatSector + k] = w.buffer();
        }
        for (std::uint32_t i = 0; i < f; ++i) {
            ByteWriter w;
            for (std::uint32_t j = 0; j < per; ++j) w.u32(fat[i * per + j]);
            sectors[firstFatSector + i] = w.buffer();
        }
        ByteWriter out;
        header.write(out);
        out.zeros(ss - 512);
        for (const auto& s : sectors) {
            out.bytes(s);
            out.zeros(ss - s.size());
        }
        return out.buffer();
    }

private:
    std::uint32_t newSector(Bytes data)
    {
        sectors.push_back(std::move(data));
        fat.resize(sectors.size(), kFreeSector);
        return static_cast<std::uint32_t>(sectors.size() - 1);
    }
    std::uint32_t newMini(const Bytes& data)
    {
        std::uint32_t m = static_cast<std::uint32_t>(miniStream.size() / 64);
        miniStream.insert(miniStream.end(), data.begin(), data.end());
        miniStream.resize((m + 1) * 64, 0);
        miniFat.resize(m + 1, kFreeSector);
        return m;
    }
    void markSector(std::uint32_t s, std::uint32_t mark)
    {
        if (sectors.size() <= s) sectors.resize(s + 1);
        if (fat.size() <= s) fat.resize(s + 1, kFreeSector);
        fat[s] = mark;
    }

    std::uint32_t lastRootChild_ = 0;
};

// Bytes counting up, so that a misplaced sector shows.
inline Bytes pattern(std::size_t n, unsigned seed = 1)
{
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>((i * 7 + seed + i / 251) & 0xFF);
    return b;
}

}  // namespace celvo::test
