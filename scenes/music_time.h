// Seconds of music played, written by the driver once per frame before the scene is drawn.
#pragma once

extern float musicTime;
