// The show as a process: on a real (virtual) X display that goes away while it plays, it must end
// as it does when the device is lost, tearing down and saying so, with no crash and no sanitizer
// report; with no screen at all, its message says so and it ends.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

// Starts `arguments` with standard error into `errors` (if given); its process id. Each entry of
// `environment` is set, or, written as "-NAME", removed.
pid_t Start(const std::vector<std::string>& arguments, const std::string& errors,
            const std::vector<std::string>& environment = {}) {
    const pid_t child = fork();
    if (child != 0) return child;
    const int quiet = open("/dev/null", O_WRONLY);
    dup2(quiet, STDOUT_FILENO);
    const int sink =
        errors.empty() ? quiet : open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(sink, STDERR_FILENO);
    for (const std::string& setting : environment)
        if (setting[0] == '-')
            unsetenv(setting.c_str() + 1);
        else
            putenv(const_cast<char*>(setting.c_str()));
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
}

// Waits up to `seconds` for `child`; its wait status, or -1 if it is still running.
int WaitFor(pid_t child, double seconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    int status = 0;
    while (std::chrono::steady_clock::now() < until) {
        if (waitpid(child, &status, WNOHANG) == child) return status;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
}

bool Exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

std::string Contents(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(NoScreen, AMessageThatCannotBeShownAsABoxSaysSoAndTheShowEnds) {
    // No display at all: the window cannot be made, and neither can the box that says so.
    const std::string errors = std::string(SHOW_BUILD_DIR) + "/no-screen-stderr.txt";
    const pid_t player = Start({std::string(SHOW_BUILD_DIR) + "/show"}, errors,
                               {"-DISPLAY", "-WAYLAND_DISPLAY", "SDL_AUDIODRIVER=dummy"});
    const int status = WaitFor(player, 30);
    if (status == -1) kill(player, SIGKILL), WaitFor(player, 5);
    ASSERT_NE(status, -1) << "the show waited for a box nobody can see";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const std::string said = Contents(errors);
    const size_t message = said.find("brokwel 11 | glintVAT | dwm2001: Can not create window.\n");
    const size_t notShown = said.find("message box: not shown (");
    EXPECT_NE(message, std::string::npos) << said;
    ASSERT_NE(notShown, std::string::npos) << said;
    EXPECT_GT(notShown, message);
    // One line for it.
    EXPECT_EQ(said.find('\n', notShown) + 1, said.size()) << said;
    std::remove(errors.c_str());
}

TEST(LostDisplay, TheShowEndsAsForALostDeviceWithItsMessage) {
    ASSERT_EQ(std::system("command -v Xvfb > /dev/null"), 0)
        << "the test needs Xvfb (tools/setup.sh installs it)";
    // A display number nobody uses.
    int number = 70;
    while (Exists("/tmp/.X" + std::to_string(number) + "-lock") ||
           Exists("/tmp/.X11-unix/X" + std::to_string(number)))
        ++number;
    const std::string display = ":" + std::to_string(number);
    const pid_t server =
        Start({"Xvfb", display, "-nolisten", "tcp", "-screen", "0", "800x600x24"}, "");
    for (int i = 0; i < 250 && !Exists("/tmp/.X11-unix/X" + std::to_string(number)); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));

    const std::string errors = std::string(SHOW_BUILD_DIR) + "/lost-display-stderr.txt";
    const std::string show = std::string(SHOW_BUILD_DIR) + "/show";
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(SHOW_BUILD_DIR), 0);
    const pid_t player = Start({show}, errors, {"DISPLAY=" + display, "SDL_AUDIODRIVER=dummy"});
    ASSERT_EQ(chdir(previous), 0);

    // Into the show's frames, then the display goes.
    std::this_thread::sleep_for(std::chrono::seconds(4));
    EXPECT_EQ(WaitFor(player, 0), -1) << "the show ended before the display went";
    kill(server, SIGKILL);
    WaitFor(server, 10);

    const int status = WaitFor(player, 60);
    if (status == -1) kill(player, SIGKILL), WaitFor(player, 5);
    ASSERT_NE(status, -1) << "the show did not end when its display went";
    EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);

    const std::string said = Contents(errors);
    EXPECT_NE(said.find("brokwel 11 | glintVAT | dwm2001: The Direct3D device was lost, please "
                        "don't steal my focus :)"),
              std::string::npos)
        << said;
    for (const char* report : {"runtime error", "AddressSanitizer", "LeakSanitizer"})
        EXPECT_EQ(said.find(report), std::string::npos) << said;
    std::remove(errors.c_str());
}

} // namespace
