// The BIFF8 record stream of a .xls workbook: records read through a cursor
// bounded by the record's length, and records written with their length
// computed and CONTINUE records opened where the data needs them.
//
// How a record class uses it
// --------------------------
// Reading. The record loop takes one record at a time from a BiffInput:
//
//     while (!in.eof()) {
//         RecordCursor rec = in.next();          // header read, data bounded
//         switch (rec.id()) {
//         case Font::kId: font.read(rec); break; // see BiffRecord::read
//         ...
//         }
//     }
//
// A record class reads its fields from the cursor (u16(), u32(), bytes(), ...).
// A field that would cross the end of the record throws "<Name> size is
// incorrect", where <Name> is the record class's name(); the cursor can never
// run into the next record. Data that carries on in CONTINUE (0x003C) records
// is reached only through enterContinue() / readInt16() / readInt32(), which
// check the id of the record that follows. Bytes a reader leaves unread are
// skipped by the next in.next(), so the stream always stays in step.
//
// Writing. A record class implements writeBody(ByteWriter&) with its fields;
// BiffRecord::write puts the header with the computed length in front and
// opens CONTINUE records when the data is longer than 8224 bytes. A record
// whose continuation rules are its own (never split an entry, an option byte
// at the start of each CONTINUE, ...) overrides write() and uses a
// RecordWriter, which patches every length it opened when it is finished.
//
// In-memory streams. BiffInput works on the bytes of a "Workbook" stream and
// BiffOutput produces them, so record code and its tests need no compound
// document; Xls (xls.h) wraps them in one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "celvo/bytes.h"

namespace celvo {

constexpr std::uint16_t kContinueId = 0x003C;
// Longest data of one record; a record written in pieces is opened with this
// length and so is every CONTINUE record such a writer starts.
constexpr std::size_t kMaxRecordData = 8224;

class RecordCursor;
class CodePageText;

// Reads the records of a workbook stream held in memory.
class BiffInput {
public:
    BiffInput() = default;
    explicit BiffInput(std::vector<std::uint8_t> stream) : data_(std::move(stream)) {}

    void assign(std::vector<std::uint8_t> stream);
    const std::vector<std::uint8_t>& bytes() const noexcept { return data_; }

    // True when no complete record header is left.
    bool eof() const noexcept { return data_.size() - pos_ < 4; }
    // Offset of the next record header inside the stream.
    std::size_t position() const noexcept { return pos_; }
    // Moves to a record header (an offset from position() or a stream offset
    // such as a sheet's BOF); beyond the end throws.
    void seek(std::size_t offset);

    // The id of the next record without consuming it; 0 when eof().
    std::uint16_t peekRecordId() const noexcept;
    // Reads the next record header and gives a cursor over its data. A record
    // whose data runs past the end of the stream throws.
    inline RecordCursor next();

    // Look-ahead: remember where the next record starts and come back to it.
    std::size_t savePosition() const noexcept { return pos_; }
    void restorePosition(std::size_t saved) { seek(saved); }

    // The code page of the 8-bit texts read from here on (a BIFF5 book's);
    // none: they are the low bytes of UTF-16 units.
    void setCodePageText(std::shared_ptr<CodePageText> texts) noexcept { codePageText_ = std::move(texts); }
    CodePageText* codePageText() const noexcept { return codePageText_.get(); }

private:
    friend class RecordCursor;
    // Header at pos_: checks it, moves pos_ past the record's data and
    // returns the data's offset and length.
    void readHeader(std::uint16_t& id, std::size_t& dataStart, std::size_t& length)
    {
        const std::size_t left = data_.size() - pos_;
        if (left < 4) failHeader(false, 0);
        const std::uint8_t* p = data_.data() + pos_;
        id = getU16(p);
        length = getU16(p + 2);
        if (length > left - 4) failHeader(true, id);
        dataStart = pos_ + 4;
        pos_ = dataStart + length;
    }
    // The failure texts of readHeader: the end of the stream, or a record
    // running past it.
    [[noreturn]] static void failHeader(bool pastEnd, std::uint16_t id);

