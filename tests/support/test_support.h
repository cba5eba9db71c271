// Helpers shared by the GoogleTest suites.
#pragma once

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ostream>
#include <string>

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

// A scratch folder (ending in '/') that no other test process shares: the
// test trees of several builds may run at the same time on one machine.
inline std::string processTempDir()
{
    const std::string dir = ::testing::TempDir() + "celvo_" + std::to_string(::getpid()) + "/";
    ::mkdir(dir.c_str(), 0700);
    return dir;
}

}  // namespace celvo::test

#define CELVO_REQUIRE_CORPUS()                                                          \
    do {                                                                                \
        if (::celvo::test::corpusDir().empty())                                         \
            GTEST_SKIP() << "corpus folder not given (set CELVO_CORPUS_DIR); skipped";  \
    } while (0)
