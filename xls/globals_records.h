// The workbook-globals records that the .xls book models. Each reads its
// fields from a cursor bounded by the record's length: a field that does not
// fit, or a length outside the record's accepted set, throws "<Name> size is
// incorrect". Each writes its data for BiffRecord::write.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "biff_stream.h"
#include "raw_record.h"
#include "biff_string.h"
#include "globals_protect.h"
#include "celvo/mempool.h"

namespace celvo {

// Refuses data that one record cannot hold ("record is too long"), for the
// records that the format never continues.
void requireOneRecord(const ByteWriter& body);

// A record of one u16 value and exactly 2 bytes of data.
class WordRecord : public BiffRecord {
public:
    WordRecord(std::uint16_t id, const char* name, std::uint16_t initial) noexcept
        : value(initial), id_(id), name_(name), default_(initial) {}
    std::uint16_t recordId() const override { return id_; }
    const char* name() const override { return name_; }
    void reset() noexcept { value = default_; }

    std::uint16_t value;

protected:
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override { out.u16(value); }

private:
    std::uint16_t id_;
    const char* name_;
    std::uint16_t default_;
};

struct CodePage : WordRecord { CodePage() : WordRecord(0x0042, "CodePage", 1200) {} };
struct DSF : WordRecord { DSF() : WordRecord(0x0161, "DSF", 0) {} };
struct BuiltInFnGroupCount : WordRecord {
    BuiltInFnGroupCount() : WordRecord(0x009C, "BuiltInFnGroupCount", 14) {}
};
struct Backup : WordRecord { Backup() : WordRecord(0x0040, "Backup", 0) {} };
struct HideObj : WordRecord { HideObj() : WordRecord(0x008D, "HideObj", 0) {} };
struct Date1904 : WordRecord { Date1904() : WordRecord(0x0022, "Date1904", 0) {} };
struct CalcPrecision : WordRecord { CalcPrecision() : WordRecord(0x000E, "CalcPrecision", 1) {} };
struct RefreshAll : WordRecord { RefreshAll() : WordRecord(0x01B7, "RefreshAll", 0) {} };
struct BookBool : WordRecord { BookBool() : WordRecord(0x00DA, "BookBool", 0) {} };
struct UsesELFs : WordRecord { UsesELFs() : WordRecord(0x0160, "UsesELFs", 0) {} };

// INTERFACEHDR: length 0 (nothing read) or 2 (the code page).
struct InterfaceHdr : BiffRecord {
    static constexpr std::uint16_t kId = 0x00E1;
    std::uint16_t cv = 1200;
    std::uint16_t recordId() const override { return kId; }
    const char* name() const override { return "InterfaceHdr"; }

protected:
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override { out.u16(cv); }
};

struct Mms : BiffRecord {
    static constexpr std::uint16_t kId = 0x00C1;
    std::uint8_t caitm = 0, cditm = 0;
    std::uint16_t recordId() const override { return kId; }
    const char* name() const override { return "Mms"; }

protected:
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override;
};

// RRTABID: any even length; length 0 keeps the list.
struct RRTabId : BiffRecord {
    static constexpr std::uint16_t kId = 0x013D;
    std::vector<std::uint16_t> ids{1};
    std::uint16_t recordId() const override { return kId; }
    const char* name() const override { return "RRTabId"; }

protected:
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override;
};

struct Window1 : BiffRecord {
    static constexpr std::uint16_t kId = 0x003D;
    std::uint16_t xWn = 0, yWn = 15, dxWn = 16155, dyWn = 10230, grbit = 0x0038;
    std::uint16_t itabCur = 0, itabFirst = 0, ctabSel = 1, wTabRatio = 600;
    std::uint16_t recordId() const override { return kId; }
    const char* name() const override { return "Window1"; }

protected:
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override;
};

struct Country : BiffRecord {
    static constexpr std::uint16_t kId = 0x008C;
    std::uint16_t iCountryDef = 1, iCountryWinIni = 1;
    std::uint16_t recordId() const override { return kId; }
    const char* name() const override { return "Country"; }

protected:
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override;
};

// Read and kept; the globals writer does not write it back.
struct RecalcId : BiffRecord {
    static constexpr std::uint16_t kId = 0x01C1;
    std::uint16_t rt = 0x01C1, reserved = 0;
    std::uint32_t dwBuild = 114210;
    std::uint16_t recordId() const override { return kId; }
    const char* name() const override { return "RecalcId"; }

protected:
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override;
};

// Read and kept; not written back. Length 20 to 22 and equal to cb.
struct BookExt : BiffRecord {
    static constexpr std::uint16_t kId = 0x0863;
    std::uint16_t rt = 0x0863, grbitFrt = 0;
    std::array<std::uint8_t, 8> reserved{};
    std::uint32_t cb = 21, grbit = 0;
    std::uint8_t grbit1 = 0x9E, grbit2 = 0;
    std::uint16_t recordId() const override { return kId; }
    const char* name() const override { return "BookExt"; }

protected:
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override;
};

// Read and kept; not written back.
struct ExtSST : BiffRecord {
    static constexpr std::uint16_t kId = 0x00FF;
    struct Entry { std::uint32_t ib; std::uint16_t cbOffset, reserved; };
    std::uint16_t dsst = 0;
    std::vector<Entry> entries;
    std::uint16_t recordId() const override { return kId; }
    const char* name() const override { return "ExtSST"; }

protected:
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override;
};

// WRITEACCESS: 112 bytes kept as they are. A shorter record replaces the
// front of the field; bytes beyond 112 are left unread.
struct WriteAccess : BiffRecord {
    static constexpr std::uint16_t kId = 0x005C;
    static constexpr std::size_t kSize = 112;
    std::array<std::uint8_t, kSize> bytes{};
    WriteAccess() { reset(); }
    void reset();
    std::uint16_t recordId() const override { return kId; }
    const char* name() const override { return "WriteAccess"; }

protected:
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override { out.bytes(bytes.data(), bytes.size()); }
};

// Records with texts: the characters go into the book's pool, set before
// reading, and older (BIFF5) files lay the texts out without option byte
// and, for some, with a 1-byte count (oldFormat).
struct TextRecord : BiffRecord {
    MemPool* pool = nullptr;
    bool oldFormat = false;

protected:
    MemPool& textPool() const;
};

// BOUNDSHEET8: one entry per sheet.
struct BoundSheet8 : TextRecord {
    static constexpr std::uint16_t kId = 0x0085;
    std::uint32_t lbPlyPos = 0;
    std::uint8_t hsState = 0;  // low two bits: 0 visible, 1 hidden, 2 very hidden
    std::uint8_t dt = 0;       // sheet type
    ShortXLUnicodeString sheetName;
    std::uint16_t recordId() const override { return kId; }
    const char* name() const override { return "BoundSheet8"; }

protected:
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override;
};

// FORMAT: a number-format id and its text.
struct Format : TextRecord {
    static constexpr std::uint16_t kId = 0x041E;
    std::uint16_t ifmt = 0;
    XLUnicodeString text;  // no text when text.text is null
    std::uint16_t recordId() const override { return kId; }
    const char* name() const override { return "Format"; }

protected:
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override;
};

// STYLE: built-in (bit 15 of ixfe) with its id and level, or named.
struct Style : TextRecord {
    static constexpr std::uint16_t kId = 0x0293;
    std::uint16_t ixfe = 0x8010;
    std::uint8_t istyBuiltIn = 4, iLevel = 0xFF;
    XLUnicodeString styleName;  // custom styles only
    bool builtIn() const noexcept { return (ixfe & 0x8000) != 0; }
    std::uint16_t recordId() const override { return kId; }
    const char* name() const override { return "Style"; }

protected:
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override;
};

// NAME: a defined name with its formula bytes.
struct Lbl : TextRecord {
    static constexpr std::uint16_t kId = 0x0018;
    std::uint16_t grbit = 0;
    std::uint8_t chKey = 0;
    std::uint16_t reserved1 = 0;
    std::uint16_t itab = 0;  // 1-based sheet of a sheet-scoped name, 0 book-wide
    std::array<std::uint8_t, 4> reserved2{};
    XLUnicodeStringNoCch text;
    std::vector<std::uint8_t> formula;  // cce bytes of tokens
    std::vector<std::uint8_t> extra;    // the bytes after the tokens
    std::uint16_t recordId() const override { return kId; }
    const char* name() const override { return "Lbl"; }

protected:
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override;
};

// A supporting-link block: the SUPBOOK record, the records kept with it
// (EXTERNNAME, XCT, CRN and further SUPBOOK records), its EXTERNSHEET with
// the CONTINUE records of that, and CONTINUE records that follow the block.
struct SupBook {
    static constexpr std::uint16_t kId = 0x01AE;
    static constexpr std::uint16_t kExternSheetId = 0x0017;
    RawRecord supBook;
    std::vector<RawRecord> records;
    bool hasXti = false;
    ExternSheet externSheet;
    std::vector<RawRecord> continues;

    // The book's own sheets: 4 bytes of data, a sheet count and 0x0401.
    bool isSelfReference() const noexcept;

    // rec is the SUPBOOK record just taken from in; the records of the block
    // that follow it are taken too, up to the first record of another kind.
    void read(RecordCursor& rec, BiffInput& in);
    void write(BiffOutput& out) const;
};

}  // namespace celvo
