// The fixed-function pipeline's GLSL, from shaders/fixed_function.vert and .frag, embedded at
// build time. Each lacks its first lines: the variant's prelude (version, defines, constants).
#pragma once

extern const char kFixedFunctionVertexShader[];
extern const char kFixedFunctionFragmentShader[];
