// The two backends, for host.cpp to choose between and configure.
#pragma once

#include "platform/host/backend.h"
#include "platform/host/host.h"

namespace host {

Backend& OnScreenBackend();

Backend& OffScreenBackend();
void SetOffScreenFrameCallback(FrameCallback onPresent);
// The next input the off-screen backend gathers is a close, as from the window's close button.
void RequestOffScreenClose();

} // namespace host
