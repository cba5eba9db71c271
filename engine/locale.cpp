#include "celvo/locale.h"

#include <langinfo.h>
#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>

#include <memory>
#include <stdexcept>

namespace celvo {

Locale::Locale() = default;

Locale::~Locale()
{
    if (loc_) freelocale(loc_);
}

bool Locale::set(const char* name)
{
    if (!name) name = "";
    locale_t loc = newlocale(LC_CTYPE_MASK, name, static_cast<locale_t>(nullptr));
    if (!loc) return false;
    const char* cs = nl_langinfo_l(CODESET, loc);
    std::string codeset = cs && *cs ? cs : "UTF-8";
    if (loc_) freelocale(loc_);
    loc_ = loc;
    name_ = name;
    codeset_ = codeset;
    return true;
}

namespace {

struct Converter {
    UConverter* cnv = nullptr;
    explicit Converter(const std::string& name)
    {
        UErrorCode status = U_ZERO_ERROR;
        cnv = ucnv_open(name.c_str(), &status);
        if (U_FAILURE(status) || !cnv) {
            status = U_ZERO_ERROR;
            cnv = ucnv_open("UTF-8", &status);
            if (U_FAILURE(status) || !cnv) throw std::runtime_error("can't open a text converter");
        }
    }
    ~Converter() { ucnv_close(cnv); }
};

}  // namespace

std::string Locale::toNarrow(u16view text, bool* lossy) const
{
    if (lossy) *lossy = false;
    if (text.empty()) return {};
    Converter c(codeset_);
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setFromUCallBack(c.cnv, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    std::string out(text.size() * 4 + 16, '\0');
    status = U_ZERO_ERROR;
    int32_t n = ucnv_fromUChars(c.cnv, out.data(), static_cast<int32_t>(out.size()), text.data(),
                                static_cast<int32_t>(text.size()), &status);
    if (U_FAILURE(status)) {
        if (lossy) *lossy = true;
        status = U_ZERO_ERROR;
        ucnv_reset(c.cnv);
        ucnv_setFromUCallBack(c.cnv, UCNV_FROM_U_CALLBACK_SUBSTITUTE, nullptr, nullptr, nullptr, &status);
        status = U_ZERO_ERROR;
        n = ucnv_fromUChars(c.cnv, out.data(), static_cast<int32_t>(out.size()), text.data(),
                            static_cast<int32_t>(text.size()), &status);
        if (U_FAILURE(status)) throw std::runtime_error("text conversion error");
    }
    out.resize(static_cast<std::size_t>(n));
    return out;
}

u16string Locale::toWide(std::string_view text, bool* lossy) const
{
    if (lossy) *lossy = false;
    if (text.empty()) return {};
    Converter c(codeset_);
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setToUCallBack(c.cnv, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    u16string out(text.size() * 2 + 16, u'\0');
    status = U_ZERO_ERROR;
    int32_t n = ucnv_toUChars(c.cnv, out.data(), static_cast<int32_t>(out.size()), text.data(),
                              static_cast<int32_t>(text.size()), &status);
    if (U_FAILURE(status)) {
        if (lossy) *lossy = true;
        status = U_ZERO_ERROR;
        ucnv_reset(c.cnv);
        ucnv_setToUCallBack(c.cnv, UCNV_TO_U_CALLBACK_SUBSTITUTE, nullptr, nullptr, nullptr, &status);
        status = U_ZERO_ERROR;
        n = ucnv_toUChars(c.cnv, out.data(), static_cast<int32_t>(out.size()), text.data(),
                          static_cast<int32_t>(text.size()), &status);
        if (U_FAILURE(status)) throw std::runtime_error("text conversion error");
    }
    out.resize(static_cast<std::size_t>(n));
    return out;
}

}  // namespace celvo
