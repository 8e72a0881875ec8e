// The show as a process: on a real (virtual) X display that goes away while it plays, it must end
// as it does when the device is lost, tearing down and saying so, with no crash and no sanitizer
// report; with no screen at all, its message says so and it ends; a FIFO in place of a data file
// is named at once, never waited for.
#include "tests/support/process.h"
#include "tests/support/test_folder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string kShow = std::string(SHOW_BUILD_DIR) + "/show";

bool Exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

// An X server of the test's own on a display number nobody uses, gone with the object (or
// before, to take the display away).
class VirtualDisplay {
public:
    VirtualDisplay() {
        int number = 70;
        while (Exists("/tmp/.X" + std::to_string(number) + "-lock") ||
               Exists("/tmp/.X11-unix/X" + std::to_string(number)))
            ++number;
        name = ":" + std::to_string(number);
        server =
            StartProcess({"Xvfb", name, "-nolisten", "tcp", "-screen", "0", "800x600x24"}, "", "");
        for (int i = 0; i < 250 && !Exists("/tmp/.X11-unix/X" + std::to_string(number)); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ~VirtualDisplay() { Stop(); }
    void Stop() {
        if (server <= 0) return;
        kill(server, SIGKILL);
        WaitForProcess(server, 10);
        server = 0;
    }
    std::string name;

private:
    pid_t server = 0;
};

TEST(NoScreen, AMessageThatCannotBeShownAsABoxSaysSoAndTheShowEnds) {
    // No display at all: the window cannot be made, and neither can the box that says so.
    const std::string errors = std::string(SHOW_BUILD_DIR) + "/no-screen-stderr.txt";
    const pid_t player = StartProcess({kShow}, "", errors,
                                      {"-DISPLAY", "-WAYLAND_DISPLAY", "SDL_AUDIODRIVER=dummy"});
    const int status = WaitForProcess(player, 30);
    if (status == -1) kill(player, SIGKILL), WaitForProcess(player, 5);
    ASSERT_NE(status, -1) << "the show waited for a box nobody can see";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const std::string said = FileText(errors);
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
    VirtualDisplay display;
    const std::string errors = std::string(SHOW_BUILD_DIR) + "/lost-display-stderr.txt";
    const pid_t player = StartProcess({kShow}, SHOW_BUILD_DIR, errors,
                                      {"DISPLAY=" + display.name, "SDL_AUDIODRIVER=dummy"});

    // Into the show's frames, then the display goes.
    std::this_thread::sleep_for(std::chrono::seconds(4));
    EXPECT_EQ(WaitForProcess(player, 0), -1) << "the show ended before the display went";
    display.Stop();

    const int status = WaitForProcess(player, 60);
    if (status == -1) kill(player, SIGKILL), WaitForProcess(player, 5);
    ASSERT_NE(status, -1) << "the show did not end when its display went";
    EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);

    const std::string said = FileText(errors);
    EXPECT_NE(said.find("brokwel 11 | glintVAT | dwm2001: The Direct3D device was lost, please "
                        "don't steal my focus :)"),
              std::string::npos)
        << said;
    for (const char* report : {"runtime error", "AddressSanitizer", "LeakSanitizer"})
        EXPECT_EQ(said.find(report), std::string::npos) << said;
    std::remove(errors.c_str());
}

// The show's window destroyed from outside (a window manager's kill, xdotool windowclose): the
// show ends as for a lost display, its teardown run, with no dump of X errors.
TEST(LostDisplay, AWindowDestroyedFromOutsideEndsTheShowAsALostDevice) {
    ASSERT_EQ(std::system("command -v Xvfb xdotool > /dev/null"), 0)
        << "the test needs Xvfb and xdotool (tools/test.sh installs them)";
    VirtualDisplay display;
    const std::string errors = std::string(SHOW_BUILD_DIR) + "/destroyed-window-stderr.txt";
    const pid_t player = StartProcess({kShow}, SHOW_BUILD_DIR, errors,
                                      {"DISPLAY=" + display.name, "SDL_AUDIODRIVER=dummy"});
    std::this_thread::sleep_for(std::chrono::seconds(4));
    ASSERT_EQ(WaitForProcess(player, 0), -1) << FileText(errors);
    const ProcessRun closed = RunProcess({"xdotool", "search", "--name", "glintVAT", "windowclose"},
                                         "", 10, {"DISPLAY=" + display.name});
    ASSERT_EQ(closed.exitCode, 0) << closed.errors;
    const int status = WaitForProcess(player, 30);
    if (status == -1) kill(player, SIGKILL), WaitForProcess(player, 5);
    ASSERT_NE(status, -1) << "the show did not end when its window went";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    const std::string said = FileText(errors);
    EXPECT_NE(said.find("brokwel 11 | glintVAT | dwm2001: The Direct3D device was lost, please "
                        "don't steal my focus :)"),
              std::string::npos)
        << said;
    // The teardown ran: the sound library was freed.
    EXPECT_NE(said.find("BASS_Free"), std::string::npos) << said;
    for (const char* noise : {"X Error", "BadDrawable", "BadWindow", "runtime error",
                              "AddressSanitizer", "LeakSanitizer"})
        EXPECT_EQ(said.find(noise), std::string::npos) << said;
    std::remove(errors.c_str());
}

// No sound device (ALSA asked for a card that is not there): one line of ours says so before the
// show's own message, and nothing of ALSA's own error printing.
TEST(NoSound, OneLineSaysSoAndNothingOfTheSoundLibrarysOwn) {
    ASSERT_EQ(std::system("command -v Xvfb > /dev/null"), 0)
        << "the test needs Xvfb (tools/setup.sh installs it)";
    VirtualDisplay display;
    const std::string errors = std::string(SHOW_BUILD_DIR) + "/no-sound-stderr.txt";
    const pid_t player = StartProcess(
        {kShow}, SHOW_BUILD_DIR, errors,
        {"DISPLAY=" + display.name, "SDL_AUDIODRIVER=alsa", "ALSA_CARD=99", "-ALSA_CONFIG_PATH"});
    // The show says so in its message box, which stays up until someone closes it.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (FileText(errors).find("dwm2001: ") == std::string::npos &&
           std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    kill(player, SIGKILL);
    WaitForProcess(player, 5);
    const std::string said = FileText(errors);
    EXPECT_NE(said.find("brokwel 11 | glintVAT | dwm2001: het geluid doet het niet"),
              std::string::npos)
        << said;
    EXPECT_EQ(said.find("ALSA lib"), std::string::npos) << said;
    // The line of ours, and the show's message.
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 2) << said;
    std::remove(errors.c_str());
}

