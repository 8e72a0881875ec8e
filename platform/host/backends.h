// The two backends, for host.cpp to choose between.
#pragma once

#include "platform/host/backend.h"
#include "platform/host/host.h"

namespace host {

Backend& OnScreenBackend();
Backend& OffScreenBackend(FrameCallback onPresent);

} // namespace host
