#include "scenes/photo_scene.h"

PhotoScene::PhotoScene() : initialised(false) {}

PhotoScene::~PhotoScene() = default;

int32_t PhotoScene::Init() {
    initialised = true;
    return 0;
}

int32_t PhotoScene::Render(int32_t /*milliseconds*/) {
    return 0;
}
