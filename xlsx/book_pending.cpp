// The book operations that need the styles part, dates and pictures, which
// are not built yet: each answers "not supported" with its failure value.
#include "book.h"

namespace celvo {

namespace {

template <class R>
R notSupported(std::string& message, R failValue)
{
    return guard(message, failValue, [&]() -> R { throw xlerror("not supported"); });
}

void notSupported(std::string& message)
{
    guardVoid(message, [] { throw xlerror("not supported"); });
}

}  // namespace

IFormatT* XMLBookImplT::addFormat(IFormatT*) { return notSupported(message_, static_cast<IFormatT*>(nullptr)); }
IFontT* XMLBookImplT::addFont(IFontT*) { return notSupported(message_, static_cast<IFontT*>(nullptr)); }
int XMLBookImplT::addCustomNumFormat(const char16_t*) { return notSupported(message_, 0); }
const char16_t* XMLBookImplT::customNumFormat(int) { return notSupported(message_, static_cast<const char16_t*>(nullptr)); }
IFormatT* XMLBookImplT::format(int) { return notSupported(message_, static_cast<IFormatT*>(nullptr)); }
int XMLBookImplT::formatCount() { return notSupported(message_, 0); }
IFontT* XMLBookImplT::font(int) { return notSupported(message_, static_cast<IFontT*>(nullptr)); }
int XMLBookImplT::fontCount() { return notSupported(message_, 0); }
double XMLBookImplT::packedDate(int, int, int, int, int, int, int) { return notSupported(message_, 0.0); }
bool XMLBookImplT::unpackedDate(double, int*, int*, int*, int*, int*, int*, int*) { return notSupported(message_, false); }
int XMLBookImplT::packColor(int, int, int) { return notSupported(message_, 0); }
void XMLBookImplT::unpackColor(int, int*, int*, int*) { notSupported(message_); }
int XMLBookImplT::pictureCount() { return notSupported(message_, 0); }
int XMLBookImplT::getPicture(int, const char**, unsigned*) { return notSupported(message_, 255); }
int XMLBookImplT::addPicture(const char16_t*) { return notSupported(message_, -1); }
int XMLBookImplT::addPictureFromMemory(const char*, unsigned) { return notSupported(message_, -1); }
const char16_t* XMLBookImplT::defaultFont(int*) { return notSupported(message_, static_cast<const char16_t*>(nullptr)); }
void XMLBookImplT::setDefaultFont(const char16_t*, int) { notSupported(message_); }
bool XMLBookImplT::refR1C1() { return notSupported(message_, false); }
void XMLBookImplT::setRefR1C1(bool) { notSupported(message_); }
bool XMLBookImplT::rgbMode() { return notSupported(message_, false); }
void XMLBookImplT::setRgbMode(bool) { notSupported(message_); }
int XMLBookImplT::biffVersion() { return 0; }

// Until the styles part is built a book has no cell formats.
IFormatT* XMLBookImplT::formatAt(std::uint32_t) { return nullptr; }
int XMLBookImplT::formatIndexOf(const IFormatT*) { return -1; }
u16string XMLBookImplT::customNumFormatText(int) { return u16string(); }
bool XMLBookImplT::setLocale(const char*) { return notSupported(message_, false); }

}  // namespace celvo
