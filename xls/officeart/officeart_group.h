// Pictures (blips), the blip store and the drawing group of a workbook.
#pragma once

#include <array>
#include <string>

#include "biff_stream.h"
#include "md4.h"
#include "officeart_shapes.h"

namespace celvo {

// ------------------------------------------------------------ pictures

using OfficeArtUid = std::array<std::uint8_t, 16>;

// Picture types of the blip store (btWin32 / btMacOS / FBSE recInstance).
enum OfficeArtBlipType : unsigned {
    kBlipEmf = 2, kBlipWmf = 3, kBlipPict = 4, kBlipJpeg = 5, kBlipPng = 6, kBlipDib = 7, kBlipTiff = 17,
};

// Common part of every picture record; the record body is uid1, uid2 (for
// the two-UID instance), then a metafile header (metafiles) or a tag byte
// (bitmaps), then the picture data.
class OfficeArtBlipBase : public OfficeArtRecordBase {
public:
    const char* className() const override { return "OfficeArtBlip"; }
    std::uint32_t bodySize() const override;
    // Throws the kind's message for an instance that is neither of the two.
    virtual bool isSingleUid() const = 0;
    virtual bool isMetafile() const = 0;
    virtual unsigned blipType() const = 0;

    std::vector<std::uint8_t> data;
    OfficeArtUid uid1{};
    OfficeArtUid uid2{};
    std::uint8_t tag = 0xFF;
    // Metafile header.
    std::uint32_t cbSize = 0;
    std::int32_t rcBounds[4] = {0, 0, 960, 720};
    std::int32_t ptSize[2] = {0, 0};
    std::uint32_t cbSave = 0;
    std::uint8_t compression = 0xFE;
    std::uint8_t filter = 0xFE;

protected:
    // Stores picture bytes as a new record: a placeable-metafile header and
    // a bitmap file header are dropped, the UID is the MD4 of what is kept.
    void assignPicture(const std::uint8_t* bytes, std::size_t n);
    void readFields(ByteReader& in, const OfficeArtReadContext&) override;
    void writeFields(ArtWriter& out) const override;
    bool instanceIs(unsigned one, unsigned two, const char* message) const;
};

template <class Derived, unsigned Type, bool Metafile, unsigned One, unsigned Two, unsigned BlipType>
class OfficeArtBlip : public OfficeArtRecord<Derived, 3, 0, 0, Type, 0, OfficeArtBlipBase> {
public:
    static constexpr unsigned kSingleUidInstance = One;
    bool isSingleUid() const override { return this->instanceIs(One, Two, Derived::kMessage); }
    bool isMetafile() const override { return Metafile; }
    unsigned blipType() const override { return BlipType; }

protected:
    void build(const std::uint8_t* bytes, std::size_t n)
    {
        this->assignPicture(bytes, n);
        this->header.setRecInstance(One);
    }
};

#define CELVO_OA_BLIP(Name, Type, Meta, One, Two, BlipType)                              \
    class Name : public OfficeArtBlip<Name, Type, Meta, One, Two, BlipType> {              \
    public:                                                                                \
        static constexpr const char* kMessage = "error in record " #Name;                  \
        Name() = default;

CELVO_OA_BLIP(OfficeArtBlipEMF, 0xF01A, true, 0x3D4, 0x3D5, kBlipEmf)
    OfficeArtBlipEMF(const std::uint8_t* bytes, std::size_t n) { build(bytes, n); }
    // From the bounds of the enhanced-metafile header; 0 when it is missing.
    std::uint32_t pictureWidth() const override;
    std::uint32_t pictureHeight() const override;
};
CELVO_OA_BLIP(OfficeArtBlipWMF, 0xF01B, true, 0x216, 0x217, kBlipWmf)
    OfficeArtBlipWMF(const std::uint8_t* bytes, std::size_t n) { build(bytes, n); }
    std::uint32_t pictureWidth() const override { return 200; }
    std::uint32_t pictureHeight() const override { return 200; }
};
CELVO_OA_BLIP(OfficeArtBlipPICT, 0xF01C, true, 0x542, 0x543, kBlipPict)
    // `bytes` without the 512-byte file header.
    OfficeArtBlipPICT(const std::uint8_t* bytes, std::size_t n) { build(bytes, n); }
    // From the picture frame; 0 when it is missing.
    std::uint32_t pictureWidth() const override;
    std::uint32_t pictureHeight() const override;
};
CELVO_OA_BLIP(OfficeArtBlipPNG, 0xF01E, false, 0x6E0, 0x6E1, kBlipPng)
    OfficeArtBlipPNG(const std::uint8_t* bytes, std::size_t n) { build(bytes, n); }
    std::uint32_t pictureWidth() const override;
    std::uint32_t pictureHeight() const override;
};
CELVO_OA_BLIP(OfficeArtBlipDIB, 0xF01F, false, 0x7A8, 0x7A9, kBlipDib)
    OfficeArtBlipDIB(const std::uint8_t* bytes, std::size_t n) { build(bytes, n); }
    std::uint32_t pictureWidth() const override;
    std::uint32_t pictureHeight() const override;
};
CELVO_OA_BLIP(OfficeArtBlipTIFF, 0xF029, false, 0x6E4, 0x6E5, kBlipTiff)
    OfficeArtBlipTIFF(const std::uint8_t* bytes, std::size_t n) { build(bytes, n); }
    // From the first image directory; 0 when it cannot be found.
    std::uint32_t pictureWidth() const override;
    std::uint32_t pictureHeight() const override;
};
#undef CELVO_OA_BLIP

