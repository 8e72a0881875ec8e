// What the stand-ins share while the show runs, in one struct. The program that runs the show
// sets it between frames through host.h (the virtual clock, fast-forwarding); the stand-ins
// read it here:
//   - the Direct3D stand-in leaves out clears, draws and the presented picture of a
//     fast-forwarded frame (device.cpp, draw.cpp), and notes which texture level it holds
//     locked (texture.cpp);
//   - the AVIFile stand-in only notes a clip frame asked for while fast-forwarding, with the
//     locked level it is meant for, and decodes it when that level is next shown (avifile.cpp);
//   - the off-screen host's tick count and music position follow the virtual clock;
//   - the Direct3D stand-in draws its frames at the drawing size, where one is set.
// Nothing else reads it: a host's Present learns of a fast-forwarded frame from the device
// (framebuffer 0), and the scenes know nothing of any of it.
#pragma once

namespace host {

struct RunState {
    // Off screen: the virtual clock, in seconds.
    double virtualSeconds = 0;
    // Off screen: frames run as in a full play but are not drawn (host.h, SetFastForward).
    bool fastForward = false;
    // False once something fast-forwarded could not be shown exactly as a full play would.
    bool fastForwardExact = true;
    // The size the device draws its frames at: its back buffer's pixels scaled to it, the same
    // frame only finer; 0 x 0 for the back buffer's own size. Taken when the device makes its
    // target, and after each Present.
    int drawingWidth = 0;
    int drawingHeight = 0;
    // The texture level a stand-in holds locked for writing, as an identity only; null while
    // none is.
    const void* lockedSurface = nullptr;
};

// The one run's state.
RunState& Run();

} // namespace host
