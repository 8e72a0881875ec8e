#include "tools/capture/interrupt.h"

#include <csignal>
#include <initializer_list>

namespace {

volatile std::sig_atomic_t caught = 0;

void Note(int signal) {
    caught = signal;
}

} // namespace

void CatchInterrupts() {
    struct sigaction action {};
    action.sa_handler = &Note;
    sigemptyset(&action.sa_mask);
    // The handler goes after its first call: a second signal has its usual effect.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

int Interruption() {
    return caught;
}
