/*
 * Tolvex on POSIX systems: the signals that Init takes over to end the run its own way, and
 * that a program around the library must leave to it, or hold back once the library can no
 * longer end the run (after a fault).
 */
#ifndef TOLVEX_SIGNALS_H
#define TOLVEX_SIGNALS_H

#include <signal.h>

#include <array>

namespace tvsignals {

// Asks to end the run: it ends the clean way, as a closed window does.
inline constexpr std::array kStop = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
// Nobody should send these, and each would end the process in silence; the run still ends the
// clean way, but as a failure naming it. The real-time signals, which are no constants, join
// them in ForEachEnding.
inline constexpr std::array kStray = {SIGUSR1, SIGUSR2, SIGALRM,   SIGVTALRM, SIGPROF,
                                      SIGIO,   SIGPWR,  SIGSTKFLT, SIGXCPU};

// Every signal that ends the run through the library.
template <typename Fn>
void ForEachEnding(Fn&& fn) {
    for (int signal : kStop) fn(signal);
    for (int signal : kStray) fn(signal);
    for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal) fn(signal);
}

}  // namespace tvsignals

#endif
