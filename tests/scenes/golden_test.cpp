// Stills of the whole show compared with reference pictures kept in tests/golden, within a small
// tolerance. One capture run renders every still (each scene keeps state from frame to frame, so
// a still is only right if the show played up to it). To accept a deliberate change of picture,
// run
//   SHOW_UPDATE_GOLDEN=1 build/tests/golden_tests
// which rewrites the references from the current build (then look at them before committing).
#include "tests/support/png_files.h"
#include "tests/support/test_folder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

namespace {

struct Golden {
    const char* name;
    double time;
};

// A few stills of every scene, in each of its sections.
const Golden kGoldens[] = {
    {"logo-0.0", 0.0},        {"logo-4.0", 4.0},          {"logo-8.0", 8.0},
    {"logo-11.4", 11.4},      {"ball-15.0", 15.0},        {"ball-22.0", 22.0},
    {"ball-27.0", 27.0},      {"ball-33.8", 33.8},        {"bars-35.0", 35.0},
    {"bars-40.0", 40.0},      {"bars-45.5", 45.5},        {"group-47.0", 47.0},
    {"group-53.0", 53.0},     {"group-63.5", 63.5},       {"greetings-75.0", 75.0},
    {"greetings-90.0", 90.0}, {"greetings-105.0", 105.0}, {"greetings-114.0", 114.0},
    {"photo-120.0", 120.0},   {"photo-135.0", 135.0},     {"finale-145.0", 145.0},
    {"finale-158.0", 158.0},  {"finale-170.0", 170.0},    {"finale-190.9", 190.9}};

std::string TimeName(double time) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", time);
    return text;
}

TEST(GoldenTest, EveryStillMatchesItsReference) {
    TestFolder folder;
    std::string command =
        std::string("cd ") + SHOW_BUILD_DIR + " && ./capture --fps 30 --out " + folder.Root();
    for (const Golden& golden : kGoldens)
        command += " --still " + TimeName(golden.time);
    ASSERT_EQ(std::system((command + " > /dev/null 2>&1").c_str()), 0);

    const bool update = std::getenv("SHOW_UPDATE_GOLDEN") != nullptr;
    for (const Golden& golden : kGoldens) {
        SCOPED_TRACE(golden.name);
        const std::string still = folder.Root() + "/still-" + TimeName(golden.time) + ".png";
        const std::string reference = std::string(SHOW_GOLDEN_DIR) + "/" + golden.name + ".png";
        if (update) {
            std::filesystem::copy_file(still, reference,
                                       std::filesystem::copy_options::overwrite_existing);
            continue;
        }
        RgbPicture actual, expected;
        ASSERT_TRUE(ReadPng(still, actual));
        ASSERT_TRUE(ReadPng(reference, expected)) << "no reference " << reference;
        ASSERT_EQ(actual.rgb.size(), expected.rgb.size());
        // Rasterisers may differ in a few edge pixels and by a level or two elsewhere.
        size_t different = 0;
        double total = 0;
        for (size_t i = 0; i < actual.rgb.size(); ++i) {
            const int d = std::abs(int(actual.rgb[i]) - int(expected.rgb[i]));
            total += d;
            different += d > 12;
        }
        EXPECT_LT(total / double(actual.rgb.size()), 1.0);
        EXPECT_LT(different, actual.rgb.size() / 200);
    }
    if (update) GTEST_SKIP() << "references rewritten in " << SHOW_GOLDEN_DIR;
}

} // namespace
