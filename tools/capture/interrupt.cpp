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
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        // A signal that arrived ignored stays ignored: whoever started the tool asked for that
        // (nohup, or a background job of a shell without job control).
        struct sigaction before {};
        if (sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
        sigaction(signal, &action, nullptr);
    }
    // A write past the file-size limit, or into a pipe nobody reads, fails as any other write
    // does (EFBIG, EPIPE), so that the output is named with its reason and its temporary goes,
    // instead of the process being killed in the middle of the write.
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
}

int Interruption() {
    return caught;
}
