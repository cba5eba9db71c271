// The engine's one exception type and the book-message guard used at every
// interface boundary.
#pragma once

#include <exception>
#include <string>
#include <utility>

namespace celvo {

// Thrown anywhere inside the engine; caught only at interface boundaries.
class xlerror : public std::exception {
public:
    explicit xlerror(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// Sets the message to "ok"; cheap when it already is (the usual case).
inline void setOk(std::string& message)
{
    if (message.size() != 2 || message[0] != 'o' || message[1] != 'k') message.assign("ok", 2);
}

// The book-message convention: the message becomes "ok", then the body runs;
// the body may leave a warning in the message instead. Any exception turns
// into its text in the message ("general failure" for non-standard ones)
// and the operation yields its failure value.
template <class R, class Body>
R guard(std::string& message, R failValue, Body&& body) noexcept
{
    try {
        setOk(message);
        return body();
    } catch (const std::exception& e) {
        try { message = e.what(); } catch (...) {}
    } catch (...) {
        try { message = "general failure"; } catch (...) {}
    }
    return failValue;
}

template <class Body>
void guardVoid(std::string& message, Body&& body) noexcept
{
    try {
        setOk(message);
        body();
    } catch (const std::exception& e) {
        try { message = e.what(); } catch (...) {}
    } catch (...) {
        try { message = "general failure"; } catch (...) {}
    }
}

}  // namespace celvo
