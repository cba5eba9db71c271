// Real files through the book: every workbook of the corpus that holds
// drawings loads and saves with its drawing records (MSODRAWINGGROUP,
// MSODRAWING, MSODRAWINGSELECTION, OBJ, TXO, their CONTINUE records and the
// embedded chart substreams, and the chart sheets) equal to the input's, and an independent reader
// finds the same cell comments in both files.
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "book.h"
#include "celvo/file.h"
#include "test_support.h"
#include "xls.h"

namespace celvo {
namespace {

struct Record {
    std::uint16_t id;
    std::vector<std::uint8_t> data;
    bool operator==(const Record& o) const { return id == o.id && data == o.data; }
};

bool isDrawingRecord(std::uint16_t id)
{
    return id == 0x00EB || id == 0x00EC || id == 0x00ED || id == 0x005D || id == 0x01B6;
}

bool isChartSheet(RecordCursor& bof)
{
    std::vector<std::uint8_t> data = bof.rest();
    return data.size() >= 4 && getU16(data.data() + 2) == 0x0020;
}

// The drawing and chart records of a workbook stream, in order; an empty result with
// ok = false when the stream cannot be walked.
std::vector<Record> drawingRecords(const std::vector<std::uint8_t>& file, bool& ok)
{
    std::vector<Record> list;
    ok = false;
    Xls xls;
    try {
        xls.read(file);
        BiffInput& in = xls.input();
        bool inRun = false;
        while (!in.eof()) {
            RecordCursor rec = in.next();
            std::uint16_t id = rec.id();
            if (isDrawingRecord(id) || (inRun && id == 0x003C)) {
                list.push_back({id, rec.rest()});
                inRun = true;
            } else if (id == 0x0809 && (inRun || isChartSheet(rec))) {
                // An embedded chart or a chart sheet: kept whole up to its own EOF.
                list.push_back({id, rec.rest()});
                int depth = 1;
                while (depth > 0 && !in.eof()) {
                    RecordCursor c = in.next();
                    list.push_back({c.id(), c.rest()});
                    if (c.id() == 0x0809) ++depth;
                    if (c.id() == 0x000A) --depth;
                }
            } else {
                inRun = false;
            }
        }
        ok = true;
    } catch (const std::exception&) {
    }
    return list;
}

std::vector<std::string> corpusXlsFiles() { return test::corpusFiles("xls", ".xls"); }

std::string run(const std::string& command)
{
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[4096];
        std::size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        pclose(p);
    }
    return out;
}

TEST(OfficeArtBook, CorpusDrawingsSurviveLoadAndSave)
{
    CELVO_REQUIRE_CORPUS();
    std::string tmp = ::testing::TempDir() + "officeart_book_" + std::to_string(getpid());
    ASSERT_EQ(run("mkdir -p '" + tmp + "' && echo ok"), "ok\n");
    int compared = 0;
    for (const std::string& path : corpusXlsFiles()) {
        std::vector<std::uint8_t> input;
        if (!readWholeFile(path, input)) continue;
        bool okIn = false;
        std::vector<Record> expected = drawingRecords(input, okIn);
        if (!okIn || expected.empty()) continue;

        BookImplT* book = new BookImplT();
        const char* data = nullptr;
        unsigned size = 0;
        bool loaded = book->loadFromMemory(reinterpret_cast<const char*>(input.data()),
                                           static_cast<unsigned>(input.size()));
        bool saved = loaded && book->saveToMemory(&data, &size);
        std::vector<std::uint8_t> output;
        if (saved) output.assign(data, data + size);
        std::string message = book->errorMessage();
        book->release();
        if (!saved) {
            std::printf("not compared (%s): %s\n", message.c_str(), path.c_str());
            continue;
        }
        bool okOut = false;
        std::vector<Record> actual = drawingRecords(output, okOut);
        ASSERT_TRUE(okOut) << path;
        EXPECT_TRUE(actual == expected) << path << ": " << expected.size() << " drawing records in, "
                                        << actual.size() << " out";
        ++compared;

        // Comments as an independent reader finds them.
        std::string savedPath = tmp + "/out.xls";
        ASSERT_TRUE(atomicWriteFile(savedPath, output.data(), output.size()));
        std::string script = std::string(CELVO_XLS_TEST_DIR) + "/officeart_notes.py";
        std::string before, after;
        CELVO_ASSERT_CHECKER(test::pythonScript(script, test::shellQuoted(path)), before);
        CELVO_ASSERT_CHECKER(test::pythonScript(script, test::shellQuoted(savedPath)), after);
        if (before.rfind("REFUSED", 0) == 0) continue;  // the reader refuses the input itself
        EXPECT_EQ(after, before) << path;
    }
    std::printf("%d workbooks with drawings compared\n", compared);
    EXPECT_GT(compared, 0);
    run("rm -rf '" + tmp + "'");
}

// Pictures as another application shows them: each corpus workbook with
// pictures is converted to .xlsx by LibreOffice before and after a load and
// save through the engine, and the picture parts are byte for byte the same.
TEST(OfficeArtBook, CorpusPicturesLookTheSameToAnotherApplication)
{
    CELVO_REQUIRE_CORPUS();
    CELVO_REQUIRE_LIBREOFFICE();
    std::string tmp = ::testing::TempDir() + "officeart_media_" + std::to_string(getpid());
    ASSERT_EQ(run("mkdir -p '" + tmp + "/in' '" + tmp + "/out' && echo ok"), "ok\n");
    std::string inputs, outputs;
    int files = 0;
    for (const std::string& path : corpusXlsFiles()) {
        std::vector<std::uint8_t> input;
        if (!readWholeFile(path, input)) continue;
        BookImplT* book = new BookImplT();
        const char* data = nullptr;
        unsigned size = 0;
        bool withPictures = book->loadFromMemory(reinterpret_cast<const char*>(input.data()),
                                                 static_cast<unsigned>(input.size())) &&
                            book->drawingGroup().pictureCount() > 0;
        bool saved = withPictures && book->saveToMemory(&data, &size);
        std::vector<std::uint8_t> output;
        if (saved) output.assign(data, data + size);
        book->release();
        if (!saved) continue;
        std::string name = path.substr(path.rfind('/') + 1);
        ASSERT_TRUE(atomicWriteFile(tmp + "/in/" + name, input.data(), input.size()));
        ASSERT_TRUE(atomicWriteFile(tmp + "/out/" + name, output.data(), output.size()));
        inputs += " '" + tmp + "/in/" + name + "'";
        outputs += " '" + tmp + "/out/" + name + "'";
        ++files;
    }
    ASSERT_GT(files, 0);
    const std::string script = CELVO_XLS_TEST_DIR "/media_lo_check.py";
    std::string before, after;
    CELVO_ASSERT_CHECKER(test::pythonScript(script, "'" + tmp + "/in'" + inputs), before);
    CELVO_ASSERT_CHECKER(test::pythonScript(script, "'" + tmp + "/out'" + outputs), after);
    // Files with embedded objects (storages beside the workbook stream) are
    // compared too: saving keeps those storages.
    auto pictureLines = [](const std::string& text, std::vector<std::string>* embedded) {
        std::vector<std::string> out;
        std::size_t at = 0;
        while (at < text.size()) {
            std::size_t end = text.find('\n', at);
            if (end == std::string::npos) end = text.size();
            std::string line = text.substr(at, end - at);
            at = end + 1;
            if (line.rfind("EMBEDDED ", 0) == 0) {
                if (embedded) embedded->push_back(line.substr(9));
                continue;
            }
            out.push_back(line);
        }
        return out;
    };
    std::vector<std::string> embedded;
    std::vector<std::string> expected = pictureLines(before, &embedded);
    std::vector<std::string> actual = pictureLines(after, nullptr);
    ASSERT_EQ(actual.size(), expected.size()) << after;
    int compared = 0;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(actual[i], expected[i]);
        ++compared;
    }
    EXPECT_GT(compared, 0);
    std::printf("%d workbooks with pictures compared\n%s", compared, before.c_str());
    run("rm -rf '" + tmp + "'");
}

}  // namespace
}  // namespace celvo
