// A scene's frames through the show's code against the plain OpenGL program an expert would
// write for the same draws (replay.h), in the same process, each in an OpenGL context of its
// own; the plain program decodes the clips' frames itself (clip_decoder.h), so that both sides
// pay for decoding. Shared by the desktop benchmark (scene_bench.cpp) and the page's (web/).
//
// A scene is played up to its span as the show plays it (fast-forwarded), and then its frames,
// 60 a second, are drawn through the show's code, its clips advancing and decoding as on
// screen, each frame recorded for the plain program. Before timing, after it, and for every one
// of those frames, the plain program's picture must be the show's, and the show drawing the
// frames again must give the pictures it gave: a comparison where either fails stops with an
// error.
//
// Timing is by paired rounds: each round draws all the frames, frame by frame the sides in turn
// (which of the two goes first alternating, the floor last). A side's window holds its own work
// only: it ends when everything it issued for the frame is finished (its clear for the next
// frame included, then waited for) and the clip frame it decodes ahead is decoded. Per frame,
// medians over the rounds:
//   show_ms, bare_ms        wall time of the show's frame and the plain program's
//   show_cpu_ms, bare_cpu_ms  processor time of the main thread (our code and the driver's
//                           front end; llvmpipe's rasteriser threads are not in it; not in the
//                           browser, which has no such clock)
//   show_decode_ms, bare_decode_ms  processor time of the clip decoding ahead, on its thread
//   floor_ms                the same frames' fragments (depth-tested ones included) from the
//                           cheapest shader: no texture, one colour, no blending
//   show_minus_bare_ms      what the show's frame costs beyond the plain program's
//   ratio, cpu_ratio, decode_ratio  the show's over the plain program's, medians of each round's
//                           ratio, with ratio_iqr and cpu_ratio_iqr the spread between quartiles
//   gl_calls, gl_calls_bare, upload_bytes, upload_bytes_bare  exact, through one counting layer
//                           over the GL entry points (gl_calls.h)
//   cpu_ms                  the show's frame with nothing drawn and no clip decoded
//   screens                 the fragments drawn, in screens of 640 x 480 (desktop only)
#pragma once

#include "bench/scene_run.h"
#include "gfx/renderer.h"

#include <string>
#include <utility>
#include <vector>

struct Comparison {
    // Why the two could not be compared (a picture that differs, a draw the plain program
    // cannot make), or empty.
    std::string error;
    // The figures above, by name.
    std::vector<std::pair<std::string, double>> counters;
};

// Records the frames at `times`, checks that both draw them alike, times `rounds` paired rounds,
// and checks again.
Comparison CompareWithPlainProgram(Renderer& renderer, const SceneFrame& frame,
                                   const std::vector<double>& times, int rounds);

// The scenes compared, each over a span of its own music from `from`.
struct SceneSpan {
    const char* name;
    double from;
};
extern const SceneSpan kSceneSpans[];
extern const size_t kSceneSpanCount;

// Scene `index` of kSceneSpans, played up to its span from its start on the show's schedule
// and compared over `frames` frames at 60 a second, in `rounds` rounds. Run from the folder
// that holds the data.
Comparison CompareScene(size_t index, Renderer& renderer, int frames, int rounds);
