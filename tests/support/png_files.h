// Reading PNG files back in the tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RgbPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb; // 3 bytes a pixel, top row first
};

// False when the file is missing or not an 8-bit RGB(A) PNG.
bool ReadPng(const std::string& path, RgbPicture& picture);
