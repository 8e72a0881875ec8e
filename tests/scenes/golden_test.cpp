// Stills of the show compared with reference pictures kept in tests/golden, within a small
// tolerance. To accept a deliberate change of picture, run
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

void PrintTo(const Golden& golden, std::ostream* out) {
    *out << golden.name;
}

class GoldenTest : public testing::TestWithParam<Golden> {};

TEST_P(GoldenTest, MatchesItsReference) {
    TestFolder folder;
    char time[32];
    std::snprintf(time, sizeof time, "%.3f", GetParam().time);
    const std::string command = std::string("cd ") + SHOW_BUILD_DIR +
                                " && ./capture --fps 30 --still " + time + " --out " +
                                folder.Root() + " > /dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string still = folder.Root() + "/still-" + time + ".png";
    const std::string reference = std::string(SHOW_GOLDEN_DIR) + "/" + GetParam().name + ".png";
    if (std::getenv("SHOW_UPDATE_GOLDEN")) {
        std::filesystem::copy_file(still, reference,
                                   std::filesystem::copy_options::overwrite_existing);
        GTEST_SKIP() << "reference rewritten: " << reference;
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

INSTANTIATE_TEST_SUITE_P(Show, GoldenTest,
                         testing::Values(Golden{"logo-0.0", 0.0}, Golden{"logo-4.0", 4.0},
                                         Golden{"logo-8.0", 8.0}, Golden{"logo-11.4", 11.4}),
                         [](const testing::TestParamInfo<Golden>& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 if (c == '-' || c == '.') c = '_';
                             return name;
                         });

} // namespace
