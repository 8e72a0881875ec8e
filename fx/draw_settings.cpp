#include "fx/draw_settings.h"

DrawSettings drawSettings = {false, true, Material{}, false, {}, false, 0, 0, false, false};

void Material::SetDefaults() {
    Diffuse.r = Diffuse.g = Diffuse.b = 0.75f;
    Ambient.r = Ambient.g = Ambient.b = 0.5f;
    Specular.r = Specular.g = Specular.b = 0.0f;
    Emissive.r = Emissive.g = Emissive.b = 0.0f;
    Power = 0.0f;
}

void Material::SetDiffuse(float r, float g, float b, float a) {
    Diffuse = {r, g, b, a};
}

void Material::SetSpecular(float r, float g, float b, float a) {
    Specular = {r, g, b, a};
}

void Material::SetPower(float power) {
    Power = power;
}

void Light::SetDefaults() {
    Type = D3DLIGHT_DIRECTIONAL;
    Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    Specular = {0.0f, 0.0f, 0.0f, 0.0f};
    Ambient = {0.0f, 0.0f, 0.0f, 0.0f};
    Position = {0.0f, 0.0f, 0.0f};
    Direction = {0.0f, 0.0f, 1.0f};
    Range = Falloff = Attenuation0 = Attenuation1 = Attenuation2 = Theta = Phi = 0.0f;
}

void Light::SetSpecular(float r, float g, float b, float a) {
    Specular = {r, g, b, a};
}

void ResetDrawSettings() {
    drawSettings.environmentMap = false;
    drawSettings.cullBackFaces = true;
    drawSettings.lighting = false;
    drawSettings.ambient = 0;
    drawSettings.lightCount = 0;
    drawSettings.flatShading = false;
    drawSettings.blend = false;
}