    std::vector<std::uint8_t> data_;
    std::size_t pos_ = 0;
    std::shared_ptr<CodePageText> codePageText_;
};

// The data of one record, extended only through the CONTINUE records that
// follow it. A cursor stays valid until its BiffInput moves elsewhere.
class RecordCursor {
public:
    std::uint16_t id() const noexcept { return id_; }
    // Length of the record itself (without the CONTINUE records).
    std::size_t length() const noexcept { return length_; }
    // Bytes left in the current piece (the record or the CONTINUE in hand).
    std::size_t remaining() const noexcept { return end_ - pos_; }
    bool atEnd() const noexcept { return pos_ == end_; }
    // Bytes read from the current piece so far.
    std::size_t consumed() const noexcept { return pos_ - start_; }
    // Bytes from the read position to the end of the stream: an upper bound
    // for any count that data going on in CONTINUE records may claim.
    std::size_t streamLeft() const noexcept { return in_->data_.size() - pos_; }
    // Number of CONTINUE records entered.
    unsigned continues() const noexcept { return continues_; }
    // The code page of the stream's 8-bit texts, or null (BiffInput).
    CodePageText* codePageText() const noexcept { return in_->codePageText(); }

    // The record's name used in the failure text "<name> size is incorrect":
    // a text that outlives the cursor, such as a literal (it is not copied,
    // so that a cursor costs nothing to make).
    void setName(const char* name) noexcept { name_ = name ? name : "record"; }
    const char* name() const noexcept { return name_; }
    [[noreturn]] void fail() const;
    // Fails unless the record's length is exactly n.
    void requireLength(std::size_t n) const
    {
        if (length_ != n) fail();
    }

    // Fields of the current piece; crossing its end fails.
    std::uint8_t u8() { return *take(1); }
    std::uint16_t u16() { return getU16(take(2)); }
    std::uint32_t u32() { return getU32(take(4)); }
    std::uint64_t u64() { return getU64(take(8)); }
    std::int16_t i16() { return static_cast<std::int16_t>(u16()); }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    double f64() { return getF64(take(8)); }
    void bytes(void* out, std::size_t n);
    std::vector<std::uint8_t> bytes(std::size_t n);
    void skip(std::size_t n) { take(n); }
    // The next n bytes of the piece, which are then consumed.
    const std::uint8_t* take(std::size_t n)
    {
        if (n > end_ - pos_) fail();
        const std::uint8_t* p = in_->data_.data() + pos_;
        pos_ += n;
        return p;
    }
    // Everything left in the current piece.
    std::vector<std::uint8_t> rest() { return bytes(remaining()); }

    // Continuation.
    // Id of the record after the current piece (0 at the end of the stream).
    std::uint16_t peekNextId() const noexcept;
    bool nextIsContinue() const noexcept { return peekNextId() == kContinueId; }
    // Moves into the CONTINUE record that follows the current piece; bytes
    // left unread in the piece are skipped. When the next record is not a
    // CONTINUE it throws `message`, or "<name> size is incorrect" when empty.
    void enterContinue(const std::string& message = std::string());
    // Like enterContinue, but returns false (and stays) when there is none.
    bool tryContinue();
    // Values read one byte at a time, entering a CONTINUE whenever the piece
    // is used up, as long data split across records is stored.
    std::uint16_t readInt16();
    std::uint32_t readInt32();

private:
    friend class BiffInput;
    RecordCursor(BiffInput& in, std::uint16_t id, std::size_t start, std::size_t length)
        : in_(&in), id_(id), length_(length), start_(start), pos_(start), end_(start + length) {}
    std::uint8_t continuedByte(const char* message);

    BiffInput* in_;
    std::uint16_t id_;
    std::size_t length_;
    std::size_t start_, pos_, end_;
    unsigned continues_ = 0;
    const char* name_ = "record";
};

RecordCursor BiffInput::next()
{
    std::uint16_t id = 0;
    std::size_t start = 0, length = 0;
    readHeader(id, start, length);
    return RecordCursor(*this, id, start, length);
}

// Appends records to a workbook stream held in memory.
class BiffOutput {
public:
    const std::vector<std::uint8_t>& bytes() const noexcept { return buf_.buffer(); }
    std::vector<std::uint8_t> release() { return std::move(buf_.buffer()); }
    void clear() { buf_.buffer().clear(); }

    // Offset inside the workbook stream of the next byte written (the offset
    // that BOUNDSHEET records store).
    std::size_t writePosition() const noexcept { return buf_.size(); }

    // A whole record: header and data; data longer than 8224 bytes goes on
    // in CONTINUE records of at most 8224 bytes. Returns the bytes written.
    std::size_t writeRecord(std::uint16_t id, const void* data, std::size_t n);
    std::size_t writeRecord(std::uint16_t id, const std::vector<std::uint8_t>& data)
    {
        return writeRecord(id, data.data(), data.size());
    }
    std::size_t writeRecordHeader(std::uint16_t id, std::uint16_t length);

