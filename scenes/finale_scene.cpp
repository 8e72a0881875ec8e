#include "scenes/finale_scene.h"

FinaleScene::FinaleScene() : initialised(false) {}

FinaleScene::~FinaleScene() = default;

int32_t FinaleScene::Init() {
    initialised = true;
    return 0;
}

int32_t FinaleScene::Render(int32_t /*milliseconds*/) {
    return 0;
}
