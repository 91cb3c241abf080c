#include "plain/TvText.h"

#include "core/Errors.h"

namespace tolvex {

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

std::string ToUtf8(const TvStr* s, const char* entry) {
    if (s == nullptr) {
        Raise(TV_ERR_ARG, "%s: the string is null", entry);
    }
    std::string out;
    out.reserve(static_cast<size_t>(s->Len));
    for (int64_t i = 0; i < s->Len; ++i) {
        uint32_t c = s->Text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s->Len && s->Text[i + 1] >= 0xDC00 &&
            s->Text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s->Text[i + 1] - 0xDC00u);
            ++i;
        }
        AppendUtf8(out, c);
    }
    return out;
}

TvStr* NewTvStr(std::string_view utf8) {
    std::u16string units;
    for (size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        uint32_t c = b;
        size_t n = 1;
        if (b >= 0xF0 && i + 3 < utf8.size() + 0) {
            n = 4;
            c = b & 0x07u;
        } else if (b >= 0xE0) {
            n = 3;
            c = b & 0x0Fu;
        } else if (b >= 0xC0) {
            n = 2;
            c = b & 0x1Fu;
        }
        if (i + n > utf8.size()) {
            n = 1;
            c = '?';
        } else {
            for (size_t k = 1; k < n; ++k) {
                c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3Fu);
            }
        }
        i += n;
        if (c >= 0x10000) {
            c -= 0x10000;
            units.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            units.push_back(static_cast<char16_t>(c));
        }
    }
    return TvMakeStr(AllocMem(TvStrSize(units.size()), nullptr), units);
}

}  // namespace tolvex
