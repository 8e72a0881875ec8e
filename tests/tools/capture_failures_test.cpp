// The capture tool when things go wrong, run as the user runs it: outputs it must refuse before
// drawing anything, a disk that fills, Ctrl-C and SIGTERM, and data files that are not files.
// Every run has a time limit, so that a hang fails its test rather than stalling the suite.
#include "tests/support/audio_files.h"
#include "tests/support/decoded_video.h"
#include "tests/support/process.h"
#include "tests/support/test_folder.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace {

namespace fs = std::filesystem;

const std::string kCapture = std::string(SHOW_BUILD_DIR) + "/capture";
const std::string kData = std::string(SHOW_BUILD_DIR) + "/data";

// The capture tool run from the build folder (where data/ is) with `arguments`.
ProcessRun Capture(const std::vector<std::string>& arguments, double limitSeconds = 60,
                   const std::function<void()>& beforeExec = {}) {
    std::vector<std::string> command = {kCapture};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return RunProcess(command, SHOW_BUILD_DIR, limitSeconds, {}, beforeExec);
}

// The names in `folder`, hidden ones (the tool's temporaries) included.
std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(CaptureFailures, OutputsAreCheckedAgainstEachOtherAndRefusedBeforeAnyFrame) {
    TestFolder folder;
    const std::string root = folder.Root();
    ASSERT_EQ(mkfifo((root + "/pipe").c_str(), 0644), 0);
    ASSERT_EQ(mkdir((root + "/out").c_str(), 0755), 0);
    fs::create_directory_symlink(root + "/out", root + "/alias");
    struct Case {
        std::vector<std::string> arguments;
        std::string said;
    };
    // Each asks for the show up to 190 s, a minute or more of drawing: a refusal comes before
    // the first frame, in a few seconds at most.
    const Case cases[] = {
        {{"--video", root + "/pipe", "--from", "180", "--to", "190"}, root + "/pipe: it is a FIFO"},
        {{"--sheet", root + "/pipe"}, root + "/pipe: it is a FIFO"},
        {{"--still", "190", "--out", root, "--still", "1"}, "still-1.000.png"},
        {{"--video", root + "/x", "--sheet", root + "/x", "--to", "190"}, "named twice"},
        {{"--still", "190", "--out", root + "/out", "--sheet", root + "/alias/still-190.000.png"},
         "are the same file"},
        {{"--video", root + "/v.mp4", "--from", "190.999", "--to", "191"}, "holds no frame"},
        {{"--video", root + "/v.mp4", "--to", "1e-12"}, "holds no frame"},
        {{"--video", "--from", "--to", "1"}, "--video needs a value"},
    };
    mkfifo((root + "/still-1.000.png").c_str(), 0644);
    for (const Case& c : cases) {
        const ProcessRun run = Capture(c.arguments, 10);
        std::string arguments;
        for (const std::string& argument : c.arguments)
            arguments += argument + " ";
        EXPECT_FALSE(run.timedOut) << arguments;
        EXPECT_EQ(run.exitCode, 2) << arguments << "\n" << run.errors;
        EXPECT_NE(run.errors.find(c.said), std::string::npos) << arguments << "\n" << run.errors;
        EXPECT_LT(run.seconds, 5.0) << arguments;
    }
    // Nothing was written, not even a temporary.
    EXPECT_EQ(Names(root), (std::vector<std::string>{"alias", "out", "pipe", "still-1.000.png"}));
    EXPECT_TRUE(fs::is_empty(root + "/out"));

    // A refused run takes back the folders it made for its stills.
    const ProcessRun made =
        Capture({"--still", "1", "--out", root + "/made/deeper", "--sheet", root + "/pipe"}, 10);
    EXPECT_EQ(made.exitCode, 2) << made.errors;
    EXPECT_FALSE(fs::exists(root + "/made"));
}

// Run from elsewhere with --data naming the data's folder, as the installed command runs it:
// outputs named relative to where it runs land there; a data folder that is not there is
// refused at once.
TEST(CaptureFailures, TheDataFolderIsNamedAndOutputsStayWhereTheToolRuns) {
    TestFolder folder;
    const ProcessRun run = RunProcess(
        {kCapture, "--data", SHOW_BUILD_DIR, "--still", "1", "--out", "stills"}, folder.Root(), 60);
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(Names(folder.Root() + "/stills"), std::vector<std::string>{"still-1.000.png"});
    const ProcessRun missing = RunProcess(
        {kCapture, "--data", folder.Root() + "/none", "--still", "1"}, folder.Root(), 10);
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_NE(missing.errors.find(folder.Root() + "/none: No such file or directory"),
              std::string::npos)
        << missing.errors;
}

TEST(CaptureFailures, MinusZeroIsZero) {
    TestFolder folder;
    const ProcessRun run = Capture({"--still", "-0", "--out", folder.Root()});
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(Names(folder.Root()), std::vector<std::string>{"still-0.000.png"});
}

