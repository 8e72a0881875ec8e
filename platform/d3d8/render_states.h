// Direct3D 8's render-state table as a new device starts with it.
#pragma once

#include "platform/d3d8/d3d8_types.h"

// Fills every entry of `states` (indexed by D3DRENDERSTATETYPE) with its default.
void FillDefaultRenderStates(DWORD (&states)[D3DRS_TABLE_SIZE], bool autoDepthBuffer,
                             bool softwareVertexProcessing);

// Stage 0's texture-stage states as a new device starts with them.
void FillDefaultStageStates(DWORD (&states)[D3DTSS_TABLE_SIZE]);

D3DMATRIX IdentityMatrix();

// What LightEnable switches on for a light never set: white, directional, along +z.
D3DLIGHT8 DefaultLight();
