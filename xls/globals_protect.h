// Small records of the workbook globals: the beginning-of-file record, the
// workbook protection group and EXTERNSHEET, the table of sheet ranges that
// 3-D references point into. Password verifiers are carried as read (a new
// book writes 0); the engine does not compute them.
#pragma once

#include <cstdint>
#include <vector>

#include "biff_stream.h"

namespace celvo {

// BOF: version, substream type, build, build year, file history, lowest
// BIFF version. A shorter record (such as the 8-byte BIFF5 one) is read up
// to where it ends; the other fields keep their values.
class Bof : public BiffRecord {
public:
    static constexpr std::uint16_t kId = 0x0809;
    static constexpr std::uint16_t kGlobals = 0x0005;
    static constexpr std::uint16_t kWorksheet = 0x0010;
    static constexpr std::uint16_t kChart = 0x0020;
    static constexpr std::uint16_t kMacroSheet = 0x0040;

    std::uint16_t version = 0x0600;
    std::uint16_t type = kGlobals;
    std::uint16_t build = 0x18D3;
    std::uint16_t year = 0x07CD;
    std::uint32_t history = 1;
    std::uint32_t lowestVersion = 6;

    void reset() { *this = Bof(); }
    std::uint16_t recordId() const override { return kId; }
    const char* name() const override { return "Bof"; }

protected:
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override;
};

// A record of exactly one u16.
class U16Record : public BiffRecord {
public:
    std::uint16_t value = 0;

protected:
    void readBody(RecordCursor& in) override
    {
        // Some writers pad these records; bytes past the value are ignored.
        if (in.length() < 2) in.fail();
        value = in.u16();
    }
    void writeBody(ByteWriter& out) const override { out.u16(value); }
};

// PROTECT: the workbook's structure is protected (1) or not (0).
class Protect : public U16Record {
public:
    static constexpr std::uint16_t kId = 0x0012;
    std::uint16_t recordId() const override { return kId; }
    const char* name() const override { return "Protect"; }
};

// WINPROTECT: the workbook's windows are protected.
class WinProtect : public U16Record {
public:
    static constexpr std::uint16_t kId = 0x0019;
    std::uint16_t recordId() const override { return kId; }
    const char* name() const override { return "WinProtect"; }
};

// PASSWORD: the 16-bit verifier of the workbook password.
class Password : public U16Record {
public:
    static constexpr std::uint16_t kId = 0x0013;
    std::uint16_t recordId() const override { return kId; }
    const char* name() const override { return "Password"; }
};

// PROT4REV: the shared workbook's revision log is protected.
class Prot4Rev : public U16Record {
public:
    static constexpr std::uint16_t kId = 0x01AF;
    void reset() { value = 0; }
    std::uint16_t recordId() const override { return kId; }
    const char* name() const override { return "Prot4Rev"; }
};

// PROT4REVPASS: the verifier of the shared workbook's password.
class Prot4RevPass : public U16Record {
public:
    static constexpr std::uint16_t kId = 0x01BC;
    std::uint16_t recordId() const override { return kId; }
    const char* name() const override { return "Prot4RevPass"; }
};

// One sheet range of EXTERNSHEET: the SUPBOOK it belongs to and its first and
// last sheet (-1 for a deleted sheet).
struct Xti {
    std::uint16_t supBook = 0;
    std::int16_t firstSheet = 0;
    std::int16_t lastSheet = 0;
    bool operator==(const Xti& o) const
    {
        return supBook == o.supBook && firstSheet == o.firstSheet && lastSheet == o.lastSheet;
    }
};

// EXTERNSHEET: a count, then 6-byte entries that go on in CONTINUE records
// (an entry is never split when written; a reader accepts a split between
// fields). The count written is the number of entries.
class ExternSheet : public BiffRecord {
public:
    static constexpr std::uint16_t kId = 0x0017;
    std::vector<Xti> entries;

    std::size_t count() const noexcept { return entries.size(); }
    std::uint16_t recordId() const override { return kId; }
    const char* name() const override { return "ExternSheet"; }
    // More than 65535 entries throws.
    std::size_t write(BiffOutput& out) const override;

protected:
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override;
};

}  // namespace celvo
