// What the entries that load a Data file (LoadTex, LoadSnd) check of their arguments first.
#pragma once

#include <string>

#include "Tolvex.h"

namespace tolvex {

// The Data file name that `entry` was given to load as `typeName` ("Tex", "Snd"). Raises
// TV_ERR_STATE outside Init and Free, TV_ERR_ARG when the type is another one or the name is
// null or empty.
std::string LoadName(const TvType* type, const char* typeName, const TvStr* path,
                     const char* entry);

}  // namespace tolvex
