// A frame of the show recorded as the draws it issued, and drawn again by a plain OpenGL 3.3
// program written for speed: the same geometry, textures, matrices, lights and blend states,
// through shaders of its own that do only what those draws need. A benchmark times the two in
// the same process on the same context after checking that they draw the same picture.
#pragma once

#include "platform/d3d8/d3d8_types.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct ReplayTexture {
    const void* source = nullptr; // the recorded texture, to tell one from another
    int width = 0;
    int height = 0;
    std::vector<uint32_t> texels; // 0xAARRGGBB, top row first
    bool changesEveryFrame = false;
    unsigned name = 0;
};

struct ReplayDraw {
    std::vector<uint8_t> vertices; // 36-byte records
    std::vector<uint16_t> indices;
    bool sameGeometryAsBefore = false; // the draw before it used the same bytes
    int texture = -1;                  // into ReplayFrame::textures
    float toClip[16];                  // world x view x projection, shifted and turned upside down
    float toCamera[16];                // world x view
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

struct ReplayFrame {
    std::vector<ReplayDraw> draws;
    std::vector<ReplayTexture> textures;
    // Why the frame cannot be drawn again by the plain program, or empty.
    std::string unsupported;
    // False when the geometry is written once and drawn unchanged frame after frame.
    bool geometryChangesEveryFrame = true;
};

// Runs `drawFrame` with the device's draws recorded into a frame.
ReplayFrame RecordFrame(const std::function<void()>& drawFrame);

// The plain program: its own target, buffers, textures and shaders, on the current context.
class BareRenderer {
public:
    explicit BareRenderer(ReplayFrame& frame);
    ~BareRenderer();
    BareRenderer(const BareRenderer&) = delete;
    BareRenderer& operator=(const BareRenderer&) = delete;

    bool Ready() const { return ready; }
    // Clears, draws the frame, and waits for it: what a frame of the show does.
    void DrawFrame();
    // The last frame drawn, as 0x00RRGGBB words, top row first.
    std::vector<uint32_t> ReadBack();

private:
    struct Program {
        unsigned name = 0;
        int toClip = -1, toCamera = -1, normalToCamera = -1, base = -1, towardLight = -1,
            lightColour = -1, highlightColour = -1, power = -1;
    };
    const Program* ProgramFor(const ReplayDraw& draw);

    ReplayFrame& frame;
    bool ready = false;
    unsigned framebuffer = 0, colour = 0, depth = 0;
    unsigned vertexArray = 0, vertexBuffer = 0, indexBuffer = 0;
    Program programs[8];
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
