// 0 / 0 in the game's mode, with the game's fault trap: on the web build the run must end with
// the desktop's line for an invalid operation and the fault's exit code, not go on with a NaN.
#include "startup/FaultTrap.h"

int main() {
    keldo::InstallFaultTrap();
    keldo::EnterGameFpMode();
    volatile double zero = 0.0;
    volatile double nothing = zero / zero;
    return nothing == nothing ? 0 : 2;
}
