// Finding, loading and unloading the library file and looking up its entries by name: the
// part of binding that differs from one platform to another. Every failure raises 3001 with
// a line that gives the cause first and then the file.
#pragma once

#include <cstdint>
#include <string>

#include "Tolvex.h"

namespace keldo {

// The library file (kRuntimeFile) as the platform writes paths, for loading and for messages.
std::string RuntimeFile();

// The folder of the running program, with a trailing separator. Never the current folder:
// when the program cannot find itself, this raises instead of guessing.
std::string ProgramFolder();

// Loads the library at `file` (a path from ProgramFolder); a handle, never null.
void* LoadRuntimeFile(const std::string& file);

// The address of an entry, or null when the library has none of that name.
void* FindRuntimeEntry(void* handle, const char* name);

void UnloadRuntimeFile(void* handle);

// The program's own module handle, for the start-up record.
uint64_t ProgramModuleHandle();

// The start-up record's icon field: on Windows the program's icon resource, loaded from
// `instance`; elsewhere the address of `file`, a picture in Data/ that the library loads.
uint64_t ProgramIcon(uint64_t instance, const TvStr* file);

}  // namespace keldo
