#include "tests/support/test_folder.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

TestFolder::TestFolder() {
    char pattern[] = "/tmp/show-test-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    if (!made) ADD_FAILURE() << "cannot make a temporary folder";
    root = made ? made : "/tmp";
    previous = std::filesystem::current_path().string();
    std::filesystem::current_path(root);
}

TestFolder::~TestFolder() {
    std::filesystem::current_path(previous);
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
}

void TestFolder::Write(const std::string& relative, const std::vector<uint8_t>& bytes) const {
    const std::filesystem::path path = std::filesystem::path(root) / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) ADD_FAILURE() << "cannot write " << path;
}

void TestFolder::Write(const std::string& relative, const std::string& text) const {
    Write(relative, std::vector<uint8_t>(text.begin(), text.end()));
}
