#include "fx/compute_normals.h"
#include "fx/shared_buffers.h"
#include "gfx/d3dx_math.h"
#include "gfx/shared_device.h"

#include <algorithm>
#include <vector>

void ComputeNormals(int32_t vertexCount, int32_t triangleCount) {
    LockSharedVertices();
    LockSharedIndices();
    const int32_t vertices =
        std::clamp(vertexCount, 0, int32_t(kSharedVertexBufferBytes / sizeof(Vertex)));
    const int32_t triangles = std::clamp(triangleCount, 0, int32_t(kSharedIndexBufferBytes / 6));

    // One accumulator per vertex, kept between calls so the frame loop does not allocate.
    static std::vector<D3DXVECTOR3> sums;
    if (sums.size() < size_t(vertices)) sums.resize(size_t(vertices));
    std::fill_n(sums.begin(), vertices, D3DXVECTOR3{});

    for (int32_t t = 0; t < triangles; ++t) {
        const uint16_t* corner = SharedIndices + 3 * t;
        if (corner[0] >= vertices || corner[1] >= vertices || corner[2] >= vertices) continue;
        const Vertex &p0 = SharedVertices[corner[0]], &p1 = SharedVertices[corner[1]],
                     &p2 = SharedVertices[corner[2]];
        const D3DXVECTOR3 a{p0.x - p1.x, p0.y - p1.y, p0.z - p1.z};
        const D3DXVECTOR3 b{p1.x - p2.x, p1.y - p2.y, p1.z - p2.z};
        D3DXVECTOR3 n;
        D3DXVec3Cross(&n, &a, &b);
        D3DXVec3Normalize(&n, &n);
        for (int k = 0; k < 3; ++k) {
            D3DXVECTOR3& sum = sums[corner[k]];
            sum.x += n.x;
            sum.y += n.y;
            sum.z += n.z;
        }
    }
    for (int32_t v = 0; v < vertices; ++v) {
        D3DXVECTOR3 n;
        D3DXVec3Normalize(&n, &sums[size_t(v)]);
        SharedVertices[v].nx = n.x;
        SharedVertices[v].ny = n.y;
        SharedVertices[v].nz = n.z;
    }
    UnlockSharedIndices();
    UnlockSharedVertices();
}
