// A book's own character-type locale: the narrow code page used for narrow
// text, without ever touching the process locale.
#pragma once

#include <locale.h>

#include <string>
#include <string_view>

#include "celvo/text.h"

namespace celvo {

class Locale {
public:
    Locale();
    ~Locale();
    Locale(const Locale&) = delete;
    Locale& operator=(const Locale&) = delete;

    // Selects the character-type locale by name ("" takes the environment's).
    // Returns false and keeps the current one when the name is not available.
    bool set(const char* name);
    const std::string& name() const noexcept { return name_; }
    // The narrow code page of the locale (such as "UTF-8" or "ISO-8859-1").
    const std::string& codeset() const noexcept { return codeset_; }

    // Conversions between UTF-16 and the locale's code page. *lossy is set
    // when a character could not be represented (and was substituted).
    std::string toNarrow(u16view text, bool* lossy = nullptr) const;
    u16string toWide(std::string_view text, bool* lossy = nullptr) const;

private:
    locale_t loc_ = nullptr;
    std::string name_;
    std::string codeset_ = "UTF-8";
};

}  // namespace celvo
