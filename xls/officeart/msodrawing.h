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

#include <functional>
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

// The group (patriarch) shape of a new drawing.
std::unique_ptr<OfficeArtSpContainer> makeGroupShape(std::uint32_t shapeId);

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

    // ---- edits by the engine
    // Makes an empty drawing a new one: the drawing container with its FDG
    // (drawing id `drawingId`, 1-4095) and the group with the patriarch
    // shape (shape id drawingId x 1024). Throws when the drawing is not empty.
    void start(unsigned drawingId);
    // The drawing id of the FDG; 0 when there is none.
    unsigned drawingId() const;
    // Every shape id of the drawing, in file order.
    std::vector<std::uint32_t> shapeIds() const;
    // Appends a shape to the top group as a new MSODRAWING block followed
    // by `objects` (its OBJ record). `textObjects` (a TXO) follow a further
    // block that begins at the shape's client text box. The containers'
    // lengths span the new shape when written; the FDG counts it.
    OfficeArtSpContainer& appendShape(std::unique_ptr<OfficeArtSpContainer> shape,
                                      std::vector<std::unique_ptr<ObjBase>> objects,
                                      std::vector<std::unique_ptr<ObjBase>> textObjects = {});
    // Removes the comment whose OBJ has this id: its shape, OBJ and TXO.
    // False (and nothing changed) when the drawing does not hold it in the
    // layout comments have.
    bool removeComment(std::uint16_t objectId);
    // The objects of every block, in order.
    std::vector<const ObjBase*> objects() const;
    // The text of the comment whose OBJ (object type 25) has this id: the
    // object right after that OBJ, when it is a TXO; null otherwise.
    const TextObject* commentText(std::uint16_t objectId) const;
    // Sets the FDG's shape count and last shape id from the shapes held.
    void updateCounts();
    // Gives the drawing other ids (a copied sheet's drawing): the FDG's
    // drawing id, and every shape id and OBJ id through the maps, wherever
    // the drawing names them (shapes, selection, solver rules, objects).
    void renumber(unsigned drawingId, const std::function<std::uint32_t(std::uint32_t)>& shapeId,
                  const std::function<std::uint16_t(std::uint16_t)>& objectId);

private:
    // Gives each block the position of the record that begins it, in file
    // order; blocks whose record is gone are dropped.
    void renumberBlocks();
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
