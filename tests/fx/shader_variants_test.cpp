// The fixed-function pipeline's shaders, which the device builds per combination of the states
// that shape their code (ShaderVariant): every combination compiles and links in both dialects
// (OpenGL 3.3 core for the desktop, ES 3.0 for the browser) under glslang, the reference
// compiler; and every combination the show's toolkit can ask for also links in this machine's
// driver, which is what the show runs on.
#include "fx/draw_geometry.h"
#include "fx/draw_settings.h"
#include "fx/shared_buffers.h"
#include "platform/d3d8/draw_record.h"
#include "platform/d3d8/fixed_function.h"
#include "platform/d3d8/fixed_function_shaders.h"
#include "tests/support/draw_test.h"

#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>

namespace {

// Every combination of what shapes the shaders' code: lighting with 0 to 8 lights (with and
// without a highlight where a light can give one), each texture-coordinate source with and
// without the texture transform, the toolkit's stage or a general one, and each of the
// switches that stand alone.
void ForEveryVariant(const std::function<void(const ShaderVariant&)>& use) {
    for (int lights = -1; lights <= kMaxLights; ++lights)
        for (bool specular : {false, true}) {
            if (specular && lights < 1) continue;
            for (int source = -1; source < 4; ++source)
                for (bool transform : {false, true})
                    for (bool simple : {false, true}) {
                        if (source < 0 && (transform || simple)) continue;
                        for (int switches = 0; switches < 16; ++switches) {
                            ShaderVariant v{};
                            v.lighting = lights >= 0;
                            v.lightCount = lights < 0 ? 0 : lights;
                            v.specular = specular;
                            v.textured = source >= 0;
                            v.texCoordSource = TexCoordSource(source < 0 ? 0 : source);
                            v.textureTransform = transform;
                            v.colorOp = simple ? D3DTOP_MODULATE : D3DTOP_ADD;
                            v.colorArg1 = int(D3DTA_TEXTURE);
                            v.colorArg2 = int(D3DTA_DIFFUSE);
                            v.alphaOp = D3DTOP_SELECTARG1;
                            v.alphaArg1 = int(D3DTA_TEXTURE);
                            v.alphaArg2 = int(D3DTA_CURRENT);
                            v.alphaFunc = D3DCMP_GREATER;
                            v.normalizeNormals = switches & 1;
                            v.alphaTest = switches & 2;
                            v.flatShading = switches & 4;
                            v.localViewer = switches & 8;
                            v.diffuseFromVertex = true;
                            use(v);
                        }
                    }
        }
}

// glslang, set up once for the process.
struct Glslang {
    Glslang() { glslang::InitializeProcess(); }
    ~Glslang() { glslang::FinalizeProcess(); }
};

TEST(FixedFunctionShaders, EveryVariantCompilesAndLinksInBothDialects) {
    static Glslang glslang;
    const TBuiltInResource* limits = GetDefaultResources();
    // Most combinations differ only where one stage looks: each stage's text after the
    // preprocessor is compiled once, and each pair of them linked once.
    struct Stage {
        std::unique_ptr<glslang::TShader> shader;
        bool compiled = false;
    };
    std::map<std::string, Stage> stages[2][2]; // [es][fragment]
    std::set<std::pair<const Stage*, const Stage*>> pairs;
    int variants = 0, failed = 0;
    std::string firstFailure;
    const auto fail = [&](const std::string& what) {
        if (failed++ == 0) firstFailure = what;
    };
    ForEveryVariant([&](const ShaderVariant& variant) {
        ++variants;
        for (bool es : {false, true}) {
            const std::string prelude = variant.Prelude(es);
            const Stage* chosen[2] = {};
            for (bool fragment : {false, true}) {
                const std::string text = prelude + (fragment ? kFixedFunctionFragmentShader
                                                             : kFixedFunctionVertexShader);
                const EShLanguage language = fragment ? EShLangFragment : EShLangVertex;
                glslang::TShader preprocessor(language);
                const char* source = text.c_str();
                preprocessor.setStrings(&source, 1);
                glslang::TShader::ForbidIncluder includer;
                std::string preprocessed;
                if (!preprocessor.preprocess(limits, 100, ENoProfile, false, false, EShMsgDefault,
                                             &preprocessed, includer)) {
                    fail(prelude + "\n" + preprocessor.getInfoLog());
                    return;
                }
                Stage& stage = stages[es][fragment][preprocessed];
                if (!stage.shader) {
                    stage.shader = std::make_unique<glslang::TShader>(language);
                    stage.shader->setStrings(&source, 1);
                    stage.compiled = stage.shader->parse(limits, 100, false, EShMsgDefault);
                    if (!stage.compiled)
                        fail(std::string(es ? "ES " : "") + (fragment ? "fragment" : "vertex") +
                             " shader of\n" + prelude + "\n" + stage.shader->getInfoLog());
                }
                chosen[fragment] = &stage;
            }
            if (!chosen[0]->compiled || !chosen[1]->compiled ||
                !pairs.insert({chosen[0], chosen[1]}).second)
                continue;
            glslang::TProgram program;
            program.addShader(chosen[0]->shader.get());
            program.addShader(chosen[1]->shader.get());
            if (!program.link(EShMsgDefault))
                fail("linking\n" + prelude + "\n" + program.getInfoLog());
        }
    });
    EXPECT_EQ(variants, 18 * 17 * 16);
    EXPECT_EQ(failed, 0) << failed << " failures; the first:\n" << firstFailure;
    // The sharing does not hide combinations: it only finds those that are the same text.
    EXPECT_GT(stages[0][0].size(), 1000u);
    EXPECT_GT(pairs.size(), 5000u);
}

using ShowShaderVariants = DrawTest;

// What the toolkit can set that shapes the shaders: lighting and its light count, a highlight,
// environment mapping, flat shading, a texture or none; each draw's variant is built in the
// driver, in the desktop's dialect (the browser's own driver is not here to ask; glslang checks
// that dialect above).
TEST_F(ShowShaderVariants, EveryVariantTheToolkitCanAskForLinksInTheDriver) {
    Texture texture;
    ASSERT_EQ(texture.Create(8, 8), 0);
    Texture none;
    LockSharedVertices();
    LockSharedIndices();
    const Vertex corners[3] = {{0, 0, 0, 0, 0, -1, 0xFFFFFFFF, 0, 0},
                               {1, 0, 0, 0, 0, -1, 0xFFFFFFFF, 1, 0},
                               {0, 1, 0, 0, 0, -1, 0xFFFFFFFF, 0, 1}};
    std::copy_n(corners, 3, SharedVertices);
    const uint16_t order[3] = {0, 1, 2};
    std::copy_n(order, 3, SharedIndices);
    UnlockSharedVertices();
    UnlockSharedIndices();
    std::map<uint64_t, ShaderVariant> asked;
    RecordDraws([&asked](const DrawRecord& record) {
        const ShaderVariant variant = ShaderVariant::Of(record.state);
        asked.emplace(variant.Key(), variant);
    });
    Camera camera;
    camera.eye = D3DXVECTOR3{0, 0, -3};
    for (bool lighting : {false, true})
        for (int lights = 0; lights <= kDrawLights; ++lights)
            for (bool highlight : {false, true})
                for (bool environment : {false, true})
                    for (bool flat : {false, true})
                        for (Texture* bound : {&texture, &none}) {
                            ResetDrawSettings();
                            drawSettings.lighting = lighting;
                            drawSettings.lightCount = lights;
                            drawSettings.environmentMap = environment;
                            drawSettings.flatShading = flat;
                            drawSettings.material.SetDefaults();
                            for (Light& light : drawSettings.lights)
                                light.SetDefaults();
                            if (highlight) {
                                drawSettings.material.SetSpecular(1, 1, 1, 1);
                                drawSettings.material.SetPower(8);
                                for (Light& light : drawSettings.lights)
                                    light.SetSpecular(1, 1, 1, 1);
                            }
                            DrawGeometry(camera, Rotation{}, *bound, 3, 1);
                        }
    RecordDraws(nullptr);
    ResetDrawSettings();
    texture.Release();
    EXPECT_GT(asked.size(), 20u);
    RecordProperty("variants", int(asked.size()));
    int failed = 0;
    std::string firstFailure;
    for (const auto& [key, variant] : asked) {
        const unsigned program = BuildFixedFunctionProgram(variant, false);
        if (program)
            glDeleteProgram(program);
        else if (failed++ == 0)
            firstFailure = variant.Prelude(false);
    }
    EXPECT_EQ(failed, 0) << "first failing prelude:\n" << firstFailure;
}

} // namespace
