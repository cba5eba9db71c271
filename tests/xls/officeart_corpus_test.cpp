// Real files: every drawing group and sheet drawing of the corpus is read
// and written back byte for byte (the records from MSODRAWINGGROUP or the
// first MSODRAWING up to the first record that is not the drawing's).
#include <dirent.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "celvo/file.h"
#include "msodrawing.h"
#include "officeart_group.h"
#include "test_support.h"
#include "xls.h"

namespace celvo {
namespace {

std::vector<std::string> corpusXlsFiles() { return test::corpusFiles("xls", ".xls"); }

struct RoundTrip {
    int groups = 0, drawings = 0, pictures = 0, objects = 0;
};

// Reads every drawing of a workbook stream and compares what it writes
// with the input's records.
void roundTripStream(const std::vector<std::uint8_t>& stream, const std::string& file, RoundTrip& stats)
{
    BiffInput in(stream);
    while (!in.eof()) {
        std::size_t start = in.position();
        std::optional<RecordCursor> next;
        try {
            next.emplace(in.next());
        } catch (const std::exception&) {
            return;  // a stream cut short: the records before it were checked
        }
        RecordCursor& rec = *next;
        if (rec.id() == 0x00EB) {
            OfficeArtDggContainer group;
            ASSERT_NO_THROW(group.readRecords(rec, in)) << file;
            BiffOutput out;
            group.writeRecords(out);
            std::vector<std::uint8_t> expected(stream.begin() + start, stream.begin() + in.position());
            EXPECT_EQ(out.bytes(), expected) << file << ": drawing group at " << start;
            ++stats.groups;
            stats.pictures += static_cast<int>(group.pictureCount());
        } else if (rec.id() == MsoDrawing::kId) {
            MsoDrawing drawing;
            try {
                drawing.read(rec, in);
            } catch (const std::exception& e) {
                ADD_FAILURE() << file << ": drawing at " << start << ": " << e.what();
                return;
            }
            MsoDrawing copy(drawing);
            BiffOutput out;
            copy.write(out);
            std::vector<std::uint8_t> expected(stream.begin() + start, stream.begin() + in.position());
            EXPECT_EQ(out.bytes(), expected) << file << ": drawing at " << start;
            ++stats.drawings;
            for (const auto& b : drawing.blocks()) stats.objects += static_cast<int>(b.objects.size());
        }
    }
}

TEST(OfficeArtCorpus, DrawingRecordsRoundTripByteForByte)
{
    CELVO_REQUIRE_CORPUS();
    RoundTrip stats;
    for (const std::string& path : corpusXlsFiles()) {
        std::vector<std::uint8_t> file;
        if (!readWholeFile(path, file)) continue;
        Xls xls;
        try {
            xls.read(file);
        } catch (const std::exception&) {
            continue;  // files the container refuses are other tests' business
        }
        roundTripStream(xls.input().bytes(), path, stats);
    }
    std::printf("drawing groups %d (pictures %d), sheet drawings %d (objects %d)\n", stats.groups,
                stats.pictures, stats.drawings, stats.objects);
    EXPECT_GT(stats.groups, 0);
    EXPECT_GT(stats.drawings, 0);
}

}  // namespace
}  // namespace celvo
