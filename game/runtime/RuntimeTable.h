// The bound entries of the runtime library. Every platform service the game uses goes
// through this table; nothing else in the game talks to the platform.
#pragma once

#include <array>
#include <string_view>

#include "Tolvex.h"

namespace keldo {

struct RuntimeTable {
#define KELDO_ENTRY_POINTER(name, result, params) result(*name) params = nullptr;
    TOLVEX_ENTRIES(KELDO_ENTRY_POINTER)
#undef KELDO_ENTRY_POINTER
};

// The 132 entry names in binding order.
const std::array<std::string_view, TOLVEX_ENTRY_COUNT>& EntryNames();

// The table the game calls through. Filled by BindRuntime, or by a test's stand-in.
const RuntimeTable& Rt();
RuntimeTable& MutableRt();

}  // namespace keldo
