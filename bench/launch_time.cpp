// Launch to first frame: the show started as a fresh process, timed from just before it is
// started to its first presented frame, then ended (Escape). Off screen (EGL) by default; with
// --on-screen through the display in DISPLAY (run it under xvfb-run). Run from the folder that
// holds the data (build/). Prints the median, fastest and slowest of --runs launches (default 9).
#include "app/driver.h"
#include "platform/host/host.h"
#include "platform/testing/test_controls.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

namespace {

double Now() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// The child: the show, reporting the moment of its first frame on `report`.
int Child(bool onScreen, int report) {
    if (onScreen)
        host::UseOnScreen();
    else
        host::UseOffScreen(nullptr);
    host::test::CheckHeldGlState(false);
    host::ShowDebugOutput(false);
    bool first = true;
    host::test::OnFramePresented([&] {
        if (!first) return;
        first = false;
        const double at = Now();
        if (write(report, &at, sizeof at) != sizeof at) std::perror("write");
        host::test::InjectKey(VK_ESCAPE);
    });
    return WinMain(nullptr, nullptr, nullptr, 0);
}

} // namespace

int main(int argc, char** argv) {
    bool onScreen = false;
    int runs = 9;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--on-screen") == 0) onScreen = true;
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) runs = std::atoi(argv[++i]);
        if (std::strcmp(argv[i], "--child") == 0 && i + 1 < argc)
            return Child(onScreen, std::atoi(argv[++i]));
    }
    std::vector<double> seconds;
    for (int run = 0; run < runs; ++run) {
        int channel[2];
        if (pipe(channel) != 0) return 1;
        const double start = Now();
        const pid_t child = fork();
        if (child == 0) {
            close(channel[0]);
            const std::string fd = std::to_string(channel[1]);
            std::vector<const char*> arguments = {argv[0], "--child", fd.c_str()};
            if (onScreen) arguments.push_back("--on-screen");
            arguments.push_back(nullptr);
            execv("/proc/self/exe", const_cast<char* const*>(arguments.data()));
            _exit(127);
        }
        close(channel[1]);
        double at = 0;
        const bool got = read(channel[0], &at, sizeof at) == sizeof at;
        close(channel[0]);
        int status = 0;
        waitpid(child, &status, 0);
        if (!got) {
            std::fprintf(stderr, "launch_time: the show presented no frame (run it from build/)\n");
            return 1;
        }
        seconds.push_back(at - start);
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf(
        "launch to first frame %s: median %.0f ms, fastest %.0f ms, slowest %.0f ms (%d runs)\n",
        onScreen ? "on screen" : "off screen", 1000 * seconds[seconds.size() / 2],
        1000 * seconds.front(), 1000 * seconds.back(), runs);
    return 0;
}
