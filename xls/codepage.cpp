#include "codepage.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ucnv_err.h>

#include <string>

#include "celvo/xlerror.h"

namespace celvo {

namespace {

// Bytes that are no character of the code page (undefined, or a character
// cut short) become one U+FFFD, whatever substitute the converter has.
void toReplacement(const void*, UConverterToUnicodeArgs* args, const char*, int32_t, UConverterCallbackReason reason,
                   UErrorCode* err)
{
    if (reason > UCNV_IRREGULAR) return;  // reset, close, clone
    static const UChar kReplacement = 0xFFFD;
    *err = U_ZERO_ERROR;
    ucnv_cbToUWriteUChars(args, &kReplacement, 1, 0, err);
}

// An 8-bit converter for the code page number, or null when none is known.
UConverter* openConverter(std::uint16_t codePage)
{
    for (const char* family : {"windows-", "ibm-"}) {
        const std::string name = family + std::to_string(codePage);
        UErrorCode status = U_ZERO_ERROR;
        UConverter* c = ucnv_open(name.c_str(), &status);
        if (U_FAILURE(status) || !c) continue;
        // Texts of one or two bytes a character only (never UTF-16 or UTF-32).
        if (ucnv_getMinCharSize(c) == 1) {
            status = U_ZERO_ERROR;
            ucnv_setToUCallBack(c, toReplacement, nullptr, nullptr, nullptr, &status);
            if (U_SUCCESS(status)) return c;
        }
        ucnv_close(c);
    }
    return nullptr;
}

}  // namespace

CodePageText::CodePageText(std::uint16_t codePage) : codePage_(codePage)
{
    switch (codePage) {
    case 1200:
    case 21010: return;
    case 32768: codePage = 10000; break;
    case 32769: codePage = 1252; break;
    case 367: codePage = 20127; break;
    default: break;
    }
    converter_ = openConverter(codePage);
    known_ = converter_ != nullptr;
}

CodePageText::~CodePageText()
{
    if (converter_) ucnv_close(converter_);
}

u16string CodePageText::decode(const std::uint8_t* bytes, std::size_t n)
{
    if (!known_) throw xlerror("code page " + std::to_string(codePage_) + " is not supported");
    u16string out;
    if (!converter_) {
        out.reserve(n);
        for (std::size_t i = 0; i < n; ++i) out.push_back(static_cast<char16_t>(bytes[i]));
        return out;
    }
    if (n == 0) return out;
    // Room for two UTF-16 units a byte, and more when the converter asks.
    out.resize(2 * n + 2);
    for (int attempt = 0; attempt < 2; ++attempt) {
        ucnv_resetToUnicode(converter_);
        UErrorCode status = U_ZERO_ERROR;
        const int32_t got = ucnv_toUChars(converter_, out.data(), static_cast<int32_t>(out.size()),
                                          reinterpret_cast<const char*>(bytes), static_cast<int32_t>(n), &status);
        if (status == U_BUFFER_OVERFLOW_ERROR && got > 0) {
            out.resize(static_cast<std::size_t>(got) + 1);
            continue;
        }
        if (U_FAILURE(status) || got < 0) break;
        out.resize(static_cast<std::size_t>(got));
        return out;
    }
    throw xlerror("can't read a text of code page " + std::to_string(codePage_));
}

}  // namespace celvo
