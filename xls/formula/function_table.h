// The built-in function table of .xls formulas: function names, their
// function numbers, which arguments are taken as references, and the fixed
// argument count of functions that have one.
#pragma once

#include <array>
#include <cstdint>
#include <map>

#include "celvo/text.h"

namespace celvo {

struct FunctionInfo {
    std::uint16_t id = 255;   // 255: no such function
    std::uint32_t refMask = 0;  // bit k: argument k is taken as a reference
};

class FunctionTable {
public:
    static constexpr std::uint16_t kNoFunction = 255;
    static constexpr std::uint16_t kMaxId = 379;

    struct Row {
        std::uint16_t id = 0;
        std::uint32_t refMask = 0;
        std::uint8_t fixedCount = 0;  // 0: the count varies, or there are no arguments
    };

    // Builds every row; throws xlerror when the table data is inconsistent.
    FunctionTable();

    // The table every book shares: it never changes once built.
    static const FunctionTable& builtIn();

    // Exact (case-sensitive) look-ups: the names are upper case.
    std::uint16_t idByName(u16view name) const;
    FunctionInfo infoByName(u16view name) const;
    const Row* rowByName(u16view name) const;
    // "?" and a count of 0 for a number that is not in the table.
    u16string nameById(std::uint16_t id, std::uint8_t* fixedCount = nullptr) const;

    // Rows in name order.
    const std::map<u16string, Row, std::less<>>& rows() const noexcept { return rows_; }

private:
    std::map<u16string, Row, std::less<>> rows_;
    std::array<const std::pair<const u16string, Row>*, kMaxId + 1> byId_{};
};

}  // namespace celvo
