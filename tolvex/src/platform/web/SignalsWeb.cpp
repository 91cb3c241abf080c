// Nothing asks a page or a node run to stop between frames: closing the tab ends it.
#include "core/Errors.h"
#include "core/Runtime.h"

namespace tolvex {

void InstallSignals() {}
void RestoreSignals() {}
void HoldSignalsForNewThreads(bool) {}
bool InterruptRequested() { return false; }
int InterruptFd() { return -1; }

void RaiseInterrupted(const char* when) { Raise(TV_ERR_CLOSED, "%s: asked to stop", when); }

}  // namespace tolvex
