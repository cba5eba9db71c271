// The page-setup block (HEADER, FOOTER, HCENTER, VCENTER, the margins, PLS,
// SETUP) and the sheet-protection block (PROTECT, SCENPROTECT, OBJPROTECT,
// PASSWORD) of a worksheet. Each block is read as one run of consecutive
// records and written as a fixed sequence.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "biff_string.h"
#include "celvo/mempool.h"
#include "globals_protect.h"
#include "sheet_records_base.h"
#include "sheet_records_settings.h"

namespace celvo {

class HCenter : public SheetU16Record {
public:
    static constexpr std::uint16_t kId = 0x0083;
    HCenter() : SheetU16Record(kId, "HCenter", 0) {}
};
class VCenter : public SheetU16Record {
public:
    static constexpr std::uint16_t kId = 0x0084;
    VCenter() : SheetU16Record(kId, "VCenter", 0) {}
};

// LEFTMARGIN, RIGHTMARGIN, TOPMARGIN, BOTTOMMARGIN: one double, in inches.
class Margin : public SheetRecord {
public:
    static constexpr std::uint16_t kLeftId = 0x0026;
    static constexpr std::uint16_t kRightId = 0x0027;
    static constexpr std::uint16_t kTopId = 0x0028;
    static constexpr std::uint16_t kBottomId = 0x0029;

    Margin(std::uint16_t id, double initial) : value(initial), id_(id) {}
    double value;
    bool present = false;  // set by reading or by the sheet; only a set margin is written

    std::uint16_t recordId() const override { return id_; }
    const char* name() const override { return "Margin"; }

protected:
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override { out.f64(value); }

private:
    std::uint16_t id_;
};

// Printer settings: an environment field and opaque bytes that may go on in
// CONTINUE records.
class Pls : public BiffRecord {
public:
    static constexpr std::uint16_t kId = 0x004D;
    std::uint16_t environment = 0;
    std::vector<std::uint8_t> data;
    bool present = false;

    std::uint16_t recordId() const override { return kId; }
    const char* name() const override { return "Pls"; }

protected:
    // Takes in the CONTINUE records that follow.
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override;
};

class Setup : public SheetRecordT<0x00A1> {
public:
    static constexpr std::uint16_t kPortrait = 0x0002;
    static constexpr std::uint16_t kNoPrinterSettings = 0x0004;

    std::uint16_t paperSize = 0;
    std::uint16_t scale = 100;
    std::uint16_t firstPage = 1;
    std::uint16_t fitWidth = 1;
    std::uint16_t fitHeight = 1;
    std::uint16_t options = kPortrait | kNoPrinterSettings;
    std::uint16_t hResolution = 0;
    std::uint16_t vResolution = 0;
    double headerMargin = 0.5;
    double footerMargin = 0.5;
    std::uint16_t copies = 0;

    const char* name() const override { return "Setup"; }

protected:
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override;
};

// HEADER and FOOTER: a string, or no data at all for an empty one.
class HeaderFooter : public SheetRecord {
public:
    // The longest header or footer text the format allows.
    static constexpr std::size_t kMaxChars = 255;

    XLUnicodeString text;  // in the book's pool
    bool biff5 = false;    // 8-bit characters after a 1-byte count

    std::uint16_t recordId() const override { return id_; }
    const char* name() const override { return name_; }
    bool empty() const noexcept;
    // Refuses more than 255 characters with "string is too long".
    void assign(u16view s);

protected:
    HeaderFooter(std::uint16_t id, const char* name, MemPool& pool) : id_(id), name_(name), pool_(&pool) {}
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override;

private:
    std::uint16_t id_;
    const char* name_;
    MemPool* pool_;
};
class Header : public HeaderFooter {
public:
    static constexpr std::uint16_t kId = 0x0014;
    explicit Header(MemPool& pool) : HeaderFooter(kId, "Header", pool) {}
};
class Footer : public HeaderFooter {
public:
    static constexpr std::uint16_t kId = 0x0015;
    explicit Footer(MemPool& pool) : HeaderFooter(kId, "Footer", pool) {}
};

class PageSetup {
public:
    Header header;
    Footer footer;
    HCenter hCenter;
    VCenter vCenter;
    Margin left{Margin::kLeftId, 0.75};
    Margin right{Margin::kRightId, 0.75};
    Margin top{Margin::kTopId, 1.0};
    Margin bottom{Margin::kBottomId, 1.0};
    Pls pls;
    Setup setup;

    // Header and footer texts are kept in the book's pool.
    explicit PageSetup(MemPool& pool, bool biff5 = false);

    static bool isBlockRecord(std::uint16_t id) noexcept;
    // Reads the record in hand and every directly following page-setup
    // record; the stream is left at the first record of another kind.
    // Started on a record that is not a page-setup record it throws
    // "error in PageSetup".
    void read(BiffInput& in, RecordCursor& first);
    // HEADER, FOOTER, HCENTER, VCENTER, the set margins, PLS when present,
    // SETUP.
    void write(BiffOutput& out) const;

    // The sheet's print settings. Paper size, scale and orientation count
    // only while SETUP's no-printer-settings bit is clear; setting one clears it.
    int paper() const noexcept;
    void setPaper(std::uint16_t size) noexcept;
    int printZoom() const noexcept;
    void setPrintZoom(std::uint16_t percent) noexcept;
    bool landscape() const noexcept;
    void setLandscape(bool on) noexcept;

private:
    void readOne(RecordCursor& rec);
};

// OBJPROTECT and SCENPROTECT: a 16-bit flag; bytes after it are skipped.
class ObjProtect : public SheetU16Record {
public:
    static constexpr std::uint16_t kId = 0x0063;
    ObjProtect() : SheetU16Record(kId, "ObjProtect", 0) {}

protected:
    void readBody(RecordCursor& in) override { readLeading(in); }
};
class ScenProtect : public SheetU16Record {
public:
    static constexpr std::uint16_t kId = 0x00DD;
    ScenProtect() : SheetU16Record(kId, "ScenProtect", 0) {}

protected:
    void readBody(RecordCursor& in) override { readLeading(in); }
};

class SheetProtection {
public:
    bool hasProtect = false;
    bool hasScenProtect = false;
    bool hasObjProtect = false;
    bool hasPassword = false;
    Protect protect;
    ScenProtect scenProtect;
    ObjProtect objProtect;
    Password password;

    static bool isBlockRecord(std::uint16_t id) noexcept;
    // Reads the record in hand and every directly following protection record.
    void read(BiffInput& in, RecordCursor& first);
    // PROTECT, SCENPROTECT, OBJPROTECT, PASSWORD, each when present.
    void write(BiffOutput& out) const;

    bool isProtected() const noexcept { return hasProtect && protect.value != 0; }
    void setProtected(bool on) noexcept;

private:
    void readOne(RecordCursor& rec);
};

}  // namespace celvo
