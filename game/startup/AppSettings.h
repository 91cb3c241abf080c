// The settings handed to the runtime library at start: the window title.
#pragma once

#include "runtime/RtString.h"

namespace keldo {

class AppSettings {
public:
    String Title = u"Vesk";
};

}  // namespace keldo
