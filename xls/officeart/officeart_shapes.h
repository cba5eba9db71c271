// The drawing records of a sheet's shapes and the shape property tables.
#pragma once

#include "officeart_record.h"

namespace celvo {

// ------------------------------------------------------------ properties

// The property number of an entry with its two flags.
class OfficeArtFOPTEOPID {
public:
    // Throws "error in OfficeArtFOPTEOPID" for an id of 0x4000 or more.
    OfficeArtFOPTEOPID(unsigned id, bool fBid, bool fComplex);
    explicit OfficeArtFOPTEOPID(std::uint16_t word) : word_(word) {}
    unsigned opid() const noexcept { return word_ & 0x3FFFu; }
    bool fBid() const noexcept { return (word_ & 0x4000u) != 0; }
    bool fComplex() const noexcept { return (word_ & 0x8000u) != 0; }
    std::uint16_t word() const noexcept { return word_; }

private:
    std::uint16_t word_;
};

struct OfficeArtFOPTE {
    OfficeArtFOPTE() = default;
    OfficeArtFOPTE(std::uint16_t opidWord, std::uint32_t value) : opid(opidWord), op(value) {}
    std::uint16_t opid = 0;
    std::uint32_t op = 0;
};

// The entries of a property table and the complex data of its complex ones.
class OfficeArtRGFOPTE {
public:
    std::size_t addComplexProperty(const OfficeArtFOPTE& entry, const std::vector<std::uint8_t>& data = {});
    void clear()
    {
        entries.clear();
        complex.clear();
    }
    std::uint32_t size() const { return static_cast<std::uint32_t>(6 * entries.size() + complex.size()); }
    // The first entry with the property id, or null.
    const OfficeArtFOPTE* find(unsigned opid) const;

    std::vector<OfficeArtFOPTE> entries;
    std::vector<std::uint8_t> complex;
};

template <unsigned Type>
class OfficeArtFOPTBase : public OfficeArtRecord<OfficeArtFOPTBase<Type>, 3, 3, 0, Type, 0> {
public:
    const char* className() const override { return "OfficeArtFOPT"; }
    // Adds a property and makes the table present.
    void addProperty(const OfficeArtFOPTE& entry, const std::vector<std::uint8_t>& data = {})
    {
        rgfopte.addComplexProperty(entry, data);
        this->header.setRecInstance(this->header.recInstance() + 1);
        this->absent = 0;
    }
    void clearProperties()
    {
        rgfopte.clear();
        this->header.setRecInstance(0);
    }
    OfficeArtRGFOPTE rgfopte;

protected:
    void readFields(ByteReader& in, const OfficeArtReadContext&) override
    {
        std::size_t n = this->header.recInstance();
        if (6 * n > in.remaining()) throw xlerror("error in record OfficeArtFOPTE");
        rgfopte.clear();
        rgfopte.entries.resize(n);
        for (auto& e : rgfopte.entries) {
            e.opid = in.u16();
            e.op = in.u32();
        }
        rgfopte.complex = in.bytes(in.remaining());
    }
    void writeFields(ArtWriter& out) const override
    {
        std::size_t start = out.size();
        for (const auto& e : rgfopte.entries) {
            out.u16(e.opid);
            out.u32(e.op);
        }
        out.endUnit(start);
        out.bytes(rgfopte.complex);
    }
};
using OfficeArtFOPT = OfficeArtFOPTBase<0xF00B>;
using OfficeArtSecondaryFOPT = OfficeArtFOPTBase<0xF121>;
using OfficeArtTertiaryFOPT = OfficeArtFOPTBase<0xF122>;

// ------------------------------------------------------------ leaf records

class OfficeArtFDG : public OfficeArtRecord<OfficeArtFDG, 11, 0, 0, 0xF008, 8> {
public:
    CELVO_OA_CLASS_NAME(OfficeArtFDG)
    std::uint32_t csp = 0;
    std::uint32_t spidCur = 1023;
    unsigned drawingId() const { return header.recInstance(); }

protected:
    void readFields(ByteReader& in, const OfficeArtReadContext&) override;
    void writeFields(ArtWriter& out) const override;
};

struct OfficeArtRect {
    std::int32_t xLeft = 0, yTop = 0, xRight = 0, yBottom = 0;
};

class OfficeArtFSPGR : public OfficeArtRecord<OfficeArtFSPGR, 15, 1, 0, 0xF009, 16> {
public:
    CELVO_OA_CLASS_NAME(OfficeArtFSPGR)
    OfficeArtRect rect;

protected:
    void readFields(ByteReader& in, const OfficeArtReadContext&) override;
    void writeFields(ArtWriter& out) const override;
};

class OfficeArtFSP : public OfficeArtRecord<OfficeArtFSP, 11, 2, 0, 0xF00A, 8> {
public:
    CELVO_OA_CLASS_NAME(OfficeArtFSP)
    static constexpr std::uint32_t kGroup = 0x0001, kPatriarch = 0x0004, kHaveAnchor = 0x0200,
                                   kHaveShapeType = 0x0800;
    std::uint32_t spid = 0;
    std::uint32_t flags = 0;
    unsigned shapeType() const { return header.recInstance(); }

protected:
    void readFields(ByteReader& in, const OfficeArtReadContext&) override;
    void writeFields(ArtWriter& out) const override;
};

class OfficeArtFPSPL : public OfficeArtRecord<OfficeArtFPSPL, 15, 0, 0, 0xF11D, 4> {
public:
    CELVO_OA_CLASS_NAME(OfficeArtFPSPL)
    std::uint32_t value = 0;

protected:
    void readFields(ByteReader& in, const OfficeArtReadContext&) override { value = in.u32(); }
    void writeFields(ArtWriter& out) const override { out.u32(value); }
};

class OfficeArtChildAnchor : public OfficeArtRecord<OfficeArtChildAnchor, 15, 0, 0, 0xF00F, 16> {
public:
    CELVO_OA_CLASS_NAME(OfficeArtChildAnchor)
    OfficeArtRect rect;

protected:
    void readFields(ByteReader& in, const OfficeArtReadContext&) override;
    void writeFields(ArtWriter& out) const override;
};

class OfficeArtClientAnchorSheet : public OfficeArtRecord<OfficeArtClientAnchorSheet, 15, 0, 0, 0xF010, 18> {
public:
    CELVO_OA_CLASS_NAME(OfficeArtClientAnchorSheet)
    std::uint16_t flags = 0;
    std::uint16_t colL = 0, dxL = 0, rwT = 0, dyT = 0, colR = 0, dxR = 0, rwB = 0, dyB = 0;

