// Helpers shared by the GoogleTest suites.
//
// Outside programs (the independent readers, LibreOffice, zip) run through
// runOutside(), which gives their exit status with their output. Checker
// scripts (tests/tools/checklib.py) end their output with a closing line
// "END ..." once they have done all their work; runChecker() passes only
// when that line came and the exit status is 0, so a checker that crashes,
// is missing or prints nothing fails the test.
//
// A test that cannot run because something it needs is missing (the corpus
// folder, a reader, a tool, a locale) is skipped with GTEST_SKIP and a
// message that names what is missing (CELVO_REQUIRE_*); CTest reports it as
// skipped and the test command fails on it.
#pragma once

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "celvo/text.h"

namespace celvo::test {

// The folder of real spreadsheet files handed to the tests by the test
// command, or "" when it is absent.
inline std::string corpusDir()
{
    const char* d = std::getenv("CELVO_CORPUS");
    return d ? d : "";
}

// The system python3 that has the independent readers installed.
inline std::string systemPython()
{
    const char* p = std::getenv("CELVO_PYTHON");
    return p && *p ? p : "/usr/bin/python3";
}

// The folder of the shared test tools (checklib.py and the like).
inline std::string toolsDir()
{
    const char* d = std::getenv("CELVO_TOOLS");
    return d && *d ? d : "";
}

// A scratch folder (ending in '/') that no other test process shares: the
// test trees of several builds may run at the same time on one machine. It
// is removed with what it holds when the process ends, unless a test failed
// (then it stays for a look).
inline std::string processTempDir()
{
    struct Folder {
        std::string path = ::testing::TempDir() + "celvo_" + std::to_string(::getpid()) + "/";
        ~Folder()
        {
            const ::testing::UnitTest* unit = ::testing::UnitTest::GetInstance();
            if (unit && unit->Passed()) {
                std::error_code ignored;
                std::filesystem::remove_all(path, ignored);
            }
        }
    };
    static Folder folder;
    ::mkdir(folder.path.c_str(), 0700);
    return folder.path;
}

// A shell word that stands for the text as it is.
inline std::string shellQuoted(const std::string& text)
{
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

// What an outside program did: its exit status (-1 when it could not be
// started or was killed by a signal) and its output, standard error included.
struct OutsideRun {
    int status = -1;
    std::string output;
};

// Runs a shell command with no input and collects what it writes to both
// streams. The sanitizer runtimes a test may preload are not passed on.
inline OutsideRun runOutside(const std::string& command)
{
    OutsideRun r;
    const std::string full = "unset LD_PRELOAD; (" + command + ") </dev/null 2>&1";
    FILE* p = ::popen(full.c_str(), "r");
    if (!p) {
        r.output = "could not start: " + command;
        return r;
    }
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.output.append(buf, n);
    const int status = ::pclose(p);
    r.status = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

// True when the shell finds the command.
inline bool haveCommand(const std::string& name)
{
    return runOutside("command -v " + shellQuoted(name) + " >/dev/null").status == 0;
}

// True when the system python imports the module.
inline bool havePythonModule(const std::string& module)
{
    return runOutside(systemPython() + " -c " + shellQuoted("import " + module)).status == 0;
}

// The exit status by which a checker says it cannot run (a reader or a tool
// is missing); its output then holds a line "SKIP <what is missing>".
constexpr int kSkipStatus = 77;

// A checker's run, judged by its closing line.
struct CheckerRun {
    OutsideRun run;
    std::string command;
    std::string body;    // the output before the closing line
    std::string ending;  // the closing line, "" when none came

    bool skipped() const { return run.status == kSkipStatus; }
    bool passed() const { return run.status == 0 && !ending.empty(); }
    std::string skipReason() const
    {
        const std::size_t at = run.output.rfind("SKIP ");
        if (at == std::string::npos) return "the checker cannot run: " + run.output;
        return run.output.substr(at + 5, run.output.find('\n', at) - at - 5);
    }
    // Why the run does not count as passed, with what it printed.
    std::string report() const
    {
        std::string why;
        if (run.status != 0)
            why = "exit status " + std::to_string(run.status);
        else
            why = "no closing \"END\" line";
        return "checker failed (" + why + "): " + command + "\n" + run.output;
    }
};

// Runs a checker: it passes when it exits with 0 and its last line begins
// with "END".
inline CheckerRun runChecker(const std::string& command)
{
    CheckerRun c;
    c.command = command;
    c.run = runOutside(command);
    std::string text = c.run.output;
    while (!text.empty() && text.back() == '\n') text.pop_back();
    const std::size_t start = text.rfind('\n') == std::string::npos ? 0 : text.rfind('\n') + 1;
    if (text.compare(start, 3, "END") == 0) {
        c.ending = text.substr(start);
        c.body = text.substr(0, start);
    } else {
        c.body = c.run.output;
    }
    return c;
}

inline ::testing::AssertionResult checkerPassed(const CheckerRun& c)
{
    if (c.passed()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << c.report();
}

// A checker script of a test folder run under the system python.
inline std::string pythonScript(const std::string& script, const std::string& args)
{
    return systemPython() + " " + shellQuoted(script) + " " + args;
}

// The line of a checker's output that begins with `start`, or "".
inline std::string lineOf(const std::string& output, const std::string& start)
{
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind(start, 0) == 0) return line;
    return "";
}

// Every fact ("key=value") found in the line.
inline void expectFacts(const std::string& line, const std::vector<std::string>& facts, const std::string& what)
{
    const std::string padded = " " + line + " ";
    for (const std::string& fact : facts)
        EXPECT_NE(padded.find(" " + fact + " "), std::string::npos) << what << ": " << fact << "\nin: " << line;
}

// The files of a folder of the corpus whose names end with the suffix, with
// their folder, sorted. Finding none is a failure of the calling test.
inline std::vector<std::string> corpusFiles(const std::string& sub, const std::string& suffix)
{
    std::vector<std::string> files;
    const std::string dir = corpusDir() + "/" + sub;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (dirent* e = ::readdir(d)) {
            const std::string name = e->d_name;
            if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
                files.push_back(dir + "/" + name);
        }
        ::closedir(d);
    }
    std::sort(files.begin(), files.end());
    if (files.empty()) ADD_FAILURE() << "no " << suffix << " file in the corpus folder " << dir;
    return files;
}

// One category of the process locale switched for the life of the object;
// the locale before is put back at its end. ok() tells whether the switch
// was made (the locale is installed).
class ScopedLocale {
public:
    ScopedLocale(int category, const char* name) : category_(category)
    {
        const char* before = std::setlocale(category, nullptr);
        before_ = before ? before : "C";
        ok_ = std::setlocale(category, name) != nullptr;
    }
    ~ScopedLocale() { std::setlocale(category_, before_.c_str()); }
    ScopedLocale(const ScopedLocale&) = delete;
    ScopedLocale& operator=(const ScopedLocale&) = delete;
    bool ok() const { return ok_; }

private:
    int category_;
    std::string before_;
    bool ok_ = false;
};

}  // namespace celvo::test

// Skips the test when the test command gave no corpus folder; fails it when
// the folder given does not exist.
#define CELVO_REQUIRE_CORPUS()                                                                         \
    do {                                                                                               \
        if (::celvo::test::corpusDir().empty())                                                        \
            GTEST_SKIP() << "the corpus folder is not given (set CELVO_CORPUS_DIR)";                   \
        struct stat celvo_corpus_st_;                                                                  \
        ASSERT_TRUE(::stat(::celvo::test::corpusDir().c_str(), &celvo_corpus_st_) == 0 &&              \
                    S_ISDIR(celvo_corpus_st_.st_mode))                                                 \
            << "the corpus folder " << ::celvo::test::corpusDir() << " does not exist";                \
    } while (0)

// Skips the test when a command it runs is not installed.
#define CELVO_REQUIRE_COMMAND(command, what)                                                           \
    do {                                                                                               \
        if (!::celvo::test::haveCommand(command))                                                      \
            GTEST_SKIP() << what << " (" << command << ") is not installed";                           \
    } while (0)

#define CELVO_REQUIRE_LIBREOFFICE() CELVO_REQUIRE_COMMAND("soffice", "LibreOffice")

// Switches a category of the process locale for the rest of the scope
// (`variable` names the switch); the test is skipped when the locale is not
// installed.
#define CELVO_SWITCH_LOCALE(variable, category, name)                                                  \
    const ::celvo::test::ScopedLocale variable(category, name);                                        \
    if (!variable.ok()) GTEST_SKIP() << "the locale " << name << " is not installed"

// Skips the test when the system python lacks a reader module.
#define CELVO_REQUIRE_PYTHON_MODULE(module, package)                                                   \
    do {                                                                                               \
        if (!::celvo::test::havePythonModule(module))                                                  \
            GTEST_SKIP() << package << " (python module " << module << ") is not installed";           \
    } while (0)

// Runs a checker and puts the output before its closing line into `output`
// (a std::string): the test is skipped when the checker says it cannot run,
// and fails when the checker fails, crashes or never reaches its end.
#define CELVO_ASSERT_CHECKER(command, output)                                                          \
    do {                                                                                               \
        const ::celvo::test::CheckerRun celvo_checker_ = ::celvo::test::runChecker(command);           \
        if (celvo_checker_.skipped()) GTEST_SKIP() << celvo_checker_.skipReason();                     \
        ASSERT_TRUE(::celvo::test::checkerPassed(celvo_checker_));                                     \
        output = celvo_checker_.body;                                                                  \
    } while (0)
