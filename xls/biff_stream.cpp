#include "biff_stream.h"

#include <algorithm>
#include <cstdio>

namespace celvo {

namespace {

std::string hex4(unsigned v)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04X", v & 0xFFFFu);
    return buf;
}

}  // namespace

// ---------------------------------------------------------------- BiffInput

void BiffInput::assign(std::vector<std::uint8_t> stream)
{
    data_ = std::move(stream);
    pos_ = 0;
}

void BiffInput::seek(std::size_t offset)
{
    if (offset > data_.size())
        throw xlerror("read error: position " + std::to_string(offset) + " is beyond the end of the stream");
    pos_ = offset;
}

std::uint16_t BiffInput::peekRecordId() const noexcept
{
    return eof() ? 0 : getU16(data_.data() + pos_);
}

void BiffInput::failHeader(bool pastEnd, std::uint16_t id)
{
    if (!pastEnd) throw xlerror("read error: unexpected end of stream");
    throw xlerror("read error: record 0x" + hex4(id) + " runs past the end of the stream");
}

// ------------------------------------------------------------- RecordCursor

void RecordCursor::fail() const
{
    throw xlerror(std::string(name_) + " size is incorrect");
}

void RecordCursor::bytes(void* out, std::size_t n)
{
    const std::uint8_t* p = take(n);
    if (n) std::copy(p, p + n, static_cast<std::uint8_t*>(out));
}

std::vector<std::uint8_t> RecordCursor::bytes(std::size_t n)
{
    const std::uint8_t* p = take(n);
    return std::vector<std::uint8_t>(p, p + n);
}

std::uint16_t RecordCursor::peekNextId() const noexcept
{
    const auto& d = in_->data_;
    if (d.size() < 4 || end_ > d.size() - 4) return 0;
    return getU16(d.data() + end_);
}

bool RecordCursor::tryContinue()
{
    if (!nextIsContinue()) return false;
    in_->pos_ = end_;
    std::uint16_t id = 0;
    std::size_t start = 0, length = 0;
    in_->readHeader(id, start, length);
    start_ = pos_ = start;
    end_ = start + length;
    ++continues_;
    return true;
}

void RecordCursor::enterContinue(const std::string& message)
{
    if (tryContinue()) return;
    if (message.empty()) fail();
    throw xlerror(message);
}

std::uint8_t RecordCursor::continuedByte(const char* message)
{
    // An empty CONTINUE record is legal; keep going until a byte appears.
    while (pos_ == end_) enterContinue(message);
    return in_->data_[pos_++];
}

std::uint16_t RecordCursor::readInt16()
{
    const char* msg = "readInt16: CONTINUE record not found";
    unsigned lo = continuedByte(msg);
    unsigned hi = continuedByte(msg);
    return static_cast<std::uint16_t>(lo | (hi << 8));
}

std::uint32_t RecordCursor::readInt32()
{
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<std::uint32_t>(continuedByte("readInt32: CONTINUE record not found")) << (8 * i);
    return v;
}

// --------------------------------------------------------------- BiffOutput

std::size_t BiffOutput::writeRecordHeader(std::uint16_t id, std::uint16_t length)
{
    buf_.u16(id);
    buf_.u16(length);
    return 4;
}

std::size_t BiffOutput::writeRecord(std::uint16_t id, const void* data, std::size_t n)
{
    const auto* p = static_cast<const std::uint8_t*>(data);
    std::size_t piece = std::min(n, kMaxRecordData);
    std::size_t written = writeRecordHeader(id, static_cast<std::uint16_t>(piece));
    buf_.bytes(p, piece);
    written += piece;
    for (std::size_t done = piece; done < n; done += piece) {
        piece = std::min(n - done, kMaxRecordData);
        written += writeRecordHeader(kContinueId, static_cast<std::uint16_t>(piece));
        buf_.bytes(p + done, piece);
        written += piece;
    }
    return written;
}

// ------------------------------------------------------------- RecordWriter

RecordWriter::RecordWriter(BiffOutput& out, std::uint16_t id) : out_(out), begin_(out.writePosition())
{
    out_.write16(id);
    lengthAt_ = out_.writePosition();
    out_.write16(static_cast<std::uint16_t>(kMaxRecordData));
}

void RecordWriter::closePiece() noexcept
{
    // The position was produced by this writer, so the patch cannot fail.
    try {
        out_.patch16(lengthAt_, static_cast<std::uint16_t>(count_));
    } catch (...) {
    }
}

void RecordWriter::startContinue()
{
    if (finished_) throw xlerror("record is already finished");
    closePiece();
    out_.write16(kContinueId);
    lengthAt_ = out_.writePosition();
    out_.write16(static_cast<std::uint16_t>(kMaxRecordData));
    count_ = 0;
    ++continues_;
}

void RecordWriter::whole(const std::uint8_t* p, std::size_t n)
{
    if (finished_) throw xlerror("record is already finished");
    ensure(n);
    out_.writeBytes(p, n);
    count_ += n;
}

void RecordWriter::split(const std::uint8_t* p, std::size_t n)
{
    if (finished_) throw xlerror("record is already finished");
    while (n > 0) {
        if (room() == 0) startContinue();
        std::size_t piece = std::min(n, room());
        out_.writeBytes(p, piece);
        count_ += piece;
        p += piece;
        n -= piece;
    }
}

std::size_t RecordWriter::finish() noexcept
{
    if (!finished_) {
        closePiece();
        finished_ = true;
        total_ = out_.writePosition() - begin_;
    }
    return total_;
}

// --------------------------------------------------------------- BiffRecord

std::size_t BiffRecord::write(BiffOutput& out) const
{
    ByteWriter body;
    writeBody(body);
    return out.writeRecord(recordId(), body.buffer());
}

}  // namespace celvo