// Files may grow to `bytes` and no further: a disk that fills, without root. The tool is
// started as the shell starts it, SIGXFSZ at its default (which would kill it mid-write).
std::function<void()> DiskFullAfter(rlim_t bytes) {
    return [bytes] {
        const rlimit limit{bytes, bytes};
        setrlimit(RLIMIT_FSIZE, &limit);
    };
}

TEST(CaptureFailures, AFullDiskStopsTheCaptureAtOnceAndLeavesNothingHalfWritten) {
    TestFolder folder;
    // The video: a 30 s span, of which the disk holds well under one second.
    const std::string video = folder.Root() + "/span.mp4";
    const ProcessRun filled =
        Capture({"--video", video, "--from", "0", "--to", "30"}, 120, DiskFullAfter(200 * 1024));
    EXPECT_EQ(filled.exitCode, 1) << filled.errors;
    EXPECT_NE(filled.errors.find("cannot write " + video + ": File too large"), std::string::npos)
        << filled.errors;
    // Half a minute at 60 frames a second takes far longer than stopping at the first failure.
    EXPECT_LT(filled.seconds, 10.0);
    EXPECT_TRUE(Names(folder.Root()).empty()) << Names(folder.Root())[0];

    // Stills: the first does not fit.
    const ProcessRun stills = Capture({"--still", "20", "--still", "40", "--out", folder.Root()},
                                      120, DiskFullAfter(20 * 1024));
    EXPECT_EQ(stills.exitCode, 1) << stills.errors;
    EXPECT_NE(
        stills.errors.find("cannot write " + folder.Root() + "/still-20.000.png: File too large"),
        std::string::npos)
        << stills.errors;
    // One line, and nothing from libpng.
    EXPECT_EQ(std::count(stills.errors.begin(), stills.errors.end(), '\n'), 1) << stills.errors;
    EXPECT_TRUE(Names(folder.Root()).empty()) << Names(folder.Root())[0];
}

// Signals as a shell may set them: nohup and a background job of a script start the tool with
// SIGHUP or SIGINT ignored, and it keeps them so; standard error may be a pipe nobody reads; a
// temporary left by a run that was killed is removed by the next run writing that output.
TEST(CaptureFailures, SignalsAsTheShellSetsThemAPipeNobodyReadsAndAKilledRunsTemporary) {
    TestFolder folder;
    for (const int ignored : {SIGHUP, SIGINT}) {
        SCOPED_TRACE(ignored == SIGHUP ? "nohup" : "a background job");
        const std::string out = folder.Root() + "/" + std::to_string(ignored);
        const pid_t capture =
            StartProcess({kCapture, "--fps", "20", "--still", "0.5", "--still", "30", "--out", out},
                         SHOW_BUILD_DIR, "", {}, [ignored] { signal(ignored, SIG_IGN); });
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        kill(capture, ignored);
        const int status = WaitForProcess(capture, 60);
        if (status == -1) kill(capture, SIGKILL), WaitForProcess(capture, 5);
        EXPECT_TRUE(status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        EXPECT_EQ(Names(out), (std::vector<std::string>{"still-0.500.png", "still-30.000.png"}));
    }

    // Standard error a pipe whose reader has gone: what the tool says is lost, but it works.
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    close(ends[0]);
    const std::string piped = folder.Root() + "/piped";
    const int writeEnd = ends[1];
    const ProcessRun run = RunProcess({kCapture, "--still", "1", "--out", piped, "--still", "191"},
                                      SHOW_BUILD_DIR, 20, {}, [writeEnd] { dup2(writeEnd, 2); });
    close(ends[1]);
    EXPECT_EQ(run.exitCode, 2) << "refused (191 s is past the show), not killed by SIGPIPE";
    EXPECT_FALSE(fs::exists(piped)) << "the folder made for the stills was not taken back";

    // A killed run's temporary (its process gone) goes when the same output is written again.
    const pid_t gone = fork();
    if (gone == 0) _exit(0);
    waitpid(gone, nullptr, 0);
    const std::string stale = "." + std::string("sheet.png.") + std::to_string(gone) + ".partial";
    folder.Write(stale, std::string("half a sheet"));
    const ProcessRun sheet = Capture({"--sheet", folder.Root() + "/sheet.png", "--fps", "10"});
    EXPECT_EQ(sheet.exitCode, 0) << sheet.errors;
    EXPECT_FALSE(fs::exists(folder.Root() + "/" + stale));
    EXPECT_TRUE(fs::exists(folder.Root() + "/sheet.png"));
}

// Under a memory limit too tight for OpenGL's software driver (which would crash inside its
// shader compiler at 400 and 600 MB, and abort at 200), the capture is refused at once, in one
// line, with nothing left behind; with enough, it works.
TEST(CaptureFailures, AMemoryLimitTooTightIsRefusedInOneLine) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves terabytes of address space and cannot run under "
                    "a limit on it";
#endif
    TestFolder folder;
    for (const rlim_t megabytes : {200, 400, 600}) {
        SCOPED_TRACE(std::to_string(megabytes) + " MB");
        const ProcessRun run =
            Capture({"--still", "1", "--out", folder.Root() + "/stills"}, 20, [megabytes] {
                const rlimit limit{megabytes << 20, megabytes << 20};
                setrlimit(RLIMIT_AS, &limit);
            });
        EXPECT_EQ(run.exitCode, 2) << run.errors;
        EXPECT_NE(run.errors.find("capture: the memory limit (ulimit -v) of " +
                                  std::to_string(megabytes) + " MB is below the "),
                  std::string::npos)
            << run.errors;
        EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n'), 1) << run.errors;
        EXPECT_LT(run.seconds, 5.0);
        EXPECT_TRUE(Names(folder.Root()).empty());
    }
    const ProcessRun enough =
        Capture({"--still", "1", "--out", folder.Root() + "/stills"}, 60, [] {
            const rlimit limit{rlim_t(1536) << 20, rlim_t(1536) << 20};
            setrlimit(RLIMIT_AS, &limit);
        });
    EXPECT_EQ(enough.exitCode, 0) << enough.errors;
}

