// Conversions between the game's strings and the library's counted UTF-16 strings.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "Tolvex.h"

namespace keldo {

using String = std::u16string;

// A library string owned by the game; released with FreeMem when dropped.
class RtStr {
public:
    explicit RtStr(std::u16string_view text);
    ~RtStr();
    RtStr(const RtStr&) = delete;
    RtStr& operator=(const RtStr&) = delete;
    const TvStr* Get() const { return Str; }

private:
    TvStr* Str;
};

// Copies a string that the library handed over and releases it.
String TakeRtStr(TvStr* s);

// The decimal text of n, written by the library's IToS.
String IntText(int64_t n);

// ASCII/UTF-8 view of a game string, for messages meant for a terminal.
std::string Narrow(std::u16string_view text);
String Widen(std::string_view text);

}  // namespace keldo