    // Takes the corners from four words of cell (low half) and offset (high
    // half): left column, top row, right column, bottom row.
    void setCorners(std::uint32_t left, std::uint32_t top, std::uint32_t right, std::uint32_t bottom)
    {
        colL = static_cast<std::uint16_t>(left);
        dxL = static_cast<std::uint16_t>(left >> 16);
        rwT = static_cast<std::uint16_t>(top);
        dyT = static_cast<std::uint16_t>(top >> 16);
        colR = static_cast<std::uint16_t>(right);
        dxR = static_cast<std::uint16_t>(right >> 16);
        rwB = static_cast<std::uint16_t>(bottom);
        dyB = static_cast<std::uint16_t>(bottom >> 16);
    }

protected:
    void readFields(ByteReader& in, const OfficeArtReadContext&) override;
    void writeFields(ArtWriter& out) const override;
};

// Marks that an OBJ record after the MSODRAWING carries the shape's data.
class OfficeArtClientData : public OfficeArtRecord<OfficeArtClientData, 15, 0, 0, 0xF011, 0> {
public:
    CELVO_OA_CLASS_NAME(OfficeArtClientData)
};

// Marks that a TXO record carries the shape's text.
class OfficeArtClientTextbox : public OfficeArtRecord<OfficeArtClientTextbox, 15, 0, 0, 0xF00D, 0> {
public:
    CELVO_OA_CLASS_NAME(OfficeArtClientTextbox)
};

class OfficeArtFConnectorRule : public OfficeArtRecord<OfficeArtFConnectorRule, 15, 1, 0, 0xF012, 24> {
public:
    CELVO_OA_CLASS_NAME(OfficeArtFConnectorRule)
    std::uint32_t ruid = 0, spidA = 0, spidB = 0, spidC = 0, cptiA = 0, cptiB = 0;

protected:
    void readFields(ByteReader& in, const OfficeArtReadContext&) override;
    void writeFields(ArtWriter& out) const override;
};

// The arc and callout rules of a solver container: a rule id and a shape id.
template <class Derived, unsigned Type>
class OfficeArtShapeRule : public OfficeArtRecord<Derived, 15, 0, 0, Type, 8> {
public:
    std::uint32_t ruid = 0, spid = 0;

protected:
    void readFields(ByteReader& in, const OfficeArtReadContext&) override
    {
        ruid = in.u32();
        spid = in.u32();
    }
    void writeFields(ArtWriter& out) const override
    {
        std::size_t start = out.size();
        out.u32(ruid);
        out.u32(spid);
        out.endUnit(start);
    }
};

class OfficeArtFArcRule : public OfficeArtShapeRule<OfficeArtFArcRule, 0xF014> {
public:
    CELVO_OA_CLASS_NAME(OfficeArtFArcRule)
};

class OfficeArtFCalloutRule : public OfficeArtShapeRule<OfficeArtFCalloutRule, 0xF017> {
public:
    CELVO_OA_CLASS_NAME(OfficeArtFCalloutRule)
};

class OfficeArtFRITContainer : public OfficeArtRecord<OfficeArtFRITContainer, 3, 0, 0, 0xF118, 0> {
public:
    CELVO_OA_CLASS_NAME(OfficeArtFRITContainer)
    struct Entry {
        std::uint16_t fridNew = 0, fridOld = 0;
    };
    std::vector<Entry> entries;

protected:
    void readFields(ByteReader& in, const OfficeArtReadContext&) override;
    void writeFields(ArtWriter& out) const override;
};

// The selection of a sheet drawing (MSODRAWINGSELECTION).
class OfficeArtFDGSL : public OfficeArtRecord<OfficeArtFDGSL, 7, 0, 0, 0xF119, 0> {
public:
    CELVO_OA_CLASS_NAME(OfficeArtFDGSL)
    std::uint32_t cpsp = 0, dgslk = 0, spidFocus = 0;
    std::vector<std::uint32_t> shapeIds;

protected:
    void readFields(ByteReader& in, const OfficeArtReadContext&) override;
    void writeFields(ArtWriter& out) const override;
};

// ------------------------------------------------------------ containers

class OfficeArtSpContainer
    : public OfficeArtRecord<OfficeArtSpContainer, 7, 15, 0, 0xF004, 0, OfficeArtContainerBase> {
public:
    CELVO_OA_CLASS_NAME(OfficeArtSpContainer)
    OfficeArtFSP* fsp() const { return children.find<OfficeArtFSP>(); }
    OfficeArtFOPT* opt() const { return children.find<OfficeArtFOPT>(); }
    OfficeArtClientAnchorSheet* clientAnchor() const { return children.find<OfficeArtClientAnchorSheet>(); }
    // A picture: present, FSP with the has-anchor flag, and a picture index
    // property (0x0104) that is not negative.
    bool isPicture() const;
};

class OfficeArtSpgrContainer
    : public OfficeArtRecord<OfficeArtSpgrContainer, 7, 15, 0, 0xF003, 0, OfficeArtContainerBase> {
public:
    CELVO_OA_CLASS_NAME(OfficeArtSpgrContainer)
};

class OfficeArtSolverContainer
    : public OfficeArtRecord<OfficeArtSolverContainer, 3, 15, 0, 0xF005, 0, OfficeArtContainerBase> {
public:
    CELVO_OA_CLASS_NAME(OfficeArtSolverContainer)
};

class OfficeArtDgContainer
    : public OfficeArtRecord<OfficeArtDgContainer, 7, 15, 0, 0xF002, 0, OfficeArtContainerBase> {
public:
    CELVO_OA_CLASS_NAME(OfficeArtDgContainer)
    OfficeArtFDG* fdg() const { return children.find<OfficeArtFDG>(); }
    OfficeArtSpgrContainer* group() const { return children.find<OfficeArtSpgrContainer>(); }
    OfficeArtSolverContainer* solver() const { return children.find<OfficeArtSolverContainer>(); }
};

}  // namespace celvo
