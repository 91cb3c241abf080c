// The checks of a handle that the library gave out (a picture, a sound), made by every entry
// that takes one back.
#pragma once

#include <cstdint>

#include "core/Errors.h"
#include "core/Runtime.h"

namespace tolvex {

// `handle` when it is a live `noun` ("texture", "sound"): not null, marked with `magic`, and
// loaded since the last Init. Raises TV_ERR_ARG naming `entry` otherwise.
template <typename Handle>
Handle& LiveHandle(Handle* handle, uint64_t magic, const char* noun, const char* entry) {
    if (handle == nullptr) {
        Raise(TV_ERR_ARG, "%s: the %s is null", entry, noun);
    }
    if (handle->Magic != magic) {
        Raise(TV_ERR_ARG, "%s: the handle is not a %s", entry, noun);
    }
    if (handle->Generation != CurrentSession().Generation) {
        Raise(TV_ERR_ARG, "%s: the %s was loaded before the last Init", entry, noun);
    }
    return *handle;
}

}  // namespace tolvex