    // Raw bytes, for writers that lay records out themselves.
    void writeBytes(const void* data, std::size_t n) { buf_.bytes(data, n); }
    void write16(std::uint16_t v) { buf_.u16(v); }
    void write32(std::uint32_t v) { buf_.u32(v); }
    void write64(std::uint64_t v) { buf_.u64(v); }
    // Rewrites bytes already written (record lengths, sheet offsets).
    void patch16(std::size_t at, std::uint16_t v) { buf_.patchU16(at, v); }
    void patch32(std::size_t at, std::uint32_t v) { buf_.patchU32(at, v); }
    // The bytes written so far, for record data written in place; and the
    // way back to an earlier size when such data turns out not to fit.
    ByteWriter& writer() noexcept { return buf_; }
    void truncate(std::size_t size) { if (size < buf_.size()) buf_.buffer().resize(size); }

private:
    ByteWriter buf_;
};

// One record written in pieces: the record is opened with a provisional
// length; CONTINUE records are opened explicitly (startContinue, ensure) or
// when a value does not fit; finish() (or the destructor) patches the length
// of the last piece. Every piece's length is the number of bytes written
// into it.
class RecordWriter {
public:
    RecordWriter(BiffOutput& out, std::uint16_t id);
    ~RecordWriter() { finish(); }
    RecordWriter(const RecordWriter&) = delete;
    RecordWriter& operator=(const RecordWriter&) = delete;

    // Bytes that still fit in the current piece.
    std::size_t room() const noexcept { return kMaxRecordData - count_; }
    // Bytes written into the current piece.
    std::size_t pieceSize() const noexcept { return count_; }
    unsigned continues() const noexcept { return continues_; }

    // Closes the current piece and opens a CONTINUE record.
    void startContinue();
    // Opens a CONTINUE record unless n bytes still fit.
    void ensure(std::size_t n)
    {
        if (room() < n) startContinue();
    }

    // Whole values: a value that does not fit goes into a new CONTINUE.
    void u8(std::uint8_t v) { std::uint8_t b[1] = {v}; whole(b, 1); }
    void u16(std::uint16_t v) { std::uint8_t b[2]; putU16(b, v); whole(b, 2); }
    void u32(std::uint32_t v) { std::uint8_t b[4]; putU32(b, v); whole(b, 4); }
    void u64(std::uint64_t v) { std::uint8_t b[8]; putU64(b, v); whole(b, 8); }
    // Values split byte by byte at the end of a piece, the rest going into a
    // new CONTINUE record.
    void writeInt16(std::uint16_t v) { std::uint8_t b[2]; putU16(b, v); split(b, 2); }
    void writeInt32(std::uint32_t v) { std::uint8_t b[4]; putU32(b, v); split(b, 4); }
    // A run of bytes, split across as many CONTINUE records as it needs.
    void bytes(const void* data, std::size_t n) { split(static_cast<const std::uint8_t*>(data), n); }

    // Patches the last piece's length; idempotent. Returns every byte written
    // for the record, headers included.
    std::size_t finish() noexcept;

private:
    void whole(const std::uint8_t* p, std::size_t n);
    void split(const std::uint8_t* p, std::size_t n);
    void closePiece() noexcept;

    BiffOutput& out_;
    std::size_t begin_;       // stream offset of the record's header
    std::size_t lengthAt_;    // stream offset of the current piece's length field
    std::size_t count_ = 0;   // bytes in the current piece
    std::size_t total_ = 0;
    unsigned continues_ = 0;
    bool finished_ = false;
};

// Base of the record classes: an id, a name for the failure texts, a reader
// from a bounded cursor and a writer of the data alone.
class BiffRecord {
public:
    virtual ~BiffRecord() = default;
    virtual std::uint16_t recordId() const = 0;
    // "Font" gives the failure text "Font size is incorrect".
    virtual const char* name() const = 0;

    // Names the cursor after the record and reads the fields.
    void read(RecordCursor& in)
    {
        in.setName(name());
        readBody(in);
    }
    // Header with the computed length, then the data (CONTINUE records
    // past 8224 bytes). Returns the bytes written.
    virtual std::size_t write(BiffOutput& out) const;

protected:
    virtual void readBody(RecordCursor& in) = 0;
    virtual void writeBody(ByteWriter& out) const = 0;
};

}  // namespace celvo
