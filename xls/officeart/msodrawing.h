// The drawing layer of a worksheet: OfficeArt records spread over MSODRAWING
// records (0x00EC), each followed by the OBJ, TXO, CONTINUE and chart records
// of its shape, and the optional MSODRAWINGSELECTION (0x00ED).
//
// The MSODRAWING records together carry one run of OfficeArt records (the
// drawing container's length spans all of them). The drawing parses that run
// as one record tree, bounded by each container's length, and remembers for
// each MSODRAWING record (a block) the record whose header it begins with;
// writing serialises the tree and cuts it again at those records, so a
// drawing read from a file is written back record for record and a shape
// added to it lies inside the lengths of the containers that hold it.
#pragma once

#include <list>
#include <memory>
#include <vector>

#include "biff_stream.h"
#include "obj_records.h"
#include "officeart_shapes.h"

namespace celvo {

// One MSODRAWING record and the records that followed it.
struct DrawingBlock {
    DrawingBlock() = default;
    DrawingBlock(const DrawingBlock& other);
    DrawingBlock& operator=(const DrawingBlock& other);
    DrawingBlock(DrawingBlock&&) noexcept = default;
    DrawingBlock& operator=(DrawingBlock&&) noexcept = default;

    std::vector<std::unique_ptr<ObjBase>> objects;
    // MSODRAWING, or CONTINUE for drawing data that some writers carry on
    // in a CONTINUE record after the objects of the previous block.
    std::uint16_t recordId = 0x00EC;
    // Lengths of the MSODRAWING record and its CONTINUE records as read.
    std::vector<std::size_t> pieces;
};

class MsoDrawing {
public:
    static constexpr std::uint16_t kId = 0x00EC;
    static constexpr std::uint16_t kSelectionId = 0x00ED;

    MsoDrawing() = default;

    // `rec` is the MSODRAWING record just met. Reads it and every drawing
    // record that follows (further MSODRAWING blocks, OBJ, TXO, CONTINUE,
    // charts, the selection); stops before the first other record.
    std::size_t read(RecordCursor& rec, BiffInput& in);
    // False while the records read so far claim more than they hold (a
    // drawing interrupted by other records goes on at the next read).
    bool complete() const noexcept { return pending_.empty(); }
    // Parses what an incomplete drawing holds; throws when it is malformed.
    // The sheet reader calls it at the end of its substream.
    void finishRead();
    // Nothing when the drawing is empty.
    std::size_t write(BiffOutput& out) const;

    bool empty() const noexcept { return empty_; }
    std::list<DrawingBlock>& blocks() noexcept { return blocks_; }
    const std::list<DrawingBlock>& blocks() const noexcept { return blocks_; }
    OfficeArtChildren& records() noexcept { return records_; }
    OfficeArtDgContainer* dgContainer() const { return records_.find<OfficeArtDgContainer>(); }

    // The shapes directly inside the top group (the patriarch first);
    // nested groups are passed over.
    std::vector<OfficeArtSpContainer*> shapes() const;
    std::vector<OfficeArtSpContainer*> pictures() const;
    // Largest OBJ id of the drawing (0 when none).
    std::uint16_t maxObjectId() const;

    OfficeArtFDGSL selection;
    bool selectionMissing = true;

private:
    std::list<DrawingBlock> blocks_;
    void parse(const std::vector<std::uint8_t>& bytes, const std::vector<std::size_t>& starts);

    OfficeArtChildren records_;
    // Bytes and block starts of an incomplete drawing, parsed once complete.
    std::vector<std::uint8_t> pending_;
    std::vector<std::size_t> pendingStarts_;
    std::vector<std::uint8_t> trailing_;
    std::vector<std::size_t> selectionPieces_;
    bool empty_ = true;
};

}  // namespace celvo
