#include "platform/avifile/vfw.h"
#include "platform/files/load_failure.h"
#include "platform/files/open_for_reading.h"
#include "platform/files/resolve_path.h"
#include "tests/support/test_folder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

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

// Should an open of `fifo` block, a writer comes after `seconds` and lets it go, so that a fault
// fails its test instead of hanging the suite.
class FifoRescue {
public:
    FifoRescue(std::string fifo, double seconds)
        : fifo(std::move(fifo)), rescuer([this, seconds] {
              std::unique_lock<std::mutex> hold(lock);
              if (changed.wait_for(hold, std::chrono::duration<double>(seconds),
                                   [this] { return done; }))
                  return;
              rescued = true;
              const int writer = open(this->fifo.c_str(), O_WRONLY | O_NONBLOCK);
              if (writer >= 0) close(writer);
          }) {}
    ~FifoRescue() {
        {
            std::lock_guard<std::mutex> hold(lock);
            done = true;
        }
        changed.notify_all();
        rescuer.join();
    }
    bool Rescued() {
        std::lock_guard<std::mutex> hold(lock);
        return rescued;
    }

private:
    std::string fifo;
    std::mutex lock;
    std::condition_variable changed;
    bool done = false;
    bool rescued = false;
    std::thread rescuer;
};

TEST(OpenForReading, AFifoADeviceOrASocketIsRefusedAtOnceAndNamedForWhatItIs) {
    TestFolder folder;
    ASSERT_EQ(mkfifo("pipe.avi", 0644), 0);
    ASSERT_EQ(symlink("/dev/zero", "zero.jpg"), 0);
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, "socket.mp3");
    ASSERT_EQ(bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    folder.Write("data/bytes.bin", std::string("abc"));
    {
        FifoRescue rescue(folder.Root() + "/pipe.avi", 5);
        std::vector<uint8_t> contents;
        EXPECT_EQ(ReadWholeFile("pipe.avi", contents), EINVAL);
        EXPECT_EQ(OpenFileForReading("PIPE.AVI"), nullptr);
        EXPECT_EQ(WhyUnreadable("pipe.avi"), "a FIFO, not a file");
        // The clip opener: FFmpeg never opens the file itself.
        AVIFileInit();
        PAVISTREAM stream = nullptr;
        EXPECT_EQ(AVIStreamOpenFromFileA(&stream, "pipe.avi", streamtypeVIDEO, 0, OF_READ, nullptr),
                  AVIERR_FILEOPEN);
        AVIFileExit();
        EXPECT_FALSE(rescue.Rescued()) << "an open waited for a writer";
    }
    std::vector<uint8_t> contents;
    EXPECT_EQ(ReadWholeFile("zero.jpg", contents), EINVAL);
    EXPECT_EQ(WhyUnreadable("zero.jpg"), "a device, not a file");
    EXPECT_EQ(ReadWholeFile("socket.mp3", contents), ENXIO);
    EXPECT_EQ(WhyUnreadable("socket.mp3"), "a socket, not a file");
    EXPECT_EQ(WhyUnreadable("data"), "a folder, not a file");
    close(listener);
    // A regular file still reads, and its stream reads from the start.
    std::FILE* file = OpenFileForReading("Data/Bytes.bin");
    ASSERT_NE(file, nullptr);
    char read[4] = {};
    EXPECT_EQ(std::fread(read, 1, 4, file), 3u);
    EXPECT_STREQ(read, "abc");
    std::fclose(file);
}

} // namespace
