// Frames of the show recorded as the draws they issued, and drawn again by a plain OpenGL 3.3
// program written as an expert would write it for a stream of such draws: the same geometry,
// textures, matrices, lights and blend states through shaders that do only what the draws need.
// It keeps its state from frame to frame and sends only what changed, finding out at run time as
// any program must: each draw's vertices and indices are looked for among the few it sent last
// (each vertex buffer with its own vertex array), a uniform is sent only when its value differs
// from the one its program holds, a picture only when its texels differ from those sent, and a
// clip's canvas only where its frame changed (the frames decoded by the program itself, from
// the same files, only the clip's rectangle sent up, where the program put it). No depth test
// until something has written depth (before that it cannot fail), into a target without alpha as
// the show needs none. It draws in an OpenGL context of its own, so that its state and the
// show's never meet. A benchmark times the two in the same process after checking that they draw
// the same pictures.
#pragma once

#include "bench/side_context.h"
#include "platform/d3d8/d3d8_types.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class ClipDecoder;

struct ReplayTexture {
    const void* source = nullptr; // the recorded texture, to tell one from another
    int width = 0;
    int height = 0;
    unsigned name = 0;
    // The clip frame the plain program's texture holds, -1 for none; without one, the texels
    // it holds.
    int64_t clipFrame = -1;
    std::vector<uint32_t> held;
};

// A clip frame that the show copied into a texture, and where in the texture it lies: the plain
// program decodes it from the clip itself and sends up only that rectangle.
struct ReplayClipFrame {
    std::string path; // as the scene named it
    int64_t position = -1;
    int clip = -1; // into the plain program's decoders, once it has found the frame
    int x = 0, y = 0, columns = 0, rows = 0;
};

struct ReplayDraw {
    std::vector<uint8_t> vertices; // 36-byte records
    std::vector<uint16_t> indices;
    int texture = -1;   // into Replay::textures
    float toClip[16];   // world x view x projection, shifted and turned upside down
    float toCamera[16]; // world x view
    float normalToCamera[9];
    bool lit = false, highlight = false, environmentMap = false;
    float base[3] = {0, 0, 0}; // emissive + ambient terms
    float towardLight[3] = {0, 0, 0};
    float lightColour[3] = {0, 0, 0};
    float highlightColour[3] = {0, 0, 0};
    float power = 0;
    bool blend = false;
    unsigned source = 0, destination = 0; // GL blend factors
    bool depthWrite = true;
    bool cull = true;
};

// A texture's level 0 as a frame brought it (0xAARRGGBB, top row first).
struct ReplayUpload {
    int texture = -1;
    std::vector<uint32_t> texels;
    ReplayClipFrame clipFrame; // position -1 when the picture is not a clip frame
};

struct ReplayFrame {
    std::vector<ReplayUpload> uploads;
    std::vector<ReplayDraw> draws;
};

struct Replay {
    std::vector<ReplayTexture> textures;
    std::vector<ReplayFrame> frames;
    // The clip frame handed out last while recording, not yet seen uploaded.
    ReplayClipFrame delivered;
    // Why a frame cannot be drawn again by the plain program, or empty.
    std::string unsupported;
};

// Runs `drawFrame` with the device's draws recorded into a new frame of `replay`.
void RecordFrame(Replay& replay, const std::function<void()>& drawFrame);

// The plain program: its own OpenGL context (on the current one's display and configuration),
// target, buffers, textures and shaders. Each call makes its context current and gives the
// caller's back before it returns.
class BareRenderer {
public:
    explicit BareRenderer(Replay& replay);
    ~BareRenderer();
    BareRenderer(const BareRenderer&) = delete;
    BareRenderer& operator=(const BareRenderer&) = delete;

    bool Ready() const { return ready; }
    // Draws frame `index`, cleared first unless the frame before cleared the target at its end
    // (`clearAfter`), as each frame of the show does for the next, and presents it as the show's
    // host presents (waited for off screen, copied into its canvas in the page); Finish waits for
    // it.
    void DrawFrame(size_t index, bool clearAfter = false);
    // The floor of frame `index`: the same geometry through the cheapest shader (no texture, one
    // colour, no blending), with its depth tests and writes, so the same fragments are made;
    // cleared after.
    void DrawFloor(size_t index);
    // Waits for everything issued in the plain program's context.
    void Finish();
    // Waits until every clip's frame being decoded ahead is decoded.
    void FinishDecoding();
    // The last frame drawn, as 0x00RRGGBB words, top row first.
    std::vector<uint32_t> ReadBack();
    // The fragments frame `index` writes, counted by an occlusion query (not while timing; 0 on
    // ES, which counts no samples).
    uint64_t Fragments(size_t index);

private:
    struct Program {
        unsigned name = 0;
        int toClip = -1, toCamera = -1, normalToCamera = -1, base = -1, towardLight = -1,
            lightColour = -1, highlightColour = -1, power = -1;
        // The values its uniforms hold (NaN before any is sent), so that only a change is sent.
        float held[16 + 16 + 9 + 3 + 3 + 3 + 3 + 1];
    };
    // Vertices or indices sent up, in a buffer of their own; vertices with a vertex array
    // pointing at them, and the index buffer that array has bound.
    struct Sent {
        unsigned buffer = 0, vertexArray = 0, indices = 0;
        std::vector<uint8_t> bytes;
        uint64_t lastUse = 0;
    };
    const Program* ProgramFor(const ReplayDraw& draw);
    enum class Pass { Picture, Counted, Floor };
    void Draw(size_t index, Pass pass, bool clearAfter);
    void Clear();
    // Binds the vertex array of a buffer holding the draw's vertices, and an index buffer
    // holding its indices, sending them up where none does.
    void BindGeometry(const ReplayDraw& draw);
    // Finds each recorded clip frame in its upload; false (with `replay.unsupported` said) if
    // one is not there.
    bool PlaceClipFrames();
    void Upload(const ReplayUpload& upload);
    // Sets a state only where it differs from what the context holds.
    void Enable(unsigned capability, bool on, bool& held);
    void DepthMask(bool on);

    Replay& replay;
    SideContext context;
    bool ready = false;
    unsigned framebuffer = 0, colour = 0, depth = 0;
    static constexpr int kSentKept = 8;
    Sent vertices[kSentKept], indices[kSentKept];
    uint64_t uses = 0;
    int vertexArrayBound = -1;
    [[maybe_unused]] unsigned query = 0; // the fragments counted (not on ES)
    uint64_t counted = 0;
    // The target is cleared, ready for the next frame.
    bool cleared = false;
    // The state the context holds.
    bool blend = false, cull = false, depthTest = false, depthWrite = true;
    unsigned source = 1, destination = 0, program = 0, texture = 0; // GL_ONE, GL_ZERO
    Program programs[8];
    Program floor;
    std::vector<std::string> clipPaths;
    std::vector<std::unique_ptr<ClipDecoder>> clips;
};

// How two frames of 640 x 480 differ: pixels lit in one and black in the other, and pixels whose
// channels differ by more than `tolerance`.
struct FrameDifference {
    int coverage = 0;
    int colour = 0;
    int largest = 0;
    // The same picture: no more than 0.05 % of the pixels differ in coverage or colour.
    bool Same() const { return coverage <= 153 && colour <= 153; }
};
FrameDifference CompareFrames(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b,
                              int tolerance = 3);
