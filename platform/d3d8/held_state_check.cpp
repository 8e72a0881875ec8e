// The tests' check that what the device and its pipeline hold as OpenGL's state (so as to send
// only what changed) is what OpenGL holds: queried back with glGet after every Present. Not in
// the show's build, where a query would stall the pipeline.
#include "platform/d3d8/d3d8.h"
#include "platform/d3d8/fixed_function.h"

#include "platform/d3d8/gl.h"

#include <string>

#if SHOW_TEST_CONTROLS && !SHOW_GLES

namespace {

// Notes in `differs` a value held that OpenGL does not report.
void Check(std::string& differs, const char* what, long held, long reported) {
    if (held != reported)
        differs += std::string(what) + " held as " + std::to_string(held) + ", OpenGL has " +
                   std::to_string(reported) + "; ";
}

long Integer(GLenum name) {
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

} // namespace

std::string FixedFunction::HeldStateDiffers() const {
    std::string differs;
    if (!current.known) return differs;
    Check(differs, "program", long(current.program), Integer(GL_CURRENT_PROGRAM));
    Check(differs, "depth test", current.depthTest, glIsEnabled(GL_DEPTH_TEST));
    Check(differs, "depth function", long(current.depthFunction), Integer(GL_DEPTH_FUNC));
    GLboolean masks[4] = {};
    glGetBooleanv(GL_DEPTH_WRITEMASK, masks);
    Check(differs, "depth writes", current.depthWrite, masks[0]);
    Check(differs, "blending", current.blend, glIsEnabled(GL_BLEND));
    if (current.source != GlState::kUnsent) {
        Check(differs, "blend source", long(current.source), Integer(GL_BLEND_SRC_RGB));
        Check(differs, "blend destination", long(current.destination), Integer(GL_BLEND_DST_RGB));
    }
    if (current.equation != GlState::kUnsent)
        Check(differs, "blend equation", long(current.equation), Integer(GL_BLEND_EQUATION_RGB));
    Check(differs, "culling", current.cull != 0, glIsEnabled(GL_CULL_FACE));
    if (current.cull) Check(differs, "culled face", long(current.cull), Integer(GL_CULL_FACE_MODE));
    glGetBooleanv(GL_COLOR_WRITEMASK, masks);
    Check(differs, "colour mask", long(current.colourMask),
          (masks[0] ? 1 : 0) | (masks[1] ? 2 : 0) | (masks[2] ? 4 : 0));
    Check(differs, "alpha mask", current.colourMask == 7, masks[3]);
    Check(differs, "sampler", long(sampler), Integer(GL_SAMPLER_BINDING));
    return differs;
}

std::string IDirect3DDevice8::HeldStateDiffers() const {
    std::string differs = pipeline.HeldStateDiffers();
    const auto name = [&](const char* what, unsigned held, GLenum binding) {
        if (held != kUnknown) Check(differs, what, long(held), Integer(binding));
    };
    name("array buffer", held.arrayBuffer, GL_ARRAY_BUFFER_BINDING);
    name("element buffer", held.elementBuffer, GL_ELEMENT_ARRAY_BUFFER_BINDING);
    name("texture", held.texture, GL_TEXTURE_BINDING_2D);
    Check(differs, "vertex array", long(vertexArrays[boundArray].name),
          Integer(GL_VERTEX_ARRAY_BINDING));
    Check(differs, "scissor test", held.scissor, glIsEnabled(GL_SCISSOR_TEST));
    if (held.unpackRowLength >= 0) {
        Check(differs, "unpack row length", held.unpackRowLength, Integer(GL_UNPACK_ROW_LENGTH));
        Check(differs, "unpack alignment", 4, Integer(GL_UNPACK_ALIGNMENT));
    }
    GLfloat clear[4] = {};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    for (int c = 0; c < 3; ++c)
        if (held.clearColour[c] >= 0 && held.clearColour[c] != clear[c])
            differs += "clear colour held as " + std::to_string(held.clearColour[c]) +
                       ", OpenGL has " + std::to_string(clear[c]) + "; ";
    GLfloat depth = 0;
    glGetFloatv(GL_DEPTH_CLEAR_VALUE, &depth);
    if (held.clearDepth >= 0 && held.clearDepth != depth)
        differs += "clear depth held as " + std::to_string(held.clearDepth) + ", OpenGL has " +
                   std::to_string(depth) + "; ";
    return differs;
}

#endif
