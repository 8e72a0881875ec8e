// A scene's frames three ways, in the same process: through the show's code; as the Direct3D 8
// calls the scene made, recorded and made again through the device (call_replay.h: the device
// and OpenGL, no scene logic); and as the plain OpenGL program an expert would write for the same
// draws (replay.h), in an OpenGL context of its own, decoding the clips' frames itself
// (clip_decoder.h). Shared by the desktop benchmark (scene_bench.cpp) and the page's (web/).
//
// A scene is played up to its span as the show plays it (fast-forwarded), and then its frames,
// 60 a second, are drawn through the show's code, its clips advancing and decoding as on
// screen, each frame recorded both ways. Before timing, after it, and for every one of those
// frames, the plain program's picture and the recorded calls' must be the show's, and the show
// drawing the frames again must give the pictures it gave: a comparison where any fails stops
// with an error.
//
// Timing is by paired rounds: each round draws all the frames, frame by frame two sides in turn
// (which of the two goes first alternating): the show and the plain program, then the floor;
// then, from the record's first buffer and texture contents again, the recorded calls and the
// plain program. Every side presents its frame as the host does and is waited for once; its
// window holds its own work only (its clear for the next frame included) and ends when that is
// finished and the clip frame it decodes ahead is decoded. The harness's waits are not counted
// as GL calls, and the recorded calls' copying of what the scene wrote is not timed. Per frame,
// medians over the rounds, and where named a 95 % interval by bootstrap (`_low`, `_high`):
//   device_us               the device's own cost: the recorded calls' main-thread processor
//                           time less the plain program's beside them, in microseconds (on the
//                           wall clock in the browser, which has no clock of a thread's own)
//   logic_us                the scenes' own: the show's less the recorded calls'
//   ratio                   the show's wall time over the plain program's; calls_ratio the
//                           recorded calls' over the plain program's
//   show_ms, calls_ms, bare_ms  wall time of each side's frame
//   show_cpu_ms, calls_cpu_ms, bare_cpu_ms  processor time of the main thread (our code and the
//                           driver's front end; llvmpipe's rasteriser threads are not in it)
//   show_decode_ms, bare_decode_ms  processor time of the clip decoding ahead, on its thread
//   floor_ms                the same frames' fragments (depth-tested ones included) from the
//                           cheapest shader: no texture, one colour, no blending
//   d3d_calls               the Direct3D 8 calls a frame the scene makes
//   gl_calls, gl_calls_calls, gl_calls_bare, upload_bytes, upload_bytes_calls,
//   upload_bytes_bare       exact, through one counting layer over the GL entry points
//   screens                 the fragments drawn, in screens of 640 x 480 (desktop only)
//   load_start, load_end, loaded  the load average as the comparison began and ended, and 1
//                           where either was above the number of cores (-1: not known)
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
