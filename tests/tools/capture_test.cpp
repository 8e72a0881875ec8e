// The capture tool, run as the user runs it, from the folder that holds the data.
#include "tests/support/decoded_video.h"
#include "tests/support/png_files.h"
#include "tests/support/test_folder.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

// Runs the tool in the build folder, where data/ is; its exit status.
int Capture(const std::string& arguments) {
    const std::string command =
        std::string("cd ") + SHOW_BUILD_DIR + " && ./capture " + arguments + " > /dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

double MeanDifference(const RgbPicture& a, const RgbPicture& b) {
    if (a.rgb.size() != b.rgb.size() || a.rgb.empty()) return 255;
    double sum = 0;
    for (size_t i = 0; i < a.rgb.size(); ++i)
        sum += std::abs(int(a.rgb[i]) - int(b.rgb[i]));
    return sum / double(a.rgb.size());
}

TEST(CaptureTool, TwoCapturesOfTheSameTimesAreIdentical) {
    TestFolder folder;
    ASSERT_EQ(Capture("--fps 20 --still 1.25 --still 4 --out " + folder.Root() + "/a"), 0);
    ASSERT_EQ(Capture("--fps 20 --still 4 --still 1.25 --out " + folder.Root() + "/b"), 0);
    for (const char* name : {"still-1.250.png", "still-4.000.png"}) {
        RgbPicture a, b;
        ASSERT_TRUE(ReadPng(folder.Root() + "/a/" + name, a)) << name;
        ASSERT_TRUE(ReadPng(folder.Root() + "/b/" + name, b)) << name;
        EXPECT_EQ(a.width, 640);
        EXPECT_EQ(a.height, 480);
        EXPECT_TRUE(a.rgb == b.rgb) << name;
    }
}

TEST(CaptureTool, TheVideoHasItsSpanRateAndMusicAndMatchesTheStills) {
    TestFolder folder;
    const std::string video = folder.Root() + "/span.mp4";
    ASSERT_EQ(Capture("--video " + video + " --from 1 --to 3 --fps 10 --still 2.5 --out " +
                      folder.Root()),
              0);

    AVFormatContext* format = nullptr;
    ASSERT_EQ(avformat_open_input(&format, video.c_str(), nullptr, nullptr), 0);
    ASSERT_GE(avformat_find_stream_info(format, nullptr), 0);
    EXPECT_NEAR(double(format->duration) / AV_TIME_BASE, 2.0, 0.05);
    int videoStreams = 0, audioStreams = 0;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVStream* stream = format->streams[i];
        if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
            ++videoStreams;
            EXPECT_EQ(stream->codecpar->codec_id, AV_CODEC_ID_H264);
            EXPECT_EQ(av_q2d(stream->avg_frame_rate), 10.0);
            EXPECT_EQ(stream->nb_frames, 20);
            EXPECT_EQ(stream->codecpar->width, 640);
        } else if (stream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
            ++audioStreams;
            EXPECT_EQ(stream->codecpar->codec_id, AV_CODEC_ID_AAC);
            EXPECT_EQ(stream->codecpar->sample_rate, 44100);
        }
    }
    avformat_close_input(&format);
    EXPECT_EQ(videoStreams, 1);
    EXPECT_EQ(audioStreams, 1);

    // 2.5 s is frame 15 of a span starting at 1 s; H.264 keeps it close, not exact.
    RgbPicture still, frame;
    ASSERT_TRUE(ReadPng(folder.Root() + "/still-2.500.png", still));
    ASSERT_TRUE(DecodeVideoFrame(video, 15, frame));
    EXPECT_LT(MeanDifference(still, frame), 4.0);
    RgbPicture other;
    ASSERT_TRUE(DecodeVideoFrame(video, 2, other));
    EXPECT_GT(MeanDifference(still, other), MeanDifference(still, frame));
}

// The FNV-1a hash of a picture's pixels as the tool reads them: 0xFFRRGGBB words, top row
// first, each word's bytes taken whole.
uint64_t PixelHash(const RgbPicture& picture) {
    uint64_t hash = 14695981039346656037ull;
    for (size_t i = 0; i + 2 < picture.rgb.size(); i += 3) {
        const uint32_t word = 0xFF000000u | uint32_t(picture.rgb[i]) << 16 |
                              uint32_t(picture.rgb[i + 1]) << 8 | picture.rgb[i + 2];
        hash = (hash ^ word) * 1099511628211ull;
    }
    return hash;
}

