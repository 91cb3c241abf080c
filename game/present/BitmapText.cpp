#include "present/BitmapText.h"

namespace keldo {

void BitmapText::Init() {
    Font = Tex::LoadTexture(u"font_128_64.vstex");
    GlyphW = 64.0;
    GlyphH = 128.0;
}

int64_t BitmapText::CharCode(char16_t c) { return static_cast<int64_t>(c); }

double BitmapText::GlyphX(int64_t code) const {
    return GlyphW * static_cast<double>((code - 32) % 16);
}

double BitmapText::GlyphY(int64_t code) const {
    return GlyphH * static_cast<double>((code - 32) / 16);
}

char16_t BitmapText::DigitToChar(int64_t d) {
    if (d >= 0 && d <= 9) {
        return static_cast<char16_t>(u'0' + d);
    }
    return u' ';
}

const String& BitmapText::FormatNum(int64_t n, int64_t digits, bool zeroPad) {
    const auto count = static_cast<size_t>(digits > 0 ? digits : 0);
    DigitScratch.assign(count, u' ');
    NumText.assign(count, u' ');
    for (size_t i = 0; i < count; ++i) {
        if (n >= 1) {
            DigitScratch[i] = DigitToChar(n % 10);
            n = (n - n % 10) / 10;
        } else {
            DigitScratch[i] = zeroPad ? DigitToChar(0) : u' ';
        }
    }
    for (size_t i = 0; i < count; ++i) {
        NumText[count - 1 - i] = DigitScratch[i];
    }
    return NumText;
}

void BitmapText::DrawStr(const String& s, double x, double y, double w, double h,
                         double alpha) const {
    for (size_t i = 0; i < s.size(); ++i) {
        const int64_t code = CharCode(s[i]);
        Font->Draw(GlyphX(code), GlyphY(code), GlyphW, GlyphH, x + w * static_cast<double>(i), y, w,
                   h, 1.0, 1.0, 1.0, alpha);
    }
}

}  // namespace keldo
