// The vector and matrix routines of D3DX: row vectors (v' = v x M), row-major matrices with the
// translation in the fourth row, left-handed coordinates. All arithmetic is single precision,
// summed in the orders given, and every routine accepts an output that aliases its inputs.
#pragma once

#include "platform/d3d8/d3d8_types.h"

#include <cmath>

// As in D3DX, the vector and matrix extend Direct3D's own, so they pass straight to the device.
struct D3DXVECTOR3 : D3DVECTOR {};

struct D3DXMATRIX : D3DMATRIX {
    float& operator()(int row, int column) { return (&_11)[row * 4 + column]; }
    float operator()(int row, int column) const { return (&_11)[row * 4 + column]; }
};

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* m1, const D3DXMATRIX* m2);
D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, float angle);
D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, float angle);
D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, float angle);
D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovy, float aspect, float zn,
                                       float zf);
D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up);

// Defined here, inline: the normals of every frame go through them tens of thousands of times.
inline D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
    const D3DXVECTOR3 result{a->y * b->z - a->z * b->y, a->z * b->x - a->x * b->z,
                             a->x * b->y - a->y * b->x};
    *out = result;
    return out;
}

// Unit length; a squared length within 1e-5 of 1 is left as it is, one of 1e-10 or less (or
// NaN) gives (0, 0, 0).
inline D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v) {
    constexpr float kUnitTolerance = 1e-5f, kZeroLengthSquared = 1e-10f;
    const float lengthSquared = v->x * v->x + v->y * v->y + v->z * v->z;
    const float offUnit = lengthSquared - 1.0f;
    if (offUnit >= -kUnitTolerance && offUnit <= kUnitTolerance) {
        *out = *v;
        return out;
    }
    // Not a number fails every comparison: it lands here as well.
    if (!(lengthSquared > kZeroLengthSquared)) {
        *out = D3DXVECTOR3{0.0f, 0.0f, 0.0f};
        return out;
    }
    const float k = 1.0f / std::sqrt(lengthSquared);
    const D3DXVECTOR3 result{v->x * k, v->y * k, v->z * k};
    *out = result;
    return out;
}
// (v, 1) x M, divided by w unless w is within 1e-5 of 1.
D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m);
