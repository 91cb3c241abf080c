#include "runtime/ErrorReport.h"

#include "runtime/RuntimeTable.h"

namespace keldo {

namespace {
#ifdef KELDO_DEBUG_LOG
bool gLogOn = true;
#else
bool gLogOn = false;
#endif
}  // namespace

void EnableErrorLog(bool on) { gLogOn = on; }
bool IsErrorLogEnabled() { return gLogOn; }

void ReportError(const String& message) {
    if (!gLogOn) {
        return;
    }
    RtStr text(message);
    Rt().DbgLog(text.Get());
}

}  // namespace keldo
