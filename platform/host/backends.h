// The two backends, for host.cpp to choose between and configure.
#pragma once

#include "platform/host/backend.h"
#include "platform/host/host.h"

namespace host {

Backend& OnScreenBackend();

Backend& OffScreenBackend();
void SetOffScreenFrameCallback(FrameCallback onPresent);

} // namespace host
