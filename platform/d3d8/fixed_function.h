// One shader pair standing in for Direct3D 8's fixed-function pipeline for the vertex format
// position, normal, diffuse, one texture coordinate set (0x152), driven by the device's render,
// texture-stage and transform state.
//
// Emulated: row-vector transforms; per-vertex lighting in camera space with up to eight
// directional lights (diffuse, ambient, emissive and specular, local or distant viewer, the
// material sources); flat and Gouraud shading; stage 0 colour and alpha operations with their
// arguments; specular added after texturing; camera-space texture-coordinate generation through
// the texture transform; alpha test; every blend factor and operation; depth test and writes;
// culling; fill mode; the integer pixel-centre rule. A stage whose operation reads a texture it
// does not have passes its colour (or alpha) on unchanged, as Windows drivers do.
// Left out: point and spot lights (they light nothing), fog, projected texture coordinates,
// stages beyond 0, vertex blending, clip planes, stencil.
#pragma once

#include "platform/d3d8/d3d8_types.h"
#include "platform/d3d8/gl.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

constexpr int kMaxLights = 8;

// Where stage 0's texture coordinates come from (D3DTSS_TEXCOORDINDEX's upper half). The shaders
// see the same numbers under the names the prelude defines (TEXCOORD_CAMERA_NORMAL and so on).
enum class TexCoordSource : int {
    Vertex = 0,
    CameraSpaceNormal = 1,
    CameraSpacePosition = 2,
    CameraSpaceReflection = 3,
};

// Everything one draw reads from the device.
struct DrawState {
    const DWORD* renderStates; // D3DRS_TABLE_SIZE entries
    const DWORD* stageStates;  // stage 0, D3DTSS_TABLE_SIZE entries
    const D3DMATRIX* world;
    const D3DMATRIX* view;
    const D3DMATRIX* projection;
    const D3DMATRIX* texture0;
    const D3DMATERIAL8* material;
    const D3DLIGHT8* lights; // kMaxLights
    const bool* lightEnabled;
    bool textured;
    // Nothing has written depth since the depth buffer was cleared to the far plane.
    bool depthAllFar;
    int targetWidth;
    int targetHeight;
};

// The state choices that shape the shaders' code. They go in as #defines and constants, so
// each combination gets a pair compiled without the branches, varyings and lights it does not
// use; llvmpipe runs a branching pair about three times slower per pixel.
struct ShaderVariant {
    bool lighting, localViewer, normalizeNormals;
    bool diffuseFromVertex, ambientFromVertex, emissiveFromVertex;
    TexCoordSource texCoordSource;
    bool textureTransform;
    bool flatShading, textured;
    int colorOp, colorArg1, colorArg2, alphaOp, alphaArg1, alphaArg2;
    // Specular added after texturing, with a highlight that can be seen: off when the state
    // turns it off or when the material or every light has no specular colour.
    bool specular;
    bool alphaTest;
    int alphaFunc;
    int lightCount;

    // The variant for what a draw reads.
    static ShaderVariant Of(const DrawState& state);

    uint64_t Key() const;
    // The text both shaders begin with: version, precision, defines and constants, for OpenGL
    // 3.3 core or, with `es`, OpenGL ES 3.0 (the browser's WebGL 2, which the build chooses).
    std::string Prelude(bool es = SHOW_GLES) const;

    // The lit colour has a specular part: lighting with a light to give it.
    bool HasSpecular() const { return specular && lighting && lightCount > 0; }
    bool NeedsNormal() const;
    bool NeedsCameraPosition() const;
    // The toolkit's stage 0: the texture's colour times the diffuse, its alpha as it is.
    bool SimpleModulate() const;
};

// Compiles and links the pair for `variant` in the current context; 0 (with the driver's log on
// standard error) when it refuses them. `es` as for Prelude.
unsigned BuildFixedFunctionProgram(const ShaderVariant& variant, bool es = SHOW_GLES);

class FixedFunction {
public:
    // Builds the common variants in the current context; false (with the log on stderr) when
    // the driver refuses them.
    bool Create();
    // In the context it was created in.
    void Destroy();
    // Makes the pair for this draw's state current (building it the first time such a state
    // is drawn) and sets its uniforms and the raster state, each only where it differs from
    // what OpenGL holds; false if it cannot be built.
    bool Use(const DrawState& state);
    // For a clear, which writes whatever the draws mask off: every colour channel and depth
    // written, given to OpenGL where they were not.
    void OpenWriteMasks();
    // Someone else opened the colour mask (the host, presenting a frame).
    void ColourMaskOpened();
    // The tests' build: the raster state this holds as given to OpenGL, against what OpenGL
    // reports (held_state_check.cpp); empty when they agree, else what differs.
    std::string HeldStateDiffers() const;

private:
    static constexpr int kUniforms = 17;
    struct Program {
        unsigned name = 0;
        int locations[kUniforms] = {};
        // What each uniform holds, as bits (a program keeps its uniforms while others are
        // used): a value equal to it is not sent again.
        std::vector<uint32_t> held[kUniforms];
    };
    // Whether `program`'s uniform `which` differs from `count` floats at `values`; when it
    // does, it is noted as holding them (the caller sends them).
    static bool Differs(Program& program, int which, const float* values, size_t count);
    // What was last given to OpenGL, so that unchanged state is not given again.
    struct GlState {
        bool known = false;
        unsigned program = 0;
        int magnify = -1, minify = -1, wrapS = -1, wrapT = -1;
        unsigned long border = 0;
        bool depthTest = false, depthWrite = false, blend = false;
        unsigned depthFunction = 0;
        // The blend factors and operation OpenGL holds; kUnsent until first sent.
        static constexpr unsigned kUnsent = ~0u;
        unsigned source = kUnsent, destination = kUnsent, equation = kUnsent;
        unsigned cull = 0, fill = 0, colourMask = 0;
        // The face OpenGL culls: kept while culling is off, so turning it on again sends no face
        // that OpenGL already holds.
        unsigned cullFace = 0;
    };
    Program* Build(const ShaderVariant& variant);

    // Use, by concern: the matrices; the lights and material; stage 0's constants; the
    // sampler; blending, depth, culling and the rest of the raster state.
    void SetTransforms(Program& program, const ShaderVariant& variant, const DrawState& s);
    void SetLighting(Program& program, const ShaderVariant& variant, const DrawState& s);
    void SetStageConstants(Program& program, const ShaderVariant& variant, const DrawState& s);
    void SetSampler(const DrawState& s);
    void SetRasterState(const DrawState& s);

    std::unordered_map<uint64_t, Program> programs;
    unsigned sampler = 0;
    GlState current;
};