TEST(CaptureFailures, CtrlCFinishesTheVideoUpToWhereItGotAndSIGTERMKeepsTheStills) {
    TestFolder folder;
    const std::string video = folder.Root() + "/span.mp4";
    const std::string errors = folder.Root() + "/errors.txt";
    const std::string stills = folder.Root() + "/stills";
    const pid_t capture = StartProcess({kCapture, "--video", video, "--from", "0", "--to", "120",
                                        "--fps", "20", "--still", "0.5", "--out", stills},
                                       SHOW_BUILD_DIR, errors);
    // Well into the span: its temporary has grown past its header.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    uintmax_t written = 0;
    while (written < 300 * 1024 && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        for (const auto& entry : fs::directory_iterator(folder.Root()))
            if (entry.path().filename().string().rfind(".span.mp4.", 0) == 0)
                written = entry.file_size();
    }
    ASSERT_GE(written, uintmax_t(300 * 1024)) << "the video never got going";
    kill(capture, SIGINT);
    const int status = WaitForProcess(capture, 5);
    if (status == -1) kill(capture, SIGKILL), WaitForProcess(capture, 5);
    ASSERT_NE(status, -1) << "still running a few seconds after Ctrl-C";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 130) << status;

    const std::string said = FileText(errors);
    const std::string before = "holds the first ";
    const size_t at = said.find(before);
    ASSERT_NE(at, std::string::npos) << said;
    const int frames = std::atoi(said.c_str() + at + before.size());
    EXPECT_EQ(DecodeVideo(video, [](int, const RgbPicture&) { return true; }), frames) << said;
    EXPECT_GT(frames, 0);
    EXPECT_TRUE(fs::exists(stills + "/still-0.500.png"));
    EXPECT_EQ(Names(folder.Root()), (std::vector<std::string>{"errors.txt", "span.mp4", "stills"}));

    // SIGTERM between stills: the one written stays, whole, and nothing else is there.
    const std::string more = folder.Root() + "/more";
    const pid_t second = StartProcess({kCapture, "--fps", "20", "--still", "0.5", "--still", "150",
                                       "--out", more, "--sheet", more + "/sheet.png"},
                                      SHOW_BUILD_DIR, errors);
    // A still appears under its name only once it is whole.
    const auto late = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!fs::exists(more + "/still-0.500.png") && std::chrono::steady_clock::now() < late)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    kill(second, SIGTERM);
    const int ended = WaitForProcess(second, 5);
    if (ended == -1) kill(second, SIGKILL), WaitForProcess(second, 5);
    EXPECT_TRUE(ended != -1 && WIFEXITED(ended) && WEXITSTATUS(ended) == 143) << ended;
    EXPECT_EQ(Names(more), std::vector<std::string>{"still-0.500.png"});
    EXPECT_GT(fs::file_size(more + "/still-0.500.png"), 10000u);
}

// A copy of the data set (links to its files) with `replaced` a FIFO.
std::string DataWithFifo(const TestFolder& folder, const std::string& replaced) {
    const std::string data = folder.Root() + "/data";
    fs::create_directory(data);
    for (const auto& entry : fs::directory_iterator(kData))
        if (entry.path().filename() != replaced)
            fs::create_symlink(entry.path(), data + "/" + entry.path().filename().string());
    mkfifo((data + "/" + replaced).c_str(), 0644);
    return data + "/" + replaced;
}

