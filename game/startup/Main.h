#pragma once

namespace keldo {

// Creates the objects that live for the whole run and switches between the scenes for
// ever; only an exception ends it.
[[noreturn]] void Main();

}  // namespace keldo
