#include "gfx/d3dx_math.h"

#include <cmath>

namespace {

// The same 1e-5 as D3DXVec3Normalize's, for a w that is close enough to 1.
constexpr float kUnitTolerance = 1e-5f;

// Sine and cosine of one angle, each rounded once to single precision.
void SinCos(float angle, float& s, float& c) {
    s = float(std::sin(double(angle)));
    c = float(std::cos(double(angle)));
}

D3DXMATRIX Zero() {
    return D3DXMATRIX{};
}

// One element of M1 x M2, summed as (t1 + t3) + (t2 + t4).
float Element(const D3DXMATRIX& a, const D3DXMATRIX& b, int i, int j) {
    const float t1 = a(i, 0) * b(0, j);
    const float t2 = a(i, 1) * b(1, j);
    const float t3 = a(i, 2) * b(2, j);
    const float t4 = a(i, 3) * b(3, j);
    return (t1 + t3) + (t2 + t4);
}

} // namespace

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* m1, const D3DXMATRIX* m2) {
    if (out == m1 && out == m2) {
        // Squaring in place: the right operand is copied first.
        const D3DXMATRIX right = *m2;
        return D3DXMatrixMultiply(out, m1, &right);
    }
    if (out == m2) {
        // Column by column: column j of M2 is read in full before column j of out is written.
        for (int j = 0; j < 4; ++j) {
            float column[4];
            for (int i = 0; i < 4; ++i)
                column[i] = Element(*m1, *m2, i, j);
            for (int i = 0; i < 4; ++i)
                (*out)(i, j) = column[i];
        }
        return out;
    }
    // Row by row: row i of M1 is read in full before row i of out is written.
    for (int i = 0; i < 4; ++i) {
        float row[4];
        for (int j = 0; j < 4; ++j)
            row[j] = Element(*m1, *m2, i, j);
        for (int j = 0; j < 4; ++j)
            (*out)(i, j) = row[j];
    }
    return out;
}

D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, float angle) {
    float s, c;
    SinCos(angle, s, c);
    *out = Zero();
    out->_11 = 1.0f;
    out->_22 = c;
    out->_23 = s;
    out->_32 = -s;
    out->_33 = c;
    out->_44 = 1.0f;
    return out;
}

D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, float angle) {
    float s, c;
    SinCos(angle, s, c);
    *out = Zero();
    out->_11 = c;
    out->_13 = -s;
    out->_22 = 1.0f;
    out->_31 = s;
    out->_33 = c;
    out->_44 = 1.0f;
    return out;
}

D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, float angle) {
    float s, c;
    SinCos(angle, s, c);
    *out = Zero();
    out->_11 = c;
    out->_12 = s;
    out->_21 = -s;
    out->_22 = c;
    out->_33 = 1.0f;
    out->_44 = 1.0f;
    return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovy, float aspect, float zn,
                                       float zf) {
    const float half = fovy * 0.5f;
    float s, c;
    SinCos(half, s, c);
    const float yScale = c / s;
    const float xScale = yScale / aspect;
    const float q = zf / (zf - zn);
    *out = Zero();
    out->_11 = xScale;
    out->_22 = yScale;
    out->_33 = q;
    out->_34 = 1.0f;
    out->_43 = -q * zn;
    return out;
}

D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
    const float x = ((v->x * m->_11 + v->y * m->_21) + v->z * m->_31) + m->_41;
    const float y = ((v->x * m->_12 + v->y * m->_22) + v->z * m->_32) + m->_42;
    const float z = ((v->x * m->_13 + v->y * m->_23) + v->z * m->_33) + m->_43;
    const float w = ((v->x * m->_14 + v->y * m->_24) + v->z * m->_34) + m->_44;
    *out = D3DXVECTOR3{x, y, z};
    const float offUnit = w - 1.0f;
    if (offUnit >= -kUnitTolerance && offUnit <= kUnitTolerance) return out;
    const float r = 1.0f / w;
    out->x *= r;
    out->y *= r;
    out->z *= r;
    return out;
}

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up) {
    const D3DXVECTOR3 e = *eye;
    D3DXVECTOR3 zAxis{at->x - e.x, at->y - e.y, at->z - e.z};
    D3DXVec3Normalize(&zAxis, &zAxis);
    D3DXVECTOR3 xAxis;
    D3DXVec3Cross(&xAxis, up, &zAxis);
    D3DXVec3Normalize(&xAxis, &xAxis);
    D3DXVECTOR3 yAxis;
    D3DXVec3Cross(&yAxis, &zAxis, &xAxis);
    // Each dot product with the eye is summed as (y terms + x terms) + z terms.
    const auto dot = [&e](const D3DXVECTOR3& axis) {
        return (axis.y * e.y + axis.x * e.x) + axis.z * e.z;
    };
    *out = D3DXMATRIX{xAxis.x, yAxis.x, zAxis.x, 0.0f, xAxis.y,     yAxis.y,     zAxis.y,     0.0f,
                      xAxis.z, yAxis.z, zAxis.z, 0.0f, -dot(xAxis), -dot(yAxis), -dot(zAxis), 1.0f};
    return out;
}