// A music file shorter than the show (a user's, or one damaged after a valid start): a capture
// past its end is refused with its real length, before anything is drawn; before it, it works.
TEST(CaptureFailures, ACapturePastTheMusicsEndIsRefusedWithItsLength) {
    TestFolder folder;
    const std::string data = folder.Root() + "/data";
    fs::create_directory(data);
    for (const auto& entry : fs::directory_iterator(kData))
        if (entry.path().filename() != "avseq01.mp3")
            fs::create_symlink(entry.path(), data + "/" + entry.path().filename().string());
    folder.Write("data/avseq01.mp3", ToneMp3(44100, 2, 10.4));
    const ProcessRun past =
        RunProcess({kCapture, "--still", "40", "--out", "stills"}, folder.Root(), 20);
    EXPECT_EQ(past.exitCode, 2) << past.errors;
    EXPECT_NE(past.errors.find("the music (data/avseq01.mp3) lasts 10.4"), std::string::npos)
        << past.errors;
    EXPECT_NE(past.errors.find("40.000 s is past its end"), std::string::npos) << past.errors;
    EXPECT_EQ(std::count(past.errors.begin(), past.errors.end(), '\n'), 1) << past.errors;
    EXPECT_FALSE(fs::exists(folder.Root() + "/stills"));
    const ProcessRun video = RunProcess({kCapture, "--video", "v.mp4"}, folder.Root(), 20);
    EXPECT_EQ(video.exitCode, 2) << video.errors;
    EXPECT_FALSE(fs::exists(folder.Root() + "/v.mp4"));
    const ProcessRun within =
        RunProcess({kCapture, "--still", "10", "--out", "stills"}, folder.Root(), 30);
    EXPECT_EQ(within.exitCode, 0) << within.errors;
    EXPECT_TRUE(fs::exists(folder.Root() + "/stills/still-10.000.png"));
}

// Data files that lie about what they are, each named with its true reason within seconds: too
// large to be what it claims (refused by its size before a byte is read), empty, or a loop of
// links.
TEST(CaptureFailures, ADataFileIsNamedWithItsTrueReasonBeforeItIsRead) {
    const struct {
        const char* name;
        std::function<void(const std::string&)> make;
        const char* said;
    } cases[] = {
        {"logo.jpg",
         [](const std::string& path) { ASSERT_EQ(truncate(path.c_str(), 2L << 30), 0); },
         "logo.jpg: too large (2147483648 bytes; at most 100663296)"},
        {"avseq01.mp3",
         [](const std::string& path) { ASSERT_EQ(truncate(path.c_str(), 2L << 30), 0); },
         "avseq01.mp3: too large (2147483648 bytes; at most 1073741824)"},
        {"logo.jpg", [](const std::string&) {}, "logo.jpg: empty (0 bytes), not a picture"},
        {"logo.jpg", [](const std::string& path) { fs::create_symlink(path, path); },
         "logo.jpg: unreadable (Too many levels of symbolic links)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.said);
        TestFolder folder;
        const std::string data = folder.Root() + "/data";
        fs::create_directory(data);
        for (const auto& entry : fs::directory_iterator(kData))
            if (entry.path().filename() != c.name)
                fs::create_symlink(entry.path(), data + "/" + entry.path().filename().string());
        const std::string path = data + "/" + c.name;
        if (std::string(c.said).find("symbolic") == std::string::npos)
            folder.Write(std::string("data/") + c.name, std::string());
        c.make(path);
        const ProcessRun run =
            RunProcess({kCapture, "--still", "1", "--out", "stills"}, folder.Root(), 20);
        EXPECT_EQ(run.exitCode, 1) << run.errors;
        EXPECT_LT(run.seconds, 5.0);
        EXPECT_NE(run.errors.find(c.said), std::string::npos) << run.errors;
        EXPECT_FALSE(fs::exists(folder.Root() + "/stills"));
    }
}

TEST(CaptureFailures, ADataFileThatIsAFifoIsNamedAtOnceNotWaitedFor) {
    // The music, a clip, the mesh and a picture: each opened by a different loader.
    for (const std::string name : {"avseq01.mp3", "trailer3.avi", "ball.msh", "logo.jpg"}) {
        TestFolder folder;
        DataWithFifo(folder, name);
        const ProcessRun run =
            RunProcess({kCapture, "--still", "1", "--out", "stills"}, folder.Root(), 20);
        EXPECT_FALSE(run.timedOut) << name << " hung the capture";
        EXPECT_EQ(run.exitCode, 1) << name << "\n" << run.errors;
        EXPECT_LT(run.seconds, 5.0) << name;
        EXPECT_NE(run.errors.find(name + ": a FIFO, not a file"), std::string::npos) << name << "\n"
                                                                                     << run.errors;
    }
}

} // namespace
