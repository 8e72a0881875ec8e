// The mesh file reader on arbitrary bytes: every file either loads into a mesh whose indices
// all name a vertex, or is refused, without touching memory it does not own.
#include "assets/mesh.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/mesh-fuzz-" + std::to_string(::getpid()) + ".msh";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    Mesh mesh;
    if (mesh.Load(path.c_str(), 0.025f) == 0) {
        for (int32_t i = 0; i < 3 * mesh.triangleCount; ++i)
            if (mesh.indices[i] >= mesh.vertexCount) std::abort();
        if (mesh.vertexCount > 0) {
            volatile float last = mesh.positions[3 * mesh.vertexCount - 1];
            (void)last;
        }
        mesh.Release();
    }
    return 0;
}
