// Access to the shared vertex and index buffers. A scene locks both, writes vertices and
// 16-bit triangle indices from 0 on, unlocks, and draws.
#pragma once

#include "fx/vertex.h"

#include <cstdint>

// Valid between a lock and its unlock.
extern Vertex* SharedVertices;
extern uint16_t* SharedIndices;

// The whole buffer, contents kept from the previous lock. Should a lock fail, the pointer is
// set to scratch memory of the buffer's capacity, so writes through it harm nothing.
HRESULT LockSharedVertices();
HRESULT UnlockSharedVertices();
HRESULT LockSharedIndices();
HRESULT UnlockSharedIndices();
