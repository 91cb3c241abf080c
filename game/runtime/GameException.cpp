#include "runtime/GameException.h"

#include <utility>

namespace keldo {

uint64_t LastExceptionAddress = 0;

__attribute__((noinline)) void RaiseGameException(int64_t code, std::string detail) {
    if (LastExceptionAddress == 0) {
        LastExceptionAddress = reinterpret_cast<uint64_t>(__builtin_return_address(0));
    }
    throw GameException{code, std::move(detail)};
}

}  // namespace keldo
