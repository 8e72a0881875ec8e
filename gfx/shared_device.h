// The device state every drawing routine shares: the device, one dynamic vertex buffer and one
// 16-bit index buffer that hold the geometry of every draw, and the baseline render states that
// every draw routine returns to.
#pragma once

#include "platform/d3d8/d3d8.h"

#include <cstdint>

class Renderer;

// The vertex layout of every draw: position, normal, diffuse colour, one texture coordinate set.
constexpr DWORD kSharedVertexFormat = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1;
static_assert(kSharedVertexFormat == 0x152, "the shared vertex format");
constexpr UINT kSharedVertexStride = 36;
// 65536 vertices and 65536 triangles of 16-bit indices.
constexpr UINT kSharedVertexBufferBytes = 0x240000;
constexpr UINT kSharedIndexBufferBytes = 0x60000;

// The Renderer's device, not an extra reference; set by CreateSharedBuffers.
extern IDirect3DDevice8* sharedDevice;
extern IDirect3DVertexBuffer8* sharedVertexBuffer;
extern IDirect3DIndexBuffer8* sharedIndexBuffer;

// Creates both buffers and sets the baseline states: 0, or -1 with nothing left alive.
int32_t CreateSharedBuffers(Renderer* renderer);

// Releases whichever buffers exist.
void ReleaseSharedBuffers();
