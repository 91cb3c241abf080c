// WebP pictures: the page's copy of the Data folder holds its pictures as lossless WebP, which
// comes smaller over the network than PNG for the very same pixels. Only the web build links a
// WebP decoder (WebpDecodeWeb.cpp); a desktop's Data folder holds PNG alone, and a WebP file
// there is refused as a picture that build does not read (WebpDecodeOther.cpp).
#pragma once

#include <cstddef>

namespace tolvex {

// The picture's size from its headers; null, or why the file cannot be read as a picture.
const char* WebpPictureSize(const unsigned char* bytes, size_t size, int& width, int& height);

// Decodes into `pixels` (`height` rows `pitch` bytes apart, four bytes a pixel, red first in
// memory, alpha not premultiplied); null, or why the file cannot be read.
const char* DecodeWebpRgba(const unsigned char* bytes, size_t size, unsigned char* pixels,
                           int pitch, int height);

}  // namespace tolvex
