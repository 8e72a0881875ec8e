#include "scenes/music_time.h"

float musicTime = 0.0f;
