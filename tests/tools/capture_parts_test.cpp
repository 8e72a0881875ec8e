// The capture tool's parts that need no show: its command line, its outputs written under a
// temporary name, and the checks on its outputs before anything is drawn.
#include "platform/host/letterbox.h"
#include "tests/support/test_folder.h"
#include "tools/capture/framed_picture.h"
#include "tools/capture/options.h"
#include "tools/capture/outputs.h"
#include "tools/capture/pending_file.h"

#include <gtest/gtest.h>

#include <limits.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <dirent.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct Parsed {
    bool ok;
    bool help;
    std::string error;
    CaptureOptions options;
};

Parsed Parse(std::vector<std::string> words) {
    words.insert(words.begin(), "capture");
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    Parsed parsed{};
    parsed.ok =
        ParseOptions(int(argv.size()), argv.data(), parsed.options, parsed.help, parsed.error);
    return parsed;
}

TEST(CaptureOptions, EveryOptionIsTakenAsWritten) {
    const Parsed p =
        Parse({"--video", "v.mp4", "--from",         "1.5",  "--to",  "2", "--fps",   "30",
               "--still", "-0",    "--still",        "7",    "--out", "o", "--sheet", "s.png",
               "--data",  "d",     "--frame-hashes", "h.txt"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_FALSE(p.help);
    EXPECT_EQ(p.options.video, "v.mp4");
    EXPECT_EQ(p.options.from, 1.5);
    EXPECT_EQ(p.options.to, 2.0);
    EXPECT_EQ(p.options.fps, 30);
    ASSERT_EQ(p.options.stills.size(), 2u);
    EXPECT_FALSE(std::signbit(p.options.stills[0])) << "-0 is 0";
    EXPECT_EQ(p.options.stills[1], 7.0);
    EXPECT_EQ(p.options.out, "o");
    EXPECT_EQ(p.options.sheet, "s.png");
    EXPECT_EQ(p.options.data, "d");
    EXPECT_EQ(p.options.frameHashes, "h.txt");
    EXPECT_TRUE(Parse({"--help"}).help);

    EXPECT_EQ(Parse({"--still", "1"}).options.width, 0) << "the show's own size by default";
    const Parsed sized = Parse({"--still", "1", "--size", "3840x2160"});
    ASSERT_TRUE(sized.ok) << sized.error;
    EXPECT_EQ(sized.options.width, 3840);
    EXPECT_EQ(sized.options.height, 2160);
    // Odd sides are fine for pictures, and the smallest and largest sizes are taken.
    EXPECT_TRUE(Parse({"--still", "1", "--size", "641x481"}).ok);
    EXPECT_TRUE(Parse({"--still", "1", "--size", "640x480"}).ok);
    EXPECT_TRUE(Parse({"--sheet", "s.png", "--size", "16384x16384"}).ok);
}

// A frame of `width` x `height` whose pixels say where they are: 0xFF, then row and column.
std::vector<uint32_t> Numbered(int width, int height) {
    std::vector<uint32_t> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels.push_back(0xFF000000u | uint32_t(y) << 12 | uint32_t(x));
    return pixels;
}

TEST(FramedPicture, ThePictureLiesCentredBetweenBlackBars) {
    const struct {
        int width, height;           // the frame
        int left, top, across, down; // where the 4:3 picture lies, worked out by hand
    } cases[] = {
        {1920, 1080, 240, 0, 1440, 1080}, // wide: bars left and right
        {3840, 2160, 480, 0, 2880, 2160},
        {1000, 1000, 0, 125, 1000, 750}, // tall: bars above and below
        {1283, 960, 1, 0, 1280, 960},    // three columns over: the wider bar is on the right
        {1280, 963, 0, 2, 1280, 960},    // three rows over: the taller bar is above
        {2560, 1920, 0, 0, 2560, 1920},  // fills
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        const PictureRect place = FitPicture(c.width, c.height, 640, 480);
        EXPECT_EQ(place.left, c.left);
        EXPECT_EQ(place.top, c.top);
        EXPECT_EQ(place.width, c.across);
        EXPECT_EQ(place.height, c.down);
        const std::vector<uint32_t> picture = Numbered(c.across, c.down);
        std::vector<uint32_t> storage;
        const host::Frame frame = FramedPicture(host::Frame{picture.data(), c.across, c.down},
                                                c.width, c.height, storage);
        ASSERT_EQ(frame.width, c.width);
        ASSERT_EQ(frame.height, c.height);
        size_t wrong = 0;
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x) {
                const bool inside =
                    x >= c.left && x < c.left + c.across && y >= c.top && y < c.top + c.down;
                const uint32_t expected =
                    inside ? 0xFF000000u | uint32_t(y - c.top) << 12 | uint32_t(x - c.left)
                           : 0xFF000000u;
                wrong += frame.pixels[size_t(y) * size_t(c.width) + size_t(x)] != expected;
            }
        EXPECT_EQ(wrong, 0u);
    }
}

TEST(CaptureOptions, EachRefusalSaysWhatIsWrong) {
    const struct {
        std::vector<std::string> words;
        const char* says;
    } cases[] = {
        {{}, "nothing to write"},
        {{"--frobnicate"}, "unknown option --frobnicate"},
        {{"--still"}, "--still needs a value"},
        {{"--still", "--out", "x"}, "--still needs a value"},
        {{"--still", "soon"}, "--still needs a number, not soon"},
        {{"--still", "1e999"}, "--still needs a number"},
        {{"--still", "nan"}, "--still needs a number"},
        {{"--still", "1", "--fps", "0"}, "--fps must be a whole number from 1 to 240"},
        {{"--still", "1", "--fps", "241"}, "--fps must be a whole number"},
        {{"--still", "1", "--fps", "2.5"}, "--fps must be a whole number"},
        {{"--video", "v.mp4", "--from", "5", "--to", "2"}, "the span must satisfy"},
        {{"--video", "v.mp4", "--to", "192"}, "the span must satisfy"},
        {{"--video", "v.mp4", "--from", "-1"}, "the span must satisfy"},
        {{"--still", "191"}, "stills must be at times from 0 to below 191"},
        {{"--still", "-0.5"}, "stills must be at times"},
        {{"--still", "1", "--size", "1920"}, "--size takes WIDTHxHEIGHT in pixels"},
        {{"--still", "1", "--size", "1920x"}, "--size takes WIDTHxHEIGHT"},
        {{"--still", "1", "--size", "x1080"}, "--size takes WIDTHxHEIGHT"},
        {{"--still", "1", "--size", "1920X1080"}, "--size takes WIDTHxHEIGHT"},
        {{"--still", "1", "--size", "-640x480"}, "--size takes WIDTHxHEIGHT"},
        {{"--still", "1", "--size", "+640x480"}, "--size takes WIDTHxHEIGHT"},
        {{"--still", "1", "--size", "1920x1080x2"}, "--size takes WIDTHxHEIGHT"},
        {{"--still", "1", "--size", "99999999999x480"}, "--size takes WIDTHxHEIGHT"},
        {{"--still", "1", "--size", "0x0"}, "--size 0x0 is smaller than the show's own 640x480"},
        {{"--still", "1", "--size", "639x480"}, "smaller than the show's own 640x480"},
        {{"--still", "1", "--size", "2000x479"}, "smaller than the show's own 640x480"},
        {{"--still", "1", "--size", "16385x480"}, "larger than 16384 pixels on a side"},
        {{"--video", "v.mp4", "--size", "1921x1080"}, "--size 1921x1080 has an odd side"},
        {{"--video", "v.mp4", "--size", "1920x1081"}, "has an odd side"},
        {{"--video", ""}, "--video needs a value, not an empty one"},
        {{"--sheet", ""}, "--sheet needs a value, not an empty one"},
        {{"--still", "1", "--out", ""}, "--out needs a value, not an empty one"},
        {{"--video", "a.mp4", "--video", "b.mp4"}, "--video is given twice; it takes one value"},
        {{"--sheet", "a.png", "--sheet", "b.png"}, "--sheet is given twice"},
        {{"--still", "1", "--size", "640x480", "--size", "800x600"}, "--size is given twice"},
        {{"--video", "v.mp4", "--from", "1", "--from", "2"}, "--from is given twice"},
    };
    for (const auto& c : cases) {
        const Parsed p = Parse(c.words);
        EXPECT_FALSE(p.ok) << c.says;
        EXPECT_NE(p.error.find(c.says), std::string::npos) << p.error;
    }
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The names in `folder`, hidden ones included.
std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir))
            if (std::string(entry->d_name) != "." && std::string(entry->d_name) != "..")
                names.push_back(entry->d_name);
        closedir(dir);
    }
    return names;
}

