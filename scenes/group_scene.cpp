#include "scenes/group_scene.h"

GroupScene::GroupScene() : initialised(false) {}

GroupScene::~GroupScene() = default;

int32_t GroupScene::Init() {
    initialised = true;
    return 0;
}

int32_t GroupScene::Render(int32_t /*milliseconds*/) {
    return 0;
}
