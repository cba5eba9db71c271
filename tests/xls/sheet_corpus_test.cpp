// Every .xls file of the corpus that loads is saved again, and the
// independent reader finds the same values in both files.
#include "test_support.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "book.h"
#include "celvo/text.h"
#include "xls_test_util.h"

namespace celvo {
namespace {

TEST(SheetCorpus, SavedCopiesKeepEveryValue)
{
    CELVO_REQUIRE_CORPUS();
    const std::string folder = test::corpusDir() + "/xls";
    const std::string out = test::processTempDir() + "celvo_sheet_roundtrip";
    ASSERT_EQ(test::runOutside("mkdir -p " + out).status, 0);
    const std::string pairs = out + "/pairs.tsv";
    std::ofstream list(pairs);
    int saved = 0;
    for (const std::string& name : test::xlsFiles(folder)) {
        SCOPED_TRACE(name);
        BookImplT* book = new BookImplT();
        const std::string from = folder + "/" + name;
        const std::string to = out + "/" + name;
        if (book->load(utf8ToUtf16(from).c_str()) && book->biffVersion() == 0x0600) {
            EXPECT_TRUE(book->save(utf8ToUtf16(to).c_str())) << book->errorMessage();
            list << name << '\t' << from << '\t' << to << '\n';
            ++saved;
        }
        book->release();
    }
    list.close();
    ASSERT_GT(saved, 0) << "no corpus file loaded";

    std::string report;
    CELVO_ASSERT_CHECKER(test::pythonScript(CELVO_XLS_TEST_DIR "/xls_values_compare.py", pairs), report);
}

}  // namespace
}  // namespace celvo
