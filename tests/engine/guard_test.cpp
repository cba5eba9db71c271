#include "celvo/xlerror.h"

#include <new>
#include <stdexcept>

#include "test_support.h"

using namespace celvo;

TEST(Guard, MessageConvention)
{
    std::string message = "previous";
    EXPECT_EQ(guard(message, -1, [] { return 7; }), 7);
    EXPECT_EQ(message, "ok");

    EXPECT_EQ(guard(message, -1, []() -> int { throw xlerror("Window1 size is incorrect"); }), -1);
    EXPECT_EQ(message, "Window1 size is incorrect");

    EXPECT_EQ(guard(message, false, []() -> bool { throw std::bad_alloc(); }), false);
    EXPECT_EQ(message, std::bad_alloc().what());

    EXPECT_EQ(guard(message, 255, []() -> int { throw 42; }), 255);
    EXPECT_EQ(message, "general failure");

    // A warning left by the body stands instead of "ok".
    EXPECT_TRUE(guard(message, false, [&] {
        message = "warning: sheet's name is cut to 31 characters";
        return true;
    }));
    EXPECT_EQ(message, "warning: sheet's name is cut to 31 characters");

    guardVoid(message, [] { throw std::out_of_range("range"); });
    EXPECT_EQ(message, "range");
}
