// Loading the runtime library and binding its entries by name.
#pragma once

namespace keldo {

// The library file, relative to the folder that holds the program itself.
constexpr const char* kRuntimeFile = "Data/Tolvex.vsd";

// Loads the library and binds all entries in order. Raises 3001 on the first failure;
// the library handle is kept from the moment it is loaded, so that shutdown can unload
// it even when binding stopped half-way.
void BindRuntime();

bool IsRuntimeLoaded();
bool IsFreeBound();

// Unloads the library (if loaded) and empties the table.
void UnloadRuntime();

}  // namespace keldo
