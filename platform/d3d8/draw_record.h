// Test-only: what each draw of the device was given, for a benchmark's plain OpenGL program to
// draw the same picture, and a switch that leaves out the OpenGL work of the draws so that a
// benchmark can time what the rest of a frame costs.
#pragma once

#include "platform/d3d8/d3d8_types.h"

#include <cstdint>
#include <functional>

class IDirect3DTexture8;

struct DrawRecord {
    const DWORD* renderStates; // D3DRS_TABLE_SIZE entries
    const DWORD* stageStates;  // stage 0, D3DTSS_TABLE_SIZE entries
    const D3DMATRIX* world;
    const D3DMATRIX* view;
    const D3DMATRIX* projection;
    const D3DMATRIX* texture0;
    const D3DMATERIAL8* material;
    const D3DLIGHT8* lights; // 8
    const bool* lightEnabled;
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

// While set, DrawIndexedPrimitive checks its arguments and records, but draws nothing.
void SkipDrawing(bool skip);
