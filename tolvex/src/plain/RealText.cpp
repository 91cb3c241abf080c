#include "plain/RealText.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace tolvex {

namespace {

// More significant digits than this always read back as the same double.
constexpr int kMaxDigits = 17;
// Below this a whole number's plain form ("99999") is no longer than its exponent form.
constexpr double kPlainWholeBelow = 1e5;

// The exact digits and exponent of the shortest correctly rounded decimal that reads back
// as `value` (finite, not zero): value ~ 0.d1d2...dn x 10^(exponent + 1).
int ShortestDigits(double value, char* digits, int& exponent) {
    char text[kRealTextMax + 8];
    const auto readsBack = [&](int count) {
        std::snprintf(text, sizeof text, "%.*e", count - 1, value);
        return std::strtod(text, nullptr) == value;
    };
    // If n digits read back, so do n + 1. Most doubles that are not short decimals need 16 or
    // 17, so those are tried first; below 15 the shortest is found by halving.
    int low = 1;
    int high = kMaxDigits;
    if (!readsBack(kMaxDigits - 2)) {
        low = high = readsBack(kMaxDigits - 1) ? kMaxDigits - 1 : kMaxDigits;
    } else {
        high = kMaxDigits - 2;
    }
    while (low < high) {
        const int mid = (low + high) / 2;
        if (readsBack(mid)) {
            high = mid;
        } else {
            low = mid + 1;
        }
    }
    std::snprintf(text, sizeof text, "%.*e", low - 1, value);
    // "d.ddde+XX" (or "de+XX" for one digit), with the sign already taken off.
    int count = 0;
    const char* at = text;
    for (; *at != 'e'; ++at) {
        if (*at != '.') {
            digits[count++] = *at;
        }
    }
    exponent = std::atoi(at + 1);
    while (count > 1 && digits[count - 1] == '0') {
        --count;
    }
    return count;
}

}  // namespace

char* WriteRealPortable(char* out, double value) {
    if (std::isnan(value)) {
        const char* text = std::signbit(value) ? "-nan" : "nan";
        return out + std::strlen(std::strcpy(out, text));
    }
    if (std::signbit(value)) {
        *out++ = '-';
        value = -value;
    }
    if (std::isinf(value)) {
        return out + std::strlen(std::strcpy(out, "inf"));
    }
    if (value == 0.0) {
        *out++ = '0';
        return out;
    }
    // Small whole numbers, most of what a trace holds: their plain form is never the longer.
    if (value < kPlainWholeBelow && value == std::floor(value)) {
        return out + std::snprintf(out, kRealTextMax, "%.0f", value);
    }
    char digits[kMaxDigits + 1];
    int exponent = 0;
    const int count = ShortestDigits(value, digits, exponent);

    // The exponent form: d[.ddd]e±XX.
    char scientific[kRealTextMax];
    int s = 0;
    scientific[s++] = digits[0];
    if (count > 1) {
        scientific[s++] = '.';
        for (int i = 1; i < count; ++i) scientific[s++] = digits[i];
    }
    s += std::snprintf(scientific + s, sizeof scientific - s, "e%c%02d", exponent < 0 ? '-' : '+',
                       std::abs(exponent));

    // The plain form, which wins a tie. Past the last digit it is a whole number, written
    // exactly: of two texts of one length, the one nearer the value is taken.
    std::string plain;
    if (exponent >= count - 1) {
        char whole[400];
        std::snprintf(whole, sizeof whole, "%.0f", value);
        plain = whole;
    } else if (exponent >= 0) {
        plain.assign(digits, count);
        plain.insert(static_cast<size_t>(exponent) + 1, 1, '.');
    } else {
        plain = "0.";
        plain.append(static_cast<size_t>(-exponent - 1), '0');
        plain.append(digits, count);
    }
    if (plain.size() <= static_cast<size_t>(s)) {
        std::memcpy(out, plain.data(), plain.size());
        return out + plain.size();
    }
    std::memcpy(out, scientific, static_cast<size_t>(s));
    return out + s;
}

bool ReadRealPortable(const char* first, const char* last, double& value) {
    const std::string text(first, last);
    const char* at = text.c_str();
    const char* body = at + (*at == '-' ? 1 : 0);
    // What strtod takes beyond from_chars: spaces, a '+', hexadecimal.
    if (*body == '\0' || std::isspace(static_cast<unsigned char>(*body)) || *body == '+' ||
        (body[0] == '0' && (body[1] == 'x' || body[1] == 'X'))) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    const double parsed = std::strtod(at, &end);
    if (end != at + text.size()) {
        return false;
    }
    if (errno == ERANGE) {
        // Too large, or so small that nothing but zero is left: out of range either way.
        // A result among the denormals still holds the number.
        if (std::isinf(parsed) || parsed == 0.0) {
            return false;
        }
    }
    value = parsed;
    return true;
}

#if defined(__cpp_lib_to_chars)

char* WriteReal(char* out, double value) {
    return std::to_chars(out, out + kRealTextMax, value).ptr;
}

bool ReadReal(const char* first, const char* last, double& value) {
    double parsed = 0.0;
    const auto [end, error] = std::from_chars(first, last, parsed);
    if (error != std::errc{} || end != last) {
        return false;
    }
    value = parsed;
    return true;
}

#else

char* WriteReal(char* out, double value) { return WriteRealPortable(out, value); }

bool ReadReal(const char* first, const char* last, double& value) {
    return ReadRealPortable(first, last, value);
}

#endif

}  // namespace tolvex