// JPEG: record type 0xF01D (RGB) or 0xF02A (CMYK); two instance pairs.
class OfficeArtBlipJPEG : public OfficeArtRecord<OfficeArtBlipJPEG, 3, 0, 0, 0xF01D, 0, OfficeArtBlipBase> {
public:
    static constexpr const char* kMessage = "error in record OfficeArtBlipJPEG";
    static constexpr unsigned kSingleUidInstance = 0x46A;
    OfficeArtBlipJPEG() = default;
    // Throws "invalid jpg file" when the data does not begin with FF D8.
    OfficeArtBlipJPEG(const std::uint8_t* bytes, std::size_t n);
    bool checkHeader() const override
    {
        return header.recVer() == 0 && (header.recType() == 0xF01D || header.recType() == 0xF02A);
    }
    bool isSingleUid() const override;
    bool isMetafile() const override { return false; }
    unsigned blipType() const override { return kBlipJpeg; }
    std::uint32_t pictureWidth() const override { return width; }
    std::uint32_t pictureHeight() const override { return height; }
    // Finds the first SOF0-SOF3 frame header; never reads past the data.
    void scanSize();

    std::uint16_t height = 0;
    std::uint16_t width = 0;

protected:
    void readFields(ByteReader& in, const OfficeArtReadContext& ctx) override;
};

// Reads a whole picture file; throws "can't open file".
std::vector<std::uint8_t> readPictureFile(const std::u16string& path);

// ------------------------------------------------------------ blip store

class OfficeArtFBSE : public OfficeArtRecord<OfficeArtFBSE, 3, 2, 0, 0xF007, 0> {
public:
    CELVO_OA_CLASS_NAME(OfficeArtFBSE)
    OfficeArtFBSE() = default;
    OfficeArtFBSE(const OfficeArtFBSE& other);
    OfficeArtFBSE& operator=(const OfficeArtFBSE& other);
    // A new entry for a picture record (which the entry then holds).
    explicit OfficeArtFBSE(std::unique_ptr<OfficeArtBlipBase> picture);
    std::uint32_t bodySize() const override;

    std::uint8_t btWin32 = 0;
    std::uint8_t btMacOS = 0;
    OfficeArtUid rgbUid{};
    std::uint16_t tag = 0x00FF;
    std::uint32_t blipSize = 0;
    std::uint32_t cRef = 0;
    std::uint32_t foDelay = 0;
    std::uint8_t unused1 = 0;
    std::uint8_t unused2 = 0;
    std::uint8_t unused3 = 0;
    // The name bytes as stored (UTF-16 with its terminating NUL); name() decodes.
    std::vector<std::uint8_t> nameBytes;
    std::u16string name() const;
    // The picture record stored inside the entry; null when the picture
    // lives elsewhere (a delay stream).
    std::unique_ptr<OfficeArtRecordBase> blip;

protected:
    void readFields(ByteReader& in, const OfficeArtReadContext& ctx) override;
    void writeFields(ArtWriter& out) const override;
};

