// Numbers to text and back. The game runs with rounding toward zero, which would change what
// the C library's printf and strtod produce; every conversion of reals therefore runs under
// DefaultFpEnv, so that the same number always gives the same text.
#include "plain/PlainText.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "Tolvex.h"
#include "core/Errors.h"
#include "core/FpEnv.h"
#include "plain/RealText.h"
#include "plain/TvText.h"

namespace tolvex {

std::string_view Trim(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\n\r\v\f";
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

namespace {

const char* NonFiniteText(double x) {
    if (std::isnan(x)) {
        return "nan";
    }
    return std::signbit(x) ? "-inf" : "inf";
}

}  // namespace

bool ParseInt(std::string_view text, int64_t& value) {
    text = Trim(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return false;
    }
    // Accumulate the magnitude unsigned, so that INT64_MIN parses without overflow.
    const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
    uint64_t magnitude = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        const auto digit = static_cast<uint64_t>(c - '0');
        if (magnitude > (limit - digit) / 10) {
            return false;
        }
        magnitude = magnitude * 10 + digit;
    }
    value = static_cast<int64_t>(negative ? 0 - magnitude : magnitude);
    return true;
}

// Decimal and exponent forms, "inf" and "nan"; no hexadecimal, and a number too large for a
// double is malformed rather than infinite.
bool ParseReal(std::string_view text, double& value) {
    text = Trim(text);
    if (text.size() > 1 && text[0] == '+' && text[1] != '-') {
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return false;
    }
    DefaultFpEnv fpEnv;
    return ReadReal(text.data(), text.data() + text.size(), value);
}

std::string RoundTripText(double x) {
    if (!std::isfinite(x)) {
        return NonFiniteText(x);
    }
    DefaultFpEnv fpEnv;
    char buffer[kRealTextMax];
    return std::string(buffer, WriteReal(buffer, x));
}

}  // namespace tolvex

using namespace tolvex;

int64_t SToI(const TvStr* s, bool* ok) {
    int64_t value = 0;
    const bool parsed = ParseInt(ToUtf8(s, "SToI"), value);
    if (ok != nullptr) {
        *ok = parsed;
    }
    return parsed ? value : 0;
}

double SToF(const TvStr* s, bool* ok) {
    double value = 0.0;
    const bool parsed = ParseReal(ToUtf8(s, "SToF"), value);
    if (ok != nullptr) {
        *ok = parsed;
    }
    return parsed ? value : 0.0;
}

TvStr* IToS(int64_t n) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, n);
    return NewTvStr(std::string_view(buffer, static_cast<size_t>(result.ptr - buffer)));
}

// Right-aligned in at least `width` characters; zero padding goes between the sign and the
// digits ("-0042"), and a number wider than `width` is never cut.
TvStr* IToSF(int64_t n, int64_t width, bool zeroPad) {
    constexpr int64_t kMaxWidth = 4096;
    if (width > kMaxWidth) {
        Raise(TV_ERR_ARG, "IToSF: width %lld is over %lld", static_cast<long long>(width),
              static_cast<long long>(kMaxWidth));
    }
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, n);
    std::string digits(buffer, result.ptr);
    const auto missing = width - static_cast<int64_t>(digits.size());
    if (missing > 0) {
        const size_t at = zeroPad && n < 0 ? 1 : 0;
        digits.insert(at, static_cast<size_t>(missing), zeroPad ? '0' : ' ');
    }
    return NewTvStr(digits);
}

// For display: at most six significant digits and no trailing zeros, so that a frame rate of
// 59.99999999 shows as "60" rather than as every digit it has. Negative zero shows as "0".
TvStr* FToS(double x) {
    if (!std::isfinite(x)) {
        return NewTvStr(NonFiniteText(x));
    }
    if (x == 0.0) {
        return NewTvStr("0");
    }
    char buffer[32];
    {
        DefaultFpEnv fpEnv;
        std::snprintf(buffer, sizeof buffer, "%.6g", x);
    }
    return NewTvStr(buffer);
}

TvStr* FToSF(double x, int64_t decimals) {
    constexpr int64_t kMaxDecimals = 20;
    if (decimals < 0 || decimals > kMaxDecimals) {
        Raise(TV_ERR_ARG, "FToSF: %lld decimals (0 to %lld)", static_cast<long long>(decimals),
              static_cast<long long>(kMaxDecimals));
    }
    if (!std::isfinite(x)) {
        return NewTvStr(NonFiniteText(x));
    }
    std::string text;
    {
        DefaultFpEnv fpEnv;
        const int size = std::snprintf(nullptr, 0, "%.*f", static_cast<int>(decimals), x);
        text.resize(static_cast<size_t>(size) + 1);
        std::snprintf(text.data(), text.size(), "%.*f", static_cast<int>(decimals), x);
        text.pop_back();
    }
    return NewTvStr(text);
}
