// Text in a fixed-cell bitmap font: one picture holds printable ASCII in a grid of
// 64 x 128 cells, 16 to a row from the space character on.
#pragma once

#include <cstdint>
#include <memory>

#include "present/Tex.h"
#include "runtime/RtString.h"

namespace keldo {

class BitmapText {
public:
    void Init();

    static int64_t CharCode(char16_t c);
    double GlyphX(int64_t code) const;
    double GlyphY(int64_t code) const;
    static char16_t DigitToChar(int64_t d);

    // The lowest `digits` decimal digits of n, right-aligned, padded with '0' or spaces.
    const String& FormatNum(int64_t n, int64_t digits, bool zeroPad);
    void DrawStr(const String& s, double x, double y, double w, double h, double alpha) const;

private:
    std::unique_ptr<Tex> Font;
    double GlyphW = 0.0;
    double GlyphH = 0.0;
    String DigitScratch;
    String NumText;
};

}  // namespace keldo