class OfficeArtBStoreContainer
    : public OfficeArtRecord<OfficeArtBStoreContainer, 3, 15, 0, 0xF001, 0, OfficeArtContainerBase> {
public:
    CELVO_OA_CLASS_NAME(OfficeArtBStoreContainer)
};

// ------------------------------------------------------------ drawing group

class OfficeArtFDGGBlock : public OfficeArtRecord<OfficeArtFDGGBlock, 7, 0, 0, 0xF006, 0> {
public:
    CELVO_OA_CLASS_NAME(OfficeArtFDGGBlock)
    struct Cluster {
        std::uint32_t dgid = 0;
        std::uint32_t cspidCur = 0;
    };
    std::uint32_t spidMax = 0x403;
    std::uint32_t cidcl = 2;
    std::uint32_t cspSaved = 3;
    std::uint32_t cdgSaved = 1;
    std::vector<Cluster> clusters;

protected:
    void readFields(ByteReader& in, const OfficeArtReadContext&) override;
    void writeFields(ArtWriter& out) const override;
};

class OfficeArtColorMRUContainer : public OfficeArtRecord<OfficeArtColorMRUContainer, 3, 0, 0, 0xF11A, 0> {
public:
    CELVO_OA_CLASS_NAME(OfficeArtColorMRUContainer)
    std::vector<std::uint32_t> colors;

protected:
    void readFields(ByteReader& in, const OfficeArtReadContext&) override;
    void writeFields(ArtWriter& out) const override;
};

class OfficeArtSplitMenuColorContainer
    : public OfficeArtRecord<OfficeArtSplitMenuColorContainer, 15, 0, 4, 0xF11E, 16> {
public:
    CELVO_OA_CLASS_NAME(OfficeArtSplitMenuColorContainer)
    std::uint32_t colors[4] = {0, 0, 0, 0};

protected:
    void readFields(ByteReader& in, const OfficeArtReadContext&) override;
    void writeFields(ArtWriter& out) const override;
};

// The drawing group of a workbook (MSODRAWINGGROUP and its CONTINUE records).
class OfficeArtDggContainer
    : public OfficeArtRecord<OfficeArtDggContainer, 7, 15, 0, 0xF000, 0, OfficeArtContainerBase> {
public:
    CELVO_OA_CLASS_NAME(OfficeArtDggContainer)
    // A new book's group: bookkeeping record absent, empty blip store.
    OfficeArtDggContainer();

    OfficeArtFDGGBlock* fdgg() const { return children.find<OfficeArtFDGGBlock>(); }
    OfficeArtBStoreContainer* blipStore() const { return children.find<OfficeArtBStoreContainer>(); }
    OfficeArtFOPT* defaultProperties() const { return children.find<OfficeArtFOPT>(); }
    OfficeArtSplitMenuColorContainer* splitMenuColors() const
    {
        return children.find<OfficeArtSplitMenuColorContainer>();
    }

    // Pictures of the store, 0-based, in file order.
    std::size_t pictureCount() const;
    OfficeArtFBSE* picture(std::size_t index) const;
    // The entry of a 1-based picture index as shapes store it; throws
    // "pictureId is out of range".
    OfficeArtFBSE& pictureByIndex(std::size_t oneBased) const;
    void addPictureRef(std::size_t oneBased) { ++pictureByIndex(oneBased).cRef; }

    // Gives a group without bookkeeping record (a new book) the records that
    // shapes need; returns false when it already had them.
    bool activate();
    // Appends a picture to the store and returns its 0-based id.
    std::size_t addPicture(std::unique_ptr<OfficeArtBlipBase> picture);

    // BIFF layer. `first` is the MSODRAWINGGROUP record just met; its
    // CONTINUE records (and further MSODRAWINGGROUP records while the
    // container is incomplete) are read too.
    void readRecords(RecordCursor& first, BiffInput& in);
    std::size_t writeRecords(BiffOutput& out) const;

private:
    template <class T>
    T& ensure();
    struct Piece {
        std::uint16_t id;
        std::size_t length;
    };
    std::vector<Piece> pieces_;
    std::vector<std::uint8_t> trailing_;
};

}  // namespace celvo