// Asked to end (SIGTERM: SDL turns it into a close request), the show tears down and exits 0
// with nothing from the sanitizers, in their build too, where the OpenGL driver the display
// brought in would otherwise be reported for what it held when it was unloaded.
TEST(OnScreen, ASignalToEndClosesTheShowCleanly) {
    ASSERT_EQ(std::system("command -v Xvfb > /dev/null"), 0)
        << "the test needs Xvfb (tools/setup.sh installs it)";
    VirtualDisplay display;
    const std::string errors = std::string(SHOW_BUILD_DIR) + "/on-screen-stderr.txt";
    const pid_t player = StartProcess({kShow}, SHOW_BUILD_DIR, errors,
                                      {"DISPLAY=" + display.name, "SDL_AUDIODRIVER=dummy"});
    std::this_thread::sleep_for(std::chrono::seconds(4));
    ASSERT_EQ(WaitForProcess(player, 0), -1) << FileText(errors);
    kill(player, SIGTERM);
    const int status = WaitForProcess(player, 30);
    if (status == -1) kill(player, SIGKILL), WaitForProcess(player, 5);
    ASSERT_NE(status, -1) << "the show did not end when asked to";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << FileText(errors);
    const std::string said = FileText(errors);
    for (const char* report : {"runtime error", "AddressSanitizer", "LeakSanitizer"})
        EXPECT_EQ(said.find(report), std::string::npos) << said;
    std::remove(errors.c_str());
}

TEST(NotAFile, TheShowNamesAFifoInPlaceOfItsMusicAtOnce) {
    ASSERT_EQ(std::system("command -v Xvfb > /dev/null"), 0)
        << "the test needs Xvfb (tools/setup.sh installs it)";
    VirtualDisplay display;
    // The data set, linked, with a FIFO for the music, which is opened last of all.
    TestFolder folder;
    fs::create_directory("data");
    for (const auto& entry : fs::directory_iterator(std::string(SHOW_BUILD_DIR) + "/data"))
        if (entry.path().filename() != "avseq01.mp3")
            fs::create_symlink(entry.path(), "data" / entry.path().filename());
    ASSERT_EQ(mkfifo("data/avseq01.mp3", 0644), 0);
    const std::string errors = folder.Root() + "/errors.txt";
    const auto start = std::chrono::steady_clock::now();
    const pid_t player = StartProcess({kShow}, folder.Root(), errors,
                                      {"DISPLAY=" + display.name, "SDL_AUDIODRIVER=dummy"});
    const std::string line = "data/avseq01.mp3: a FIFO, not a file\n";
    while (FileText(errors).find(line) == std::string::npos &&
           std::chrono::steady_clock::now() - start < std::chrono::seconds(5) &&
           WaitForProcess(player, 0.05) == -1) {
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const std::string said = FileText(errors);
    EXPECT_NE(said.find(line), std::string::npos) << "after " << seconds << " s: " << said;
    EXPECT_LT(seconds, 5.0);
    // Then it gives up as for missing music: its message (in a box where one can be shown, which
    // nobody here will dismiss).
    if (WaitForProcess(player, 2) == -1) kill(player, SIGKILL), WaitForProcess(player, 5);
    const std::string all = FileText(errors);
    EXPECT_NE(all.find("brokwel 11 | glintVAT | dwm2001: ", all.find(line)), std::string::npos)
        << all;
}

} // namespace
