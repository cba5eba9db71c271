#include "celvo/numtext.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace celvo {

namespace {

bool isSpace(char16_t c) noexcept
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f';
}

bool isDigit(char16_t c) noexcept { return c >= u'0' && c <= u'9'; }

bool matchWordNoCase(u16view text, std::size_t at, const char* word) noexcept
{
    std::size_t n = std::strlen(word);
    if (text.size() - at < n) return false;
    for (std::size_t i = 0; i < n; ++i)
        if (toLowerUnit(text[at + i]) != static_cast<char16_t>(word[i])) return false;
    return true;
}

}  // namespace

int parseInt(u16view text) noexcept
{
    std::size_t i = 0;
    while (i < text.size() && isSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
    long long v = 0;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        v = v * 10 + (text[i] - u'0');
        if (v > static_cast<long long>(INT_MAX) + 1) v = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) v = -v;
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

double parseDouble(u16view text, std::size_t* consumed) noexcept
{
    if (consumed) *consumed = 0;
    std::size_t i = 0;
    while (i < text.size() && isSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';

    if (matchWordNoCase(text, i, "infinity") || matchWordNoCase(text, i, "inf")) {
        std::size_t len = matchWordNoCase(text, i, "infinity") ? 8 : 3;
        if (consumed) *consumed = i + len;
        return negative ? -HUGE_VAL : HUGE_VAL;
    }
    if (matchWordNoCase(text, i, "nan")) {
        if (consumed) *consumed = i + 3;
        return negative ? -std::nan("") : std::nan("");
    }

    // Collect the longest well-formed decimal prefix as ASCII.
    std::string buf;
    std::size_t digits = 0;
    std::size_t j = i;
    for (; j < text.size() && isDigit(text[j]); ++j, ++digits) buf.push_back(static_cast<char>(text[j]));
    if (j < text.size() && text[j] == u'.') {
        buf.push_back('.');
        ++j;
        for (; j < text.size() && isDigit(text[j]); ++j, ++digits) buf.push_back(static_cast<char>(text[j]));
    }
    if (digits == 0) return 0.0;
    std::size_t end = j;
    if (j < text.size() && (text[j] == u'e' || text[j] == u'E')) {
        std::size_t k = j + 1;
        std::string exp = "e";
        if (k < text.size() && (text[k] == u'+' || text[k] == u'-')) exp.push_back(static_cast<char>(text[k++]));
        std::size_t expDigits = 0;
        for (; k < text.size() && isDigit(text[k]); ++k, ++expDigits) exp.push_back(static_cast<char>(text[k]));
        if (expDigits) {
            buf += exp;
            end = k;
        }
    }
    double v = 0.0;
    auto res = std::from_chars(buf.data(), buf.data() + buf.size(), v);
    if (res.ec == std::errc::result_out_of_range) {
        // from_chars leaves v untouched: give what strtod gives.
        v = buf.find("e-") != std::string::npos ? 0.0 : HUGE_VAL;
    }
    if (consumed) *consumed = end;
    return negative ? -v : v;
}

u16string formatInt(long long value)
{
    char buf[32];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    return widenAscii(std::string_view(buf, static_cast<std::size_t>(res.ptr - buf)));
}

namespace {

std::string nonFinite(double value)
{
    if (std::isnan(value)) return std::signbit(value) ? "-nan" : "nan";
    return value < 0 ? "-inf" : "inf";
}

}  // namespace

u16string formatG15(double value)
{
    if (!std::isfinite(value)) return widenAscii(nonFinite(value));
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
    return widenAscii(std::string_view(buf, static_cast<std::size_t>(res.ptr - buf)));
}

namespace {

// A value of at most three decimals and fifteen significant digits (the
// usual cell number), laid out directly as formatShortest would lay it
// out; 0 for any other value. Fifteen digits tell every such decimal from
// its neighbours, so its own digits are the fewest that read back to it.
std::size_t formatFewDecimals(char* out, double value) noexcept
{
    static const double scale[] = {1.0, 10.0, 100.0, 1000.0};
    if (!(std::fabs(value) < 1e15) || value == 0) return 0;
    for (int k = 0; k < 4; ++k) {
        const double scaled = value * scale[k];
        if (!(std::fabs(scaled) < 1e15)) return 0;
        const auto m = static_cast<std::int64_t>(std::nearbyint(scaled));
        // The decimal m / 10^k reads back to the value (the division of two
        // exact doubles rounds as reading the decimal does).
        if (static_cast<double>(m) / scale[k] != value) continue;
        char* o = out;
        if (m < 0) *o++ = '-';
        char digits[24];
        const auto r = std::to_chars(digits, digits + sizeof digits, m < 0 ? -m : m);
        const auto n = static_cast<std::size_t>(r.ptr - digits);
        const auto decimals = static_cast<std::size_t>(k);
        if (decimals == 0) {
            std::memcpy(o, digits, n);
            return static_cast<std::size_t>(o + n - out);
        }
        if (n <= decimals) {
            *o++ = '0';
            *o++ = '.';
            for (std::size_t z = n; z < decimals; ++z) *o++ = '0';
            std::memcpy(o, digits, n);
            return static_cast<std::size_t>(o + n - out);
        }
        std::memcpy(o, digits, n - decimals);
        o += n - decimals;
        *o++ = '.';
        std::memcpy(o, digits + n - decimals, decimals);
        return static_cast<std::size_t>(o + decimals - out);
    }
    return 0;
}

}  // namespace

std::size_t formatShortest(char* out, double value) noexcept
{
    if (std::size_t n = formatFewDecimals(out, value)) return n;
    if (!std::isfinite(value)) {
        const char* text = std::isnan(value) ? (std::signbit(value) ? "-nan" : "nan") : value < 0 ? "-inf" : "inf";
        std::size_t n = std::strlen(text);
        std::memcpy(out, text, n);
        return n;
    }
    // The fewest significant digits that read back to the same double, laid
    // out as "%.<digits>g" lays them out; whole numbers below 1e17 keep all
    // their integer digits (1000, not 1e+03).
    char buf[64];
    auto sci = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    int digits = 0;
    const char* p = buf;
    for (; p < sci.ptr && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') ++digits;
    int exponent = 0;
    if (p < sci.ptr) std::from_chars(*(p + 1) == '+' ? p + 2 : p + 1, sci.ptr, exponent);
    if (digits < 1) digits = 1;
    int precision = digits;
    if (exponent + 1 > digits && exponent + 1 <= 17) precision = exponent + 1;
    auto res = std::to_chars(out, out + kShortestMax, value, std::chars_format::general, precision);
    return static_cast<std::size_t>(res.ptr - out);
}

std::string formatShortestNarrow(double value)
{
    char buf[kShortestMax];
    return std::string(buf, formatShortest(buf, value));
}

u16string formatShortest(double value) { return widenAscii(formatShortestNarrow(value)); }

}  // namespace celvo
