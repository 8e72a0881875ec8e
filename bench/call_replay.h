// Frames of the show recorded as the Direct3D 8 calls they made (platform/d3d8/call_record.h),
// made again through the device with no scene behind them: what the device and OpenGL cost for
// those frames, without the scenes' own work. Whatever the scenes wrote into locked buffers and
// textures is written again from the record; that copying is the caller's work, so it is timed
// apart and left out.
#pragma once

#include "platform/d3d8/call_record.h"
#include "platform/d3d8/d3d8.h"

#include <functional>
#include <vector>

struct CallRecording {
    // The device's state as the record began, as the calls that set it: a scene may leave a
    // state as it is when it knows the device holds it already.
    std::vector<D3DCall> state;
    // Each buffer and texture level the frames wrote into, as it was before their first write.
    std::vector<D3DCall> starting;
    std::vector<std::vector<D3DCall>> frames;
};

// Runs `drawFrame` with the device's calls recorded into a new frame of `recording`.
void RecordCallsOf(CallRecording& recording, const std::function<void()>& drawFrame);

// Puts the device's state, and every buffer and texture level the frames write into, back as
// the record found them, so that the frames can be made again from their first.
void RestoreStart(const CallRecording& recording);

// Makes the calls of one recorded frame again; gives the milliseconds spent copying recorded
// bytes into locked memory.
double ReplayCalls(IDirect3DDevice8& device, const std::vector<D3DCall>& calls);

// How many calls of each frame on average, and the recorded bytes written a frame.
double CallsPerFrame(const CallRecording& recording);
