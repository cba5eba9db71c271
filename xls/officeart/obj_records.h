// The BIFF records that follow the MSODRAWING records of a sheet drawing:
// OBJ with its sub-records, TXO with its text and formatting runs, CONTINUE
// records and embedded chart substreams.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "biff_stream.h"

namespace celvo {

class ObjBase {
public:
    virtual ~ObjBase() = default;
    // `rec` is the record just met (its header consumed); records that
    // belong to this object are taken from `in`. Returns the bytes read.
    virtual std::size_t read(RecordCursor& rec, BiffInput& in) = 0;
    // Writes the record(s) with their headers; returns the bytes written.
    virtual std::size_t write(BiffOutput& out) const = 0;
    virtual std::unique_ptr<ObjBase> clone() const = 0;
};

// OBJ (0x005D): FtCmo, then the sub-records in file order, then FtEnd.
class Obj : public ObjBase {
public:
    static constexpr std::uint16_t kId = 0x005D;
    enum : std::uint16_t { kGroup = 0, kPicture = 8, kCheckBox = 11, kRadio = 12, kEdit = 13, kList = 18,
                           kGroupBox = 19, kDropDown = 20, kComment = 25 };
    struct SubRecord {
        std::uint16_t ft = 0;
        std::uint16_t cb = 0;
        std::vector<std::uint8_t> data;
    };

    // A new picture object: ot 8, the next id of the process-wide counter,
    // FtCf (0xFFFF) and FtPioGrbit (1), FtEnd.
    Obj();
    Obj(const Obj&) = default;
    Obj& operator=(const Obj&) = default;

    std::size_t read(RecordCursor& rec, BiffInput& in) override;
    std::size_t write(BiffOutput& out) const override;
    std::unique_ptr<ObjBase> clone() const override { return std::make_unique<Obj>(*this); }
    // The record's data length.
    std::size_t dataSize() const;

    const SubRecord* find(std::uint16_t ft) const;
    SubRecord* find(std::uint16_t ft);
    // Adds or replaces a sub-record (kept in file order after FtCmo).
    void setSubRecord(std::uint16_t ft, std::vector<std::uint8_t> data);

    // FtCmo.
    std::uint16_t cmoFt = 0x15;
    std::uint16_t cmoCb = 0x12;
    std::uint16_t ot = kPicture;
    std::uint16_t id = 0;
    std::uint16_t grbit = 0x6011;
    std::uint8_t cmoReserved[12] = {};

    std::vector<SubRecord> subRecords;
    // A comment object without FtNts; a record that ends before FtEnd.
    bool noteDataMissing = false;
    bool endMissing = false;
    std::uint32_t end = 0;
    // Bytes after FtEnd, kept as read.
    std::vector<std::uint8_t> tail;
};

// TXO (0x01B6) with the CONTINUE records of its text and its runs.
class TextObject : public ObjBase {
public:
    static constexpr std::uint16_t kId = 0x01B6;
    struct Run {
        std::uint16_t ich = 0;
        std::uint16_t ifnt = 0;
        std::uint32_t reserved = 0;
    };

    TextObject() = default;
    std::size_t read(RecordCursor& rec, BiffInput& in) override;
    std::size_t write(BiffOutput& out) const override;
    std::unique_ptr<ObjBase> clone() const override { return std::make_unique<TextObject>(*this); }

    // Replaces the text: one run with font 5 and the closing run (no runs
    // for an empty text).
    void setText(const std::u16string& text);
    const std::u16string& text() const noexcept { return text_; }

    std::uint16_t grbit = 0x0212;
    std::uint16_t rot = 0;
    std::uint16_t reserved1 = 0;
    std::uint32_t reserved2 = 0;
    std::uint16_t cchText = 0;
    std::uint16_t cbRuns = 0;
    std::uint16_t ifntEmpty = 0;
    std::vector<std::uint8_t> formula;   // the ObjFmla's bytes after its length
    std::vector<std::uint8_t> tail;      // bytes of the TXO after the formula
    // Formatting runs, the closing run (cchText, 0, 0) included.
    std::vector<Run> runs;

private:
    std::u16string text_;
    // How the text and the runs were cut into CONTINUE records when read.
    struct TextPiece {
        std::size_t chars;
        bool wide;
    };
    std::vector<TextPiece> textPieces_;
    std::vector<std::size_t> runPieces_;
};

// A CONTINUE record kept whole.
class ContinueRec : public ObjBase {
public:
    std::size_t read(RecordCursor& rec, BiffInput& in) override;
    std::size_t write(BiffOutput& out) const override;
    std::unique_ptr<ObjBase> clone() const override { return std::make_unique<ContinueRec>(*this); }
    std::vector<std::uint8_t> bytes;
};

// An embedded chart substream, BOF (0x0809) to its EOF, kept record for record.
class ChartSheet : public ObjBase {
public:
    struct Record {
        std::uint16_t id = 0;
        std::vector<std::uint8_t> data;
    };
    std::size_t read(RecordCursor& rec, BiffInput& in) override;
    std::size_t write(BiffOutput& out) const override;
    std::unique_ptr<ObjBase> clone() const override { return std::make_unique<ChartSheet>(*this); }
    std::vector<Record> records;
};

}  // namespace celvo
