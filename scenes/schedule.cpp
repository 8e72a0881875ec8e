#include "scenes/schedule.h"

size_t SceneAt(const Schedule& schedule, float musicTime) {
    size_t chosen = 0;
    for (size_t i = 1; i < schedule.count && musicTime >= schedule.scenes[i].start; ++i)
        chosen = i;
    return chosen;
}
