// The vector and matrix routines of D3DX: row vectors (v' = v x M), row-major matrices with the
// translation in the fourth row, left-handed coordinates. All arithmetic is single precision,
// summed in the orders given, and every routine accepts an output that aliases its inputs.
#pragma once

#include "platform/d3d8/d3d8_types.h"

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

D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b);
// Unit length; a squared length within 1e-5 of 1 is left as it is, one of 1e-10 or less (or
// NaN) gives (0, 0, 0).
D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v);
// (v, 1) x M, divided by w unless w is within 1e-5 of 1.
D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m);