TEST(PendingFile, ItsTemporaryIsKnownByNameAndOneLeftByARunThatIsGoneIsRemoved) {
    TestFolder folder;
    std::string error;
    // A process that has ended: its number is free.
    const pid_t gone = fork();
    if (gone == 0) _exit(0);
    ASSERT_GT(gone, 0);
    waitpid(gone, nullptr, 0);
    const std::string stale = PendingFile::TemporaryName("v.mp4", long(gone));
    EXPECT_EQ(stale, ".v.mp4." + std::to_string(gone) + ".partial");
    folder.Write(stale, std::string("half a video"));
    // One of a run still going (process 1 always is) stays, as do other outputs' temporaries.
    const std::string running = PendingFile::TemporaryName("v.mp4", 1);
    folder.Write(running, std::string("being written"));
    const std::string other = PendingFile::TemporaryName("w.mp4", long(gone));
    folder.Write(other, std::string("another output's"));
    {
        PendingFile file;
        ASSERT_TRUE(file.Create(folder.Root() + "/v.mp4", error)) << error;
        EXPECT_EQ(file.Path(),
                  folder.Root() + "/" + PendingFile::TemporaryName("v.mp4", long(getpid())));
        std::vector<std::string> names = Names(folder.Root());
        std::sort(names.begin(), names.end());
        std::vector<std::string> expected = {running, other,
                                             PendingFile::TemporaryName("v.mp4", long(getpid()))};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(names, expected);
    }

    // Names up to the file system's limit: the temporary is then named by the name's hash.
    const std::string longest(NAME_MAX, 'n');
    const std::string hashed = PendingFile::TemporaryName(longest, 42);
    EXPECT_EQ(hashed.rfind(".capture-", 0), 0u) << hashed;
    EXPECT_LE(hashed.size(), size_t(NAME_MAX));
    EXPECT_NE(hashed, PendingFile::TemporaryName(std::string(NAME_MAX, 'm'), 42));
    PendingFile file;
    ASSERT_TRUE(file.Create(folder.Root() + "/" + longest, error)) << error;
    std::ofstream(file.Path()) << "whole";
    ASSERT_TRUE(file.Commit(error)) << error;
    EXPECT_EQ(ReadText(folder.Root() + "/" + longest), "whole");
}

