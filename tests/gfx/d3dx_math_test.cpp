#include "gfx/d3dx_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

D3DXMATRIX Numbered() {
    D3DXMATRIX m;
    for (int i = 0; i < 16; ++i)
        (&m._11)[i] = float(i % 5) - 1.5f + float(i) * 0.25f;
    return m;
}

void ExpectSame(const D3DXMATRIX& a, const D3DXMATRIX& b) {
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ((&a._11)[i], (&b._11)[i]) << "element " << i;
}

TEST(D3DXVec3Normalize, NearUnitVectorsAreLeftAsTheyAre) {
    D3DXVECTOR3 v{1.0f, 0.000004f, 0.0f};
    D3DXVECTOR3 out;
    D3DXVec3Normalize(&out, &v);
    EXPECT_EQ(out.x, 1.0f);
    EXPECT_EQ(out.y, 0.000004f);
    // Squared length 1 + 2e-5 is outside the tolerance: rescaled.
    D3DXVECTOR3 longer{1.00001f, 0.0f, 0.0f};
    D3DXVec3Normalize(&out, &longer);
    EXPECT_FLOAT_EQ(out.x, 1.0f);
    EXPECT_NE(out.x, 1.00001f);
}

TEST(D3DXVec3Normalize, TinyZeroAndNaNVectorsBecomeZero) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (D3DXVECTOR3 v : {D3DXVECTOR3{0, 0, 0}, D3DXVECTOR3{1e-5f, 0, 0}, D3DXVECTOR3{nan, 1, 0}}) {
        D3DXVec3Normalize(&v, &v);
        EXPECT_EQ(v.x, 0.0f);
        EXPECT_EQ(v.y, 0.0f);
        EXPECT_EQ(v.z, 0.0f);
    }
    // Just above the bound still normalises.
    D3DXVECTOR3 small{2e-5f, 0, 0};
    D3DXVec3Normalize(&small, &small);
    EXPECT_FLOAT_EQ(small.x, 1.0f);
}

TEST(D3DXVec3TransformCoord, DividesOnlyWhenWIsOffOne) {
    D3DXMATRIX translate{};
    translate._11 = translate._22 = translate._33 = translate._44 = 1.0f;
    translate._41 = 2.0f;
    translate._44 = 1.000009f; // within 1e-5 of 1: no division
    D3DXVECTOR3 v{1, 2, 3};
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &v, &translate);
    EXPECT_EQ(out.x, 3.0f);
    EXPECT_EQ(out.z, 3.0f);

    translate._44 = 2.0f;
    D3DXVec3TransformCoord(&v, &v, &translate);
    EXPECT_EQ(v.x, 1.5f);
    EXPECT_EQ(v.y, 1.0f);
    EXPECT_EQ(v.z, 1.5f);
}

TEST(D3DXMatrixMultiply, EveryAliasingGivesTheSameProduct) {
    const D3DXMATRIX a = Numbered();
    D3DXMATRIX b = Numbered();
    for (int i = 0; i < 16; ++i)
        (&b._11)[i] *= -0.5f + float(i % 3);
    D3DXMATRIX expected;
    D3DXMatrixMultiply(&expected, &a, &b);
    // Element (0, 0) summed as (t1 + t3) + (t2 + t4).
    const float t1 = a._11 * b._11, t2 = a._12 * b._21, t3 = a._13 * b._31, t4 = a._14 * b._41;
    EXPECT_EQ(expected._11, (t1 + t3) + (t2 + t4));

    D3DXMATRIX left = a;
    D3DXMatrixMultiply(&left, &left, &b);
    ExpectSame(left, expected);
    D3DXMATRIX right = b;
    D3DXMatrixMultiply(&right, &a, &right);
    ExpectSame(right, expected);

    D3DXMATRIX square;
    D3DXMatrixMultiply(&square, &a, &a);
    D3DXMATRIX inPlace = a;
    D3DXMatrixMultiply(&inPlace, &inPlace, &inPlace);
    ExpectSame(inPlace, square);
}

