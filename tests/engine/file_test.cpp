#include "celvo/file.h"
#include "celvo/xlerror.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "test_support.h"

using namespace celvo;

namespace {
std::string tempDir()
{
    char tmpl[] = "/tmp/celvo-file-XXXXXX";
    const char* d = ::mkdtemp(tmpl);
    return d ? d : "/tmp";
}
std::string slurp(const std::string& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
}  // namespace

TEST(File, ExistenceTruthTable)
{
    std::string dir = tempDir();
    std::string file = dir + "/f \xF0\x9F\x98\x80.txt";
    std::ofstream(file) << "x";
    struct Case { std::string path; bool file, dir; };
    const Case cases[] = {
        {file, true, false},
        {dir, false, true},
        {dir + "/missing", false, false},
        {file + "/below-a-file", false, false},
        {"", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fileExists(c.path), c.file) << c.path;
        EXPECT_EQ(directoryExists(c.path), c.dir) << c.path;
    }
}

TEST(File, ReadWholeFileRefusesDirectoriesAndMissingFiles)
{
    std::string dir = tempDir();
    std::vector<std::uint8_t> out;
    EXPECT_FALSE(readWholeFile(dir, out));
    EXPECT_FALSE(readWholeFile(dir + "/none", out));
    std::ofstream(dir + "/a", std::ios::binary) << "hello";
    ASSERT_TRUE(readWholeFile(dir + "/a", out));
    EXPECT_EQ(std::string(out.begin(), out.end()), "hello");
    EXPECT_THROW(readWholeFile(dir + "/a", out, 3), xlerror);
}

TEST(File, AtomicWriteReplacesOnlyOnSuccess)
{
    std::string dir = tempDir();
    std::string target = dir + "/book.xls";
    ASSERT_TRUE(atomicWriteFile(target, "first", 5));
    EXPECT_EQ(slurp(target), "first");
    ASSERT_TRUE(atomicWriteFile(target, "second", 6));
    EXPECT_EQ(slurp(target), "second");

    // A target that is a directory, or a folder that does not exist, fails
    // and leaves everything as it was.
    std::string err;
    EXPECT_FALSE(atomicWriteFile(dir, "x", 1, &err));
    EXPECT_EQ(err, "can't open file for writing");
    EXPECT_FALSE(atomicWriteFile(dir + "/no/such/book.xls", "x", 1));
    EXPECT_EQ(slurp(target), "second");
}