TEST(CaptureOutputs, AStillIsNamedWithATimeThatReadsBackAsItself) {
    EXPECT_EQ(StillName(7.5), "still-7.500.png");
    EXPECT_EQ(StillName(-0.0), "still-0.000.png");
    EXPECT_EQ(StillName(0.1), "still-0.100.png");
    EXPECT_EQ(StillName(190.9999), "still-190.9999.png");
    EXPECT_EQ(StillName(40.0005), "still-40.0005.png");
}

TEST(PendingFile, AppearsUnderItsNameOnlyWhenCommittedAndLeavesNothingOtherwise) {
    TestFolder folder;
    const std::string target = folder.Root() + "/out.png";
    folder.Write("out.png", std::string("old"));
    std::string error;
    {
        PendingFile file;
        ASSERT_TRUE(file.Create(target, error)) << error;
        EXPECT_EQ(file.Path().rfind(folder.Root() + "/.out.png.", 0), 0u) << file.Path();
        std::ofstream(file.Path()) << "new";
        EXPECT_EQ(ReadText(target), "old");
        ASSERT_TRUE(file.Commit(error)) << error;
        EXPECT_FALSE(file.Pending());
    }
    EXPECT_EQ(ReadText(target), "new");
    EXPECT_EQ(Names(folder.Root()), std::vector<std::string>{"out.png"});
    {
        PendingFile abandoned;
        ASSERT_TRUE(abandoned.Create(folder.Root() + "/gone.png", error));
        std::ofstream(abandoned.Path()) << "half";
    }
    EXPECT_EQ(Names(folder.Root()), std::vector<std::string>{"out.png"});
    PendingFile nowhere;
    EXPECT_FALSE(nowhere.Create(folder.Root() + "/missing/x.png", error));
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
}

TEST(CaptureOutputs, StillNamesAndTheFilesARunWrites) {
    EXPECT_EQ(StillName(-0.0), "still-0.000.png");
    EXPECT_EQ(StillName(40), "still-40.000.png");
    EXPECT_EQ(StillName(1.0005), "still-1.0005.png");
    CaptureOptions options;
    options.video = "v.mp4";
    options.stills = {1, 2.5};
    options.out = "o";
    options.sheet = "s.png";
    options.frameHashes = "h.txt";
    EXPECT_EQ(OutputPaths(options),
              (std::vector<std::string>{"v.mp4", "o/still-1.000.png", "o/still-2.500.png", "s.png",
                                        "h.txt"}));
}

TEST(CaptureOutputs, RefusedBeforeDrawingWithNothingLeftBehind) {
    TestFolder folder;
    const std::string root = folder.Root();
    ASSERT_EQ(mkfifo((root + "/fifo").c_str(), 0644), 0);
    folder.Write("file", std::string("x"));
    const auto refusal = [&](CaptureOptions options) {
        std::vector<std::string> made;
        std::string error;
        EXPECT_FALSE(PrepareOutputs(options, made, error));
        EXPECT_TRUE(made.empty());
        return error;
    };
    CaptureOptions twice;
    twice.video = root + "/a.mp4";
    twice.sheet = root + "/./a.mp4";
    EXPECT_NE(refusal(twice).find("are the same file"), std::string::npos);
    CaptureOptions fifo;
    fifo.video = root + "/fifo";
    EXPECT_NE(refusal(fifo).find("it is a FIFO"), std::string::npos);
    CaptureOptions sameStill;
    sameStill.stills = {1.0, 1.0};
    sameStill.out = root + "/new/deeper";
    EXPECT_NE(refusal(sameStill).find("both be written as still-1.000.png"), std::string::npos);
    CaptureOptions intoAFile;
    intoAFile.stills = {1};
    intoAFile.out = root + "/file";
    EXPECT_NE(refusal(intoAFile).find("it is not a folder"), std::string::npos);
    // A missing folder is made, and removed again when another output is refused.
    CaptureOptions madeThenRefused;
    madeThenRefused.stills = {1};
    madeThenRefused.out = root + "/made/here";
    madeThenRefused.video = root + "/fifo";
    refusal(madeThenRefused);
    EXPECT_NE(access((root + "/made").c_str(), F_OK), 0);
    EXPECT_EQ(Names(root).size(), 2u) << "only the FIFO and the file";
}

} // namespace
