// The book operations on pictures, which are not built yet: each answers
// "not supported" with its failure value.
#include "book.h"

namespace celvo {

namespace {

template <class R>
R notSupported(std::string& message, R failValue)
{
    return guard(message, failValue, [&]() -> R { throw xlerror("not supported"); });
}

}  // namespace

int XMLBookImplT::pictureCount() { return notSupported(message_, 0); }
int XMLBookImplT::getPicture(int, const char**, unsigned*) { return notSupported(message_, 255); }
int XMLBookImplT::addPicture(const char16_t*) { return notSupported(message_, -1); }
int XMLBookImplT::addPictureFromMemory(const char*, unsigned) { return notSupported(message_, -1); }
int XMLBookImplT::biffVersion() { return 0; }


}  // namespace celvo
