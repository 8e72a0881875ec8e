// The address space (ulimit -v) a capture needs. Under a tighter limit the OpenGL software
// driver, which reserves much of it (for each of its threads, and for compiling shaders), fails
// in ways that cannot be caught: a crash inside its shader compiler, or an abort in the library
// that loads it. A capture that cannot have what it needs is refused before anything is drawn.
#pragma once

#include <cstdint>

// The bytes of address space a capture of frames `width` x `height` (with a video or not) needs
// on a machine of `cores` processors. Measured on two cores: a 640 x 480 still or video works
// under 1000 MB and not under 900 (the driver's threads and shaders); a 3840 x 2160 still
// under 1300 MB, a video of that size (the encoder's look-ahead) under 2400 MB and not 1900.
uint64_t AddressSpaceNeeded(int width, int height, bool video, int cores);

// The address-space limit in force, or 0 for none.
uint64_t AddressSpaceLimit();
