// A fresh temporary folder, made the working directory for the life of the object (the show
// opens its files relative to it), then removed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TestFolder {
public:
    TestFolder();
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::string& Root() const { return root; }
    // Writes `bytes` to `relative`, making the folders on the way.
    void Write(const std::string& relative, const std::vector<uint8_t>& bytes) const;
    void Write(const std::string& relative, const std::string& text) const;

private:
    std::string root;
    std::string previous;
};
