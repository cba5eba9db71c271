// OfficeArt records: the 8-byte record header, the base class of every
// drawing record and the generic pieces shared by all record kinds.
//
// Drawing data is carried by BIFF records (MSODRAWINGGROUP, MSODRAWING and
// their CONTINUE records) but forms one stream of OfficeArt records of its
// own. Readers first gather the BIFF pieces into one byte run (remembering
// where the pieces were cut), then parse the records from a ByteReader that
// is bounded by the enclosing record: a container never reads past its own
// recLen, and any record the engine does not model is kept as bytes in its
// place. Writers serialise into an ArtWriter, which also records the spans
// that must not be cut by a CONTINUE record; the BIFF layer then cuts the
// bytes into records (reusing the cuts it read when the size is unchanged).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "celvo/bytes.h"

namespace celvo {

// Serialised drawing bytes plus the layout facts the BIFF layer needs.
class ArtWriter {
public:
    std::vector<std::uint8_t>& buffer() noexcept { return out_.buffer(); }
    const std::vector<std::uint8_t>& buffer() const noexcept { return out_.buffer(); }
    std::size_t size() const noexcept { return out_.size(); }

    void u8(std::uint8_t v) { out_.u8(v); }
    void u16(std::uint16_t v) { out_.u16(v); }
    void u32(std::uint32_t v) { out_.u32(v); }
    void bytes(const void* p, std::size_t n) { out_.bytes(p, n); }
    void bytes(const std::vector<std::uint8_t>& v) { out_.bytes(v); }

    // Marks [start, size()) as one unit that a CONTINUE record must not cut.
    void endUnit(std::size_t start)
    {
        if (size() - start > 1) units_.emplace_back(start, size() - start);
    }
    const std::vector<std::pair<std::size_t, std::size_t>>& units() const noexcept { return units_; }

    // Sheet drawings: MSODRAWING record `block` begins at the current offset.
    void markBlock(int block) { blocks_.emplace_back(block, size()); }
    const std::vector<std::pair<int, std::size_t>>& blocks() const noexcept { return blocks_; }

private:
    ByteWriter out_;
    std::vector<std::pair<std::size_t, std::size_t>> units_;
    std::vector<std::pair<int, std::size_t>> blocks_;
};

// Cuts `total` bytes into BIFF record pieces of at most `maxPiece` bytes,
// never inside one of the units (a unit that does not fit starts the next
// piece early, unless it is larger than a whole piece).
std::vector<std::size_t> cutIntoPieces(std::size_t total,
                                       const std::vector<std::pair<std::size_t, std::size_t>>& units,
                                       std::size_t maxPiece);

class OfficeArtRecordHeader {
public:
    void set(unsigned recVer, unsigned recInstance, unsigned recType, std::uint32_t recLen)
    {
        verInst_ = static_cast<std::uint16_t>(((recInstance & 0xFFFu) << 4) | (recVer & 0xFu));
        type_ = static_cast<std::uint16_t>(recType);
        len_ = recLen;
    }
    void clear() { verInst_ = type_ = 0; len_ = 0; }
    unsigned recVer() const noexcept { return verInst_ & 0xFu; }
    void setRecVer(unsigned v) { verInst_ = static_cast<std::uint16_t>((verInst_ & 0xFFF0u) | (v & 0xFu)); }
    unsigned recInstance() const noexcept { return verInst_ >> 4; }
    void setRecInstance(unsigned v) { verInst_ = static_cast<std::uint16_t>(((v & 0xFFFu) << 4) | (verInst_ & 0xFu)); }
    unsigned recType() const noexcept { return type_; }
    void setRecType(unsigned v) { type_ = static_cast<std::uint16_t>(v); }
    std::uint32_t recLen() const noexcept { return len_; }
    void setRecLen(std::uint32_t v) { len_ = v; }

    std::uint32_t read(ByteReader& in)
    {
        verInst_ = in.u16();
        type_ = in.u16();
        len_ = in.u32();
        return 8;
    }
    std::uint32_t write(ArtWriter& out) const
    {
        out.u16(verInst_);
        out.u16(type_);
        out.u32(len_);
        return 8;
    }
    static constexpr std::uint32_t size() { return 8; }

private:
    std::uint16_t verInst_ = 0;
    std::uint16_t type_ = 0;
    std::uint32_t len_ = 0;
};

// What a parse carries down the record tree.
struct OfficeArtReadContext {
    int depth = 0;
    // Sheet drawings: start of the gathered bytes and the offsets at which
    // MSODRAWING records began there.
    const std::uint8_t* origin = nullptr;
    const std::vector<std::size_t>* blockStarts = nullptr;
};

class OfficeArtRecordBase {
public:
    virtual ~OfficeArtRecordBase() = default;
    virtual std::unique_ptr<OfficeArtRecordBase> clone() const = 0;

