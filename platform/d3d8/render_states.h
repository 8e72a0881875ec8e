// Direct3D 8's render-state table as a new device starts with it.
#pragma once

#include "platform/d3d8/d3d8_types.h"

// Fills every entry of `states` (indexed by D3DRENDERSTATETYPE) with its default.
void FillDefaultRenderStates(DWORD (&states)[D3DRS_TABLE_SIZE], bool autoDepthBuffer,
                             bool softwareVertexProcessing);
