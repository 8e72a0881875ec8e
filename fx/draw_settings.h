// The settings every draw reads: scenes write the fields before drawing and return them to
// their defaults with ResetDrawSettings.
#pragma once

#include "platform/d3d8/d3d8_types.h"

#include <cstdint>

struct Material : D3DMATERIAL8 {
    // Diffuse 0.75, ambient 0.5, specular and emissive 0, power 0; the alphas are kept.
    void SetDefaults();
    void SetDiffuse(float r, float g, float b, float a);
    void SetSpecular(float r, float g, float b, float a);
    void SetPower(float power);
};

struct Light : D3DLIGHT8 {
    // White directional light along +z, no specular or ambient.
    void SetDefaults();
    void SetSpecular(float r, float g, float b, float a);
};

constexpr int32_t kDrawLights = 8;

struct DrawSettings {
    // Texture coordinates from camera-space normals instead of the vertices'.
    bool environmentMap;
    // Counter-clockwise triangles culled; false draws both sides.
    bool cullBackFaces;
    Material material;
    // With `blend`: source x destination + destination x (1 - destination) instead of adding.
    bool multiplyBlend;
    Light lights[kDrawLights];
    bool lighting;
    D3DCOLOR ambient;
    // Lights 0 .. lightCount - 1 are used; held to 0 .. 8.
    int32_t lightCount;
    bool flatShading;
    // Blending on and depth writes off for the draw.
    bool blend;
};

extern DrawSettings drawSettings;

// Everything but `material`, `lights` and `multiplyBlend` back to its default.
void ResetDrawSettings();
