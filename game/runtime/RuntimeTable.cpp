#include "runtime/RuntimeTable.h"

namespace keldo {

namespace {
RuntimeTable gTable;
}  // namespace

const std::array<std::string_view, TOLVEX_ENTRY_COUNT>& EntryNames() {
#define KELDO_ENTRY_NAME(name, result, params) #name,
    static const std::array<std::string_view, TOLVEX_ENTRY_COUNT> names = {
        TOLVEX_ENTRIES(KELDO_ENTRY_NAME)};
#undef KELDO_ENTRY_NAME
    return names;
}

const RuntimeTable& Rt() { return gTable; }
RuntimeTable& MutableRt() { return gTable; }

}  // namespace keldo
