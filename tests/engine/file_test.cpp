#include "celvo/file.h"
#include "celvo/xlerror.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
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

namespace {

struct stat statOf(const std::string& path, bool follow = true)
{
    struct stat st {};
    EXPECT_EQ(follow ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st), 0) << path;
    return st;
}

// Runs f in a child process with the rights of "nobody" when the tests run
// as root (root may write any file, so refusals are seen only below it).
// Returns f's result.
template <class F>
bool asUnprivileged(F f)
{
    if (::geteuid() != 0) return f();
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
        ::_exit(f() ? 1 : 0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 2) << "the child could not drop its rights";
    return WIFEXITED(status) && WEXITSTATUS(status) == 1;
}

}  // namespace

TEST(File, SavingRespectsWhatIsAtThePath)
{
    const std::string dir = tempDir();
    ::chmod(dir.c_str(), 0777);
    std::string err;

    // A symbolic link (absolute, relative, or a chain) is followed: the file
    // it names gets the new content and the link stays a link.
    ::mkdir((dir + "/real").c_str(), 0777);
    std::ofstream(dir + "/real/book.xls") << "old";
    ASSERT_EQ(::symlink((dir + "/real/book.xls").c_str(), (dir + "/abs.xls").c_str()), 0);
    ASSERT_EQ(::symlink("real/book.xls", (dir + "/rel.xls").c_str()), 0);
    ASSERT_EQ(::symlink("rel.xls", (dir + "/chain.xls").c_str()), 0);
    for (const char* link : {"/abs.xls", "/rel.xls", "/chain.xls"}) {
        SCOPED_TRACE(link);
        ASSERT_TRUE(atomicWriteFile(dir + link, "new", 3, &err)) << err;
        EXPECT_TRUE(S_ISLNK(statOf(dir + link, false).st_mode));
        EXPECT_EQ(slurp(dir + "/real/book.xls"), "new");
        std::ofstream(dir + "/real/book.xls") << "old";
    }
    // A link to a file that does not exist yet makes that file.
    ASSERT_EQ(::symlink("real/later.xls", (dir + "/dangling.xls").c_str()), 0);
    ASSERT_TRUE(atomicWriteFile(dir + "/dangling.xls", "made", 4, &err)) << err;
    EXPECT_EQ(slurp(dir + "/real/later.xls"), "made");
    EXPECT_TRUE(S_ISLNK(statOf(dir + "/dangling.xls", false).st_mode));
    // Links that loop are refused.
    ASSERT_EQ(::symlink("loop2.xls", (dir + "/loop1.xls").c_str()), 0);
    ASSERT_EQ(::symlink("loop1.xls", (dir + "/loop2.xls").c_str()), 0);
    EXPECT_FALSE(atomicWriteFile(dir + "/loop1.xls", "x", 1, &err));
    EXPECT_EQ(err, "can't open file for writing");

    // What is not a regular file is refused and left as it was: a FIFO, a
    // device (also through a link), a folder. The device is a node of the
    // scratch folder (made when the tests may make one), never one of the
    // system's, so that a fault here cannot replace it.
    ASSERT_EQ(::mkfifo((dir + "/fifo").c_str(), 0666), 0);
    std::vector<std::string> refused = {dir + "/fifo", dir + "/real"};
    if (::mknod((dir + "/null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        ASSERT_EQ(::symlink("null", (dir + "/null.xls").c_str()), 0);
        refused.push_back(dir + "/null");
        refused.push_back(dir + "/null.xls");
    }
    for (const std::string& path : refused) {
        SCOPED_TRACE(path);
        const struct stat before = statOf(path);
        err.clear();
        EXPECT_FALSE(atomicWriteFile(path, "x", 1, &err));
        EXPECT_EQ(err, "can't open file for writing");
        const struct stat after = statOf(path);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_rdev, before.st_rdev);
    }

    // A new file takes the usual mode under the process umask, which stays
    // as it was (other threads may be making files meanwhile), and leaves no
    // temporary file beside it.
    for (mode_t mask : {mode_t(022), mode_t(077), mode_t(0)}) {
        const mode_t before = ::umask(mask);
        const std::string path = dir + "/new" + std::to_string(mask) + ".xls";
        EXPECT_TRUE(atomicWriteFile(path, "new", 3, &err)) << err;
        EXPECT_EQ(::umask(before), mask);
        EXPECT_EQ(statOf(path).st_mode & 07777, 0666u & ~mask) << mask;
    }
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        EXPECT_NE(entry.path().filename().string().rfind(".new", 0), 0u) << entry.path();

    // The new file keeps the permission bits of the one it replaces.
    std::ofstream(dir + "/private.xls") << "old";
    ::chmod((dir + "/private.xls").c_str(), 0640);
    ASSERT_TRUE(atomicWriteFile(dir + "/private.xls", "new", 3, &err)) << err;
    EXPECT_EQ(statOf(dir + "/private.xls").st_mode & 07777, 0640u);

    // A file that a plain write would be refused is refused and kept.
    std::ofstream(dir + "/readonly.xls") << "old";
    ::chmod((dir + "/readonly.xls").c_str(), 0444);
    EXPECT_FALSE(asUnprivileged([&] { return atomicWriteFile(dir + "/readonly.xls", "new", 3); }));
    EXPECT_EQ(slurp(dir + "/readonly.xls"), "old");
    // ...while one it may write is replaced.
    std::ofstream(dir + "/open.xls") << "old";
    ::chmod((dir + "/open.xls").c_str(), 0666);
    EXPECT_TRUE(asUnprivileged([&] { return atomicWriteFile(dir + "/open.xls", "new", 3); }));
    EXPECT_EQ(slurp(dir + "/open.xls"), "new");

    // A file with several names: the saved name gets a new file, the other
    // name keeps the old content.
    std::ofstream(dir + "/first.xls") << "old";
    ASSERT_EQ(::link((dir + "/first.xls").c_str(), (dir + "/second.xls").c_str()), 0);
    ASSERT_TRUE(atomicWriteFile(dir + "/first.xls", "new", 3, &err)) << err;
    EXPECT_EQ(slurp(dir + "/first.xls"), "new");
    EXPECT_EQ(slurp(dir + "/second.xls"), "old");
}

TEST(File, BookFilesAreCheckedBeforeTheyAreRead)
{
    const std::string dir = tempDir();
    const std::string signature("\xD0\xCF\x11\xE0", 4);
    BookFileRules rules;
    rules.signatures = {signature};
    rules.wrongSignature = "not a book";
    rules.maxSize = 1ull << 30;

    // A sparse file of 1 GB: refused on its first bytes, nothing else read.
    const std::string sparse = dir + "/sparse.bin";
    std::ofstream(sparse).close();
    ASSERT_EQ(::truncate(sparse.c_str(), 1000000000), 0);
    // The same with the right first bytes, over the limit: refused by its size.
    const std::string big = dir + "/big.bin";
    std::ofstream(big, std::ios::binary) << signature;
    ASSERT_EQ(::truncate(big.c_str(), (1ll << 30) + 1), 0);
    ASSERT_EQ(::mkfifo((dir + "/fifo").c_str(), 0666), 0);
    std::ofstream(dir + "/short.bin", std::ios::binary) << "\xD0\xCF";
    std::ofstream(dir + "/good.bin", std::ios::binary) << signature << "rest";

    struct Case {
        std::string path;
        const char* message;  // null: read
    };
    const std::vector<Case> cases = {
        {"/dev/zero", "can't open file for reading"},
        {"/dev/urandom", "can't open file for reading"},
        {dir + "/fifo", "can't open file for reading"},
        {dir, "can't open file for reading"},
        {dir + "/missing", "can't open file for reading"},
        {sparse, "not a book"},
        {big, "file is too large"},
        {dir + "/short.bin", "not a book"},
        {dir + "/good.bin", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        try {
            const std::vector<std::uint8_t> bytes = readBookFile(c.path, rules);
            EXPECT_EQ(c.message, nullptr);
            EXPECT_EQ(std::string(bytes.begin(), bytes.end()), signature + "rest");
        } catch (const xlerror& e) {
            EXPECT_STREQ(e.what(), c.message ? c.message : "(read)");
        }
    }
}

TEST(File, PathsThatAreNotUtf8KeepTheirBytes)
{
    // Each path's bytes come back unchanged through UTF-16.
    const std::vector<std::string> paths = {
        "out\x9b.xls",          // a lone continuation byte
        "\xff\xfe",             // bytes that never occur in UTF-8
        "cut\xc3",              // a sequence cut short
        "\xc0\xaf",             // an overlong form
        "\xed\xa0\x80",         // a surrogate written as UTF-8
        "\xf4\x90\x80\x80",     // past U+10FFFF
        "caf\xc3\xa9 \xf0\x9f\x98\x80.xls",  // valid UTF-8
    };
    for (const std::string& p : paths) {
        SCOPED_TRACE(p);
        EXPECT_EQ(pathToNative(pathFromNative(p)), p);
    }
    // Valid UTF-8 reads as its text.
    EXPECT_EQ(pathFromNative("caf\xc3\xa9"), u"caf\u00e9");
    EXPECT_EQ(pathFromNative("a\x9b"), u16string(u"a\xDC9B"));

    // A file under such a name is found and written under that very name.
    const std::string dir = tempDir();
    const std::string name = dir + "/out\x9b.xls";
    ASSERT_TRUE(atomicWriteFile(pathToNative(pathFromNative(name)), "x", 1));
    EXPECT_EQ(slurp(name), "x");
    EXPECT_TRUE(fileExists(pathToNative(pathFromNative(name))));

    // No path holds a NUL byte or a surrogate that stands for no byte.
    for (const u16string& bad : {u16string(u"a\0b", 3), pathFromNative(std::string("a\0b", 3)), u16string(u"a\xD800"),
                                 u16string(u"a\xDC41")}) {
        EXPECT_THROW(pathToNative(bad), xlerror);
    }
}
