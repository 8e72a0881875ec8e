// The tests' view of the draws (built only into the tests' platform library): what each draw of
// the device was given, for a benchmark's plain OpenGL program to draw the same picture.
#pragma once

#include "platform/d3d8/d3d8_types.h"
#include "platform/d3d8/fixed_function.h"

#include <cstdint>
#include <functional>

class IDirect3DTexture8;

struct DrawRecord {
    // The states, matrices, material and lights the draw was given.
    DrawState state;
    IDirect3DTexture8* texture; // bound at stage 0, or null
    // Whether the texture's contents changed since it was last drawn (a clip frame copied in).
    bool textureChanged;
    const BYTE* vertices; // 36-byte records, vertex 0 at the base vertex
    UINT vertexEnd;       // one past the highest vertex the indices reach
    const uint16_t* indices;
    UINT indexCount;
};

// Every later DrawIndexedPrimitive hands its record to `recorder` before it draws; an empty
// function stops the recording.
void RecordDraws(std::function<void(const DrawRecord&)> recorder);

// For DrawIndexedPrimitive: whether a recorder is set, and handing it a record.
bool DrawsRecorded();
void RecordDraw(const DrawRecord& record);