TEST(CaptureTool, FrameHashesListEveryFrameOfTheSpanAsTheStillsShowThem) {
    TestFolder folder;
    const std::string hashes = folder.Root() + "/hashes.txt";
    ASSERT_EQ(Capture("--fps 20 --from 3 --to 4 --frame-hashes " + hashes), 0);
    ASSERT_EQ(Capture("--fps 20 --still 3 --still 3.5 --out " + folder.Root()), 0);
    std::ifstream in(hashes);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 20u);
    for (size_t i = 0; i < lines.size(); ++i) {
        long long number = 0;
        double time = 0;
        char hash[32] = {};
        ASSERT_EQ(std::sscanf(lines[i].c_str(), "%lld %lf %31s", &number, &time, hash), 3)
            << lines[i];
        EXPECT_EQ(number, 60LL + static_cast<long long>(i));
        EXPECT_NEAR(time, 3.0 + 0.05 * double(i), 1e-9);
        EXPECT_EQ(std::strlen(hash), 16u);
    }
    for (const auto& [line, still] : {std::pair{0, "still-3.000.png"}, {10, "still-3.500.png"}}) {
        RgbPicture picture;
        ASSERT_TRUE(ReadPng(folder.Root() + "/" + still, picture));
        char expected[32];
        std::snprintf(expected, sizeof expected, "%016llx",
                      static_cast<unsigned long long>(PixelHash(picture)));
        EXPECT_NE(lines[size_t(line)].find(expected), std::string::npos)
            << still << ": " << lines[size_t(line)];
    }
}

TEST(CaptureTool, HelpAndBadOptions) {
    EXPECT_EQ(Capture("--help"), 0);
    EXPECT_EQ(Capture(""), 2);
    EXPECT_EQ(Capture("--frobnicate"), 2);
    EXPECT_EQ(Capture("--still"), 2);
    EXPECT_EQ(Capture("--still soon"), 2);
    EXPECT_EQ(Capture("--fps 0 --still 1"), 2);
    EXPECT_EQ(Capture("--video x.mp4 --from 5 --to 2"), 2);
    EXPECT_EQ(Capture("--video x.mp4 --to 200"), 2);
    EXPECT_EQ(Capture("--frame-hashes"), 2);
    EXPECT_EQ(Capture("--frame-hashes h.txt --from 3.2 --to 3.5 --fps 1"), 2);
}

// Runs the tool with standard error kept: its exit status, what it said, and how long it took.
int CaptureSaying(const std::string& arguments, std::string& said, double& seconds) {
    TestFolder folder;
    const std::string errors = folder.Root() + "/errors.txt";
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system((std::string("cd ") + SHOW_BUILD_DIR + " && ./capture " +
                                    arguments + " > /dev/null 2> " + errors)
                                       .c_str());
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::ifstream in(errors);
    said.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(CaptureTool, OutputsThatCannotBeWrittenAreRefusedBeforeAnythingIsRendered) {
    TestFolder folder;
    folder.Write("a-file", std::string("not a folder"));
    // Each asks for the show up to 190 s, a minute or more of rendering: a refusal must come
    // in a few seconds, before the first frame (start-up included).
    struct Case {
        std::string arguments, named, reason;
    };
    const Case cases[] = {
        {"--sheet " + folder.Root() + "/missing/sheet.png", folder.Root() + "/missing/sheet.png",
         "No such file or directory"},
        {"--still 190 --out " + folder.Root() + "/a-file", folder.Root() + "/a-file",
         "not a folder"},
        {"--video " + folder.Root() + "/missing/show.mp4 --from 180 --to 190",
         folder.Root() + "/missing/show.mp4", "No such file or directory"},
        {"--still 190 --still 190.000 --out " + folder.Root(), "still-190.000.png", "both"},
    };
    for (const Case& c : cases) {
        std::string said;
        double seconds = 0;
        EXPECT_EQ(CaptureSaying(c.arguments, said, seconds), 2) << c.arguments;
        EXPECT_NE(said.find(c.named), std::string::npos) << said;
        EXPECT_NE(said.find(c.reason), std::string::npos) << said;
        EXPECT_LT(seconds, 5.0) << c.arguments;
    }
    // A missing stills folder is made, parents and all.
    ASSERT_EQ(Capture("--still 0.5 --out " + folder.Root() + "/new/stills"), 0);
    RgbPicture still;
    EXPECT_TRUE(ReadPng(folder.Root() + "/new/stills/still-0.500.png", still));
}

TEST(CaptureTool, WithoutItsDataItSaysSoAndFails) {
    TestFolder folder;
    const std::string command =
        "cd " + folder.Root() + " && " + SHOW_BUILD_DIR + "/capture --still 1 > out.txt 2>&1";
    const int status = std::system(command.c_str());
    EXPECT_EQ(WEXITSTATUS(status), 1);
    std::FILE* out = std::fopen((folder.Root() + "/out.txt").c_str(), "r");
    ASSERT_NE(out, nullptr);
    char text[4096] = {};
    const size_t read = std::fread(text, 1, sizeof text - 1, out);
    std::fclose(out);
    const std::string said(text, read);
    EXPECT_NE(said.find("Could not initialize an effect"), std::string::npos);
    // The first file the show looks for is named, and why it could not be loaded.
    EXPECT_NE(said.find("Data/trailer3.avi: missing\n"), std::string::npos) << said;
}

} // namespace
