// Where a draw is seen from, and how its object is turned about the origin.
#pragma once

#include "gfx/d3dx_math.h"

// Pi / 4 as a float: the field of view every camera has unless its scene swings it.
constexpr float kQuarterPi = 0.7853982f;

// Looks from `eye` at `target` with (0, 1, 0) up; `eye` must differ from `target`.
struct Camera {
    D3DXVECTOR3 eye{};
    D3DXVECTOR3 target{};
    // Vertical, in radians.
    float fieldOfView = kQuarterPi;
};

// Radians about x, then y, then z.
struct Rotation {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};
