// Mesh files for the tests, written record by record: "EMV", then counts and records as the
// tests give them (so a test can write a file that lies about its counts).
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

class MeshFile {
public:
    MeshFile() : bytes{'E', 'M', 'V'} {}
    MeshFile& Int(int32_t value) {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(uint8_t(uint32_t(value) >> (8 * i)));
        return *this;
    }
    MeshFile& Float(float value) {
        uint32_t bits;
        std::memcpy(&bits, &value, 4);
        return Int(int32_t(bits));
    }
    MeshFile& Vertex(float x, float y, float z) { return Float(x).Float(y).Float(z); }
    MeshFile& Triangle(int32_t a, int32_t b, int32_t c) { return Int(a).Int(b).Int(c); }
    std::vector<uint8_t> bytes;
};
