#include "present/StepFrame.h"

#include "runtime/RuntimeTable.h"

namespace keldo {

void StepFrame() { Rt().Act(); }

}  // namespace keldo
