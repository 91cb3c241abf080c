#include "runtime/RtString.h"

#include <cstring>

#include "runtime/RuntimeTable.h"

namespace keldo {

RtStr::RtStr(std::u16string_view text) {
    Str = TvMakeStr(Rt().AllocMem(TvStrSize(text.size()), nullptr), text);
}

RtStr::~RtStr() { Rt().FreeMem(Str); }

String TakeRtStr(TvStr* s) {
    if (s == nullptr) {
        return {};
    }
    String out(static_cast<size_t>(s->Len), u'\0');
    for (int64_t i = 0; i < s->Len; ++i) {
        out[static_cast<size_t>(i)] = static_cast<char16_t>(s->Text[i]);
    }
    Rt().FreeMem(s);
    return out;
}

String IntText(int64_t n) { return TakeRtStr(Rt().IToS(n)); }

std::string Narrow(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char16_t c : text) {
        out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    }
    return out;
}

String Widen(std::string_view text) {
    String out;
    out.reserve(text.size());
    for (char c : text) {
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    }
    return out;
}

}  // namespace keldo
