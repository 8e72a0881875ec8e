#include "platform/files/resolve_path.h"
#include "tests/support/test_folder.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

TEST(ResolvePath, MatchesEachComponentIgnoringCaseWhenTheExactNameIsMissing) {
    TestFolder folder;
    folder.Write("data/logo.jpg", std::string("a"));
    folder.Write("data/Sub Folder/Clip.AVI", std::string("b"));
    EXPECT_EQ(ResolvePath("Data/logo.jpg"), "data/logo.jpg");
    EXPECT_EQ(ResolvePath("DATA/LOGO.JPG"), "data/logo.jpg");
    EXPECT_EQ(ResolvePath("Data\\sub folder\\clip.avi"), "data/Sub Folder/Clip.AVI");
    EXPECT_EQ(ResolvePath("./Data/./logo.jpg"), "data/logo.jpg");
    EXPECT_EQ(ResolvePath(folder.Root() + "/DATA/Logo.jpg"), folder.Root() + "/data/logo.jpg");
}

TEST(ResolvePath, ExactNamesWinAndMissingFilesComeBackUnchanged) {
    TestFolder folder;
    folder.Write("Data/a.jpg", std::string("upper"));
    folder.Write("data/b.jpg", std::string("lower"));
    EXPECT_EQ(ResolvePath("Data/a.jpg"), "Data/a.jpg");
    EXPECT_EQ(ResolvePath("data/b.jpg"), "data/b.jpg");
    // Two folders differing only in case are searched as one.
    EXPECT_EQ(ResolvePath("data/a.jpg"), "Data/a.jpg");
    EXPECT_EQ(ResolvePath("Data/B.JPG"), "data/b.jpg");
    // Neither folder holds it under any case.
    EXPECT_EQ(ResolvePath("Data/missing.jpg"), "Data/missing.jpg");
    EXPECT_EQ(ResolvePath("nowhere/a.jpg"), "nowhere/a.jpg");
}

TEST(ReadWholeFile, ReadsThroughTheResolverAndRefusesWhatIsNotAFile) {
    TestFolder folder;
    folder.Write("Data/bytes.bin", std::vector<uint8_t>{0, 1, 2, 255});
    std::vector<uint8_t> contents;
    ASSERT_EQ(ReadWholeFile("data/BYTES.bin", contents), 0);
    EXPECT_EQ(contents, (std::vector<uint8_t>{0, 1, 2, 255}));
    EXPECT_EQ(ReadWholeFile("data/none.bin", contents), ENOENT);
    EXPECT_TRUE(contents.empty());
    EXPECT_EQ(ReadWholeFile("data", contents), EISDIR);
    folder.Write("data/empty.bin", std::string());
    EXPECT_EQ(ReadWholeFile("data/empty.bin", contents), 0);
    EXPECT_TRUE(contents.empty());
}

} // namespace