TEST(D3DXMatrixLookAtLH, DegenerateUpOrEyeGivesZeroSideAxes) {
    const D3DXVECTOR3 eye{0, 0, -5}, at{0, 0, 0}, along{0, 0, 1};
    D3DXMATRIX view;
    D3DXMatrixLookAtLH(&view, &eye, &at, &along);
    for (float element : {view._11, view._21, view._31, view._12, view._22, view._32})
        EXPECT_EQ(element, 0.0f);
    EXPECT_EQ(view._33, 1.0f);
    EXPECT_EQ(view._43, 5.0f);

    const D3DXVECTOR3 up{0, 1, 0};
    D3DXMatrixLookAtLH(&view, &at, &at, &up);
    for (float element : {view._11, view._21, view._31, view._12, view._22, view._32, view._13})
        EXPECT_EQ(element, 0.0f);
}

TEST(D3DXMatrixLookAtLH, LooksDownPositiveZFromBehind) {
    const D3DXVECTOR3 eye{0, 0, -1.42f}, at{0, 0, 0}, up{0, 1, 0};
    D3DXMATRIX view;
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    const D3DXVECTOR3 origin{0, 0, 0};
    D3DXVECTOR3 seen;
    D3DXVec3TransformCoord(&seen, &origin, &view);
    EXPECT_FLOAT_EQ(seen.z, 1.42f);
    EXPECT_EQ(view._11, 1.0f);
    EXPECT_EQ(view._22, 1.0f);
}

TEST(D3DXMatrixRotation, YByPlusNinetyDegreesTurnsXOntoMinusZ) {
    D3DXMATRIX rotation;
    D3DXMatrixRotationY(&rotation, 1.5707964f);
    const D3DXVECTOR3 x{1, 0, 0};
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &x, &rotation);
    EXPECT_NEAR(out.x, 0.0f, 1e-7);
    EXPECT_EQ(out.z, -1.0f);
    // Sine and cosine are each rounded once to single precision.
    D3DXMatrixRotationX(&rotation, 0.5f);
    EXPECT_EQ(rotation._22, float(std::cos(0.5)));
    EXPECT_EQ(rotation._23, float(std::sin(0.5)));
    EXPECT_EQ(rotation._32, -float(std::sin(0.5)));
    D3DXMatrixRotationZ(&rotation, 0.5f);
    EXPECT_EQ(rotation._12, float(std::sin(0.5)));
    EXPECT_EQ(rotation._21, -float(std::sin(0.5)));
}

TEST(D3DXMatrixPerspectiveFovLH, ElementsFromHalfTheFieldOfView) {
    D3DXMATRIX p;
    D3DXMatrixPerspectiveFovLH(&p, 0.7853982f, 1.0f, 1.0f, 100.0f);
    const float h = 0.7853982f * 0.5f;
    EXPECT_EQ(p._22, float(std::cos(double(h))) / float(std::sin(double(h))));
    EXPECT_EQ(p._11, p._22);
    EXPECT_EQ(p._33, 100.0f / 99.0f);
    EXPECT_EQ(p._34, 1.0f);
    EXPECT_EQ(p._43, -(100.0f / 99.0f));
    EXPECT_EQ(p._44, 0.0f);
    // A point on the near plane lands at depth 0, one on the far plane at 1.
    const D3DXVECTOR3 nearPoint{0, 0, 1}, farPoint{0, 0, 100};
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &nearPoint, &p);
    EXPECT_NEAR(out.z, 0.0f, 1e-6);
    D3DXVec3TransformCoord(&out, &farPoint, &p);
    EXPECT_NEAR(out.z, 1.0f, 1e-6);
}

TEST(D3DXVec3Cross, RightHandedComponentsAndAliasing) {
    D3DXVECTOR3 a{1, 0, 0}, b{0, 1, 0};
    D3DXVec3Cross(&a, &a, &b);
    EXPECT_EQ(a.x, 0.0f);
    EXPECT_EQ(a.y, 0.0f);
    EXPECT_EQ(a.z, 1.0f);
}

} // namespace