    // Reads a record at the reader's position: 0 and nothing consumed when
    // the reader is empty or the header is not this class's; otherwise the
    // header and the whole body (which must lie inside the reader).
    virtual std::uint32_t read(ByteReader& in, const OfficeArtReadContext& ctx = OfficeArtReadContext());
    // Header (recLen = the body's size, or size() - 8) and body; nothing
    // when absent. Returns the bytes written.
    virtual std::uint32_t write(ArtWriter& out) const;
    // Bytes in the file, header included; 0 when absent.
    virtual std::uint32_t size() const { return absent ? 0 : 8 + bodySize(); }
    virtual std::uint32_t pictureWidth() const { return 0; }
    virtual std::uint32_t pictureHeight() const { return 0; }
    virtual bool checkHeader() const = 0;
    // The class name of the failure text "error in record <name>".
    virtual const char* className() const = 0;

    // The body only, the reader bounded to exactly recLen bytes.
    void readBody(ByteReader& body, const OfficeArtReadContext& ctx);
    void writeBody(ArtWriter& out) const;
    virtual std::uint32_t bodySize() const;

    [[noreturn]] void fail() const;
    std::string errorText() const { return std::string("error in record ") + className(); }

    std::uint8_t absent = 1;
    std::uint8_t recomputeLength = 1;
    OfficeArtRecordHeader header;
    // Bytes of the body after the fields the class knows, kept as read.
    std::vector<std::uint8_t> extra;
    // Sheet drawings: the index of the MSODRAWING record that begins with
    // this record's header; -1 when none does.
    int blockStart = -1;

protected:
    virtual void readFields(ByteReader&, const OfficeArtReadContext&) {}
    virtual void writeFields(ArtWriter&) const {}
};

// Header constants of a record kind. checkMask bits: 1 recVer, 2 recType,
// 4 recInstance, 8 recLen.
template <class Derived, unsigned Mask, unsigned Ver, unsigned Inst, unsigned Type, unsigned Len,
          class Base = OfficeArtRecordBase>
class OfficeArtRecord : public Base {
public:
    static constexpr unsigned kType = Type;
    static constexpr unsigned kVer = Ver;
    OfficeArtRecord() { this->header.set(Ver, Inst, Type, (Mask & 8) ? Len : 0); }
    bool checkHeader() const override
    {
        const OfficeArtRecordHeader& h = this->header;
        if ((Mask & 1) && h.recVer() != Ver) return false;
        if ((Mask & 2) && h.recType() != Type) return false;
        if ((Mask & 4) && h.recInstance() != Inst) return false;
        if ((Mask & 8) && h.recLen() != Len) return false;
        return true;
    }
    std::unique_ptr<OfficeArtRecordBase> clone() const override
    {
        return std::make_unique<Derived>(static_cast<const Derived&>(*this));
    }
};

// A record the engine does not model: its body is kept whole in `extra`.
class OfficeArtUnknownRecord : public OfficeArtRecordBase {
public:
    OfficeArtUnknownRecord() = default;
    explicit OfficeArtUnknownRecord(const OfficeArtRecordHeader& h) { header = h; }
    std::unique_ptr<OfficeArtRecordBase> clone() const override
    {
        return std::make_unique<OfficeArtUnknownRecord>(*this);
    }
    bool checkHeader() const override { return true; }
    const char* className() const override { return "OfficeArtRecord"; }
};

// The member records of a container, owned, in file order.
class OfficeArtChildren {
public:
    OfficeArtChildren() = default;
    OfficeArtChildren(const OfficeArtChildren& other);
    OfficeArtChildren& operator=(const OfficeArtChildren& other);
    OfficeArtChildren(OfficeArtChildren&&) noexcept = default;
    OfficeArtChildren& operator=(OfficeArtChildren&&) noexcept = default;

    // Reads records until the reader is used up; fewer than 8 bytes at the
    // end are left unread (for the owner to keep).
    void read(ByteReader& body, const OfficeArtReadContext& ctx, const char* owner);
    void write(ArtWriter& out) const;
    std::uint32_t size() const;

    template <class T>
    T* find() const
    {
        for (const auto& p : items)
            if (auto* t = dynamic_cast<T*>(p.get())) return t;
        return nullptr;
    }
    template <class T>
    std::size_t count() const
    {
        std::size_t n = 0;
        for (const auto& p : items)
            if (dynamic_cast<T*>(p.get())) ++n;
        return n;
    }

    std::vector<std::unique_ptr<OfficeArtRecordBase>> items;
};

// Base of the containers: the body is a list of records.
class OfficeArtContainerBase : public OfficeArtRecordBase {
public:
    std::uint32_t bodySize() const override
    {
        return children.size() + static_cast<std::uint32_t>(extra.size());
    }
    OfficeArtChildren children;

protected:
    void readFields(ByteReader& in, const OfficeArtReadContext& ctx) override
    {
        children.read(in, ctx, className());
    }
    void writeFields(ArtWriter& out) const override { children.write(out); }
};

// Declares className() of a record class.
#define CELVO_OA_CLASS_NAME(Name) \
    const char* className() const override { return #Name; }

// Makes the record object for a header (an unknown record when the engine
// does not model the kind or its header does not match the kind's).
std::unique_ptr<OfficeArtRecordBase> makeOfficeArtRecord(const OfficeArtRecordHeader& h);

// Deepest nesting of containers a file may use.
constexpr int kMaxOfficeArtDepth = 64;

}  // namespace celvo
