#include "files/LoadName.h"

#include <cstring>

#include "core/Errors.h"
#include "core/Runtime.h"
#include "plain/TvText.h"

namespace tolvex {

std::string LoadName(const TvType* type, const char* typeName, const TvStr* path,
                     const char* entry) {
    RequireReady(entry);
    if (type == nullptr || type->Name == nullptr || std::strcmp(type->Name, typeName) != 0) {
        Raise(TV_ERR_ARG, "%s: the type is not %s", entry, typeName);
    }
    std::string name = ToUtf8(path, entry);
    if (name.empty()) {
        Raise(TV_ERR_ARG, "%s: the file name is empty", entry);
    }
    return name;
}

}  // namespace tolvex
