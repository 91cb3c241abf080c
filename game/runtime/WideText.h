// UTF-8 to and from the UTF-16 of Windows' own calls.
#pragma once

#include "TolvexWideText.h"

namespace keldo {

using tvtext::Utf8;
using tvtext::Wide;

}  // namespace keldo
