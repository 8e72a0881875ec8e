// Little-endian fields of picture file headers.
#pragma once

#include <cstdint>

inline uint16_t ReadU16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}
inline uint32_t ReadU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline int32_t ReadI32(const uint8_t* p) {
    return int32_t(ReadU32(p));
}
