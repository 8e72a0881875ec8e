#include "scenes/bars_scene.h"

BarsScene::BarsScene() : initialised(false) {}

BarsScene::~BarsScene() = default;

int32_t BarsScene::Init() {
    initialised = true;
    return 0;
}

int32_t BarsScene::Render(int32_t /*milliseconds*/) {
    return 0;
}
