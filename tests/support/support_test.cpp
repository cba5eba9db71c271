// The verdict of an outside checker as the test helpers judge it: only a
// run that exits with 0 after its closing "END" line passes.
#include "test_support.h"

namespace celvo {
namespace {

TEST(TestSupport, CheckerVerdicts)
{
    struct Case {
        const char* command;
        bool passed, skipped;
        const char* body;
    };
    const Case cases[] = {
        {"printf 'a 1\\nb 2\\nEND 2 checks\\n'", true, false, "a 1\nb 2\n"},
        {"echo END", true, false, ""},
        {"true", false, false, ""},                                  // prints nothing
        {"echo 'a 1'", false, false, "a 1\n"},                       // stops before its end
        {"printf 'FAIL x\\nEND\\n'; exit 1", false, false, "FAIL x\n"},  // exit status counts
        {"echo END; kill -9 $$", false, false, ""},                  // killed
        {"no-such-checker-program", false, false, nullptr},          // missing
        {"echo 'SKIP LibreOffice (soffice) is not installed'; exit 77", false, true, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        const test::CheckerRun r = test::runChecker(c.command);
        EXPECT_EQ(r.passed(), c.passed) << r.run.output;
        EXPECT_EQ(static_cast<bool>(test::checkerPassed(r)), c.passed);
        EXPECT_EQ(r.skipped(), c.skipped);
        if (c.body) {
            EXPECT_EQ(r.body, c.body);
        }
        if (c.skipped) {
            EXPECT_EQ(r.skipReason(), "LibreOffice (soffice) is not installed");
        }
    }
}

// The macro hands the body on (into a variable of any name) and stops the
// test on a checker that fails.
TEST(TestSupport, AssertCheckerGivesTheBody)
{
    std::string body, other;
    CELVO_ASSERT_CHECKER("printf 'a 1\\nEND 1 check\\n'", body);
    CELVO_ASSERT_CHECKER("echo END", other);
    EXPECT_EQ(body, "a 1\n");
    EXPECT_EQ(other, "");
}

TEST(TestSupport, OutsideStatusAndOutput)
{
    const test::OutsideRun r = test::runOutside("echo out; echo err >&2; exit 3");
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.output, "out\nerr\n");
    EXPECT_TRUE(test::haveCommand("sh"));
    EXPECT_FALSE(test::haveCommand("no-such-program-here"));
    EXPECT_EQ(test::runOutside("printf %s " + test::shellQuoted("it's $HOME")).output, "it's $HOME");
}

}  // namespace
}  // namespace celvo
