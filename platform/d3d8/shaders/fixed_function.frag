// Direct3D 8's texture stage 0, specular add, alpha test, for one state combination (see
// fixed_function.vert for the prelude).

SHADING in vec4 diffuse;
#if SPECULAR
SHADING in vec3 specular;
#endif
#if TEXTURED
in vec2 texCoord;
uniform sampler2D image;
#endif
uniform vec4 textureFactor;
uniform float alphaRef;

out vec4 fragColor;

vec4 Argument(int argument, vec4 current, vec4 texel, vec4 highlight) {
    int select = argument & 15;
    vec4 value = current;               // D3DTA_DIFFUSE, and D3DTA_CURRENT on stage 0
    if (select == 2) value = texel;     // D3DTA_TEXTURE
    if (select == 3) value = textureFactor;
    if (select == 4) value = highlight;
    if ((argument & 16) != 0) value = vec4(1.0) - value;
    if ((argument & 32) != 0) value = vec4(value.a);
    return value;
}

vec4 Operate(int operation, vec4 a, vec4 b, vec4 current) {
    if (operation == 2) return a;
    if (operation == 3) return b;
    if (operation == 4) return a * b;
    if (operation == 5) return 2.0 * a * b;
    if (operation == 6) return 4.0 * a * b;
    if (operation == 7) return a + b;
    if (operation == 8) return a + b - 0.5;
    if (operation == 9) return 2.0 * (a + b - 0.5);
    if (operation == 10) return a - b;
    if (operation == 11) return a + b - a * b;
    return current;                     // D3DTOP_DISABLE passes the colour on
}

bool Passes(int function, float value, float reference) {
    if (function == 1) return false;
    if (function == 2) return value < reference;
    if (function == 3) return value == reference;
    if (function == 4) return value <= reference;
    if (function == 5) return value > reference;
    if (function == 6) return value != reference;
    if (function == 7) return value >= reference;
    return true;
}

void main() {
#if SPECULAR
    vec4 highlight = vec4(specular, 0.0);
#else
    vec4 highlight = vec4(0.0);
#endif
#if TEXTURED
    vec4 texel = texture(image, texCoord);
#if SWAP_RED_BLUE
    // The texels went up as B, G, R, A read as R, G, B, A.
    texel = texel.bgra;
#endif
#else
    // An operation that reads a texture the stage does not have passes the colour it was
    // given on, as Windows drivers do.
    vec4 texel = diffuse;
#endif
#if SIMPLE_MODULATE
    // The toolkit's own stage: texture times diffuse, alpha from the texture.
    vec4 colour = vec4(texel.rgb * diffuse.rgb, texel.a);
#else
    vec4 colour = vec4(
        Operate(colorOp, Argument(colorArg1, diffuse, texel, highlight),
                Argument(colorArg2, diffuse, texel, highlight), diffuse).rgb,
        Operate(alphaOp, Argument(alphaArg1, diffuse, texel, highlight),
                Argument(alphaArg2, diffuse, texel, highlight), diffuse).a);
#if !TEXTURED
    if (colorReadsTexture) colour.rgb = diffuse.rgb;
    if (alphaReadsTexture) colour.a = diffuse.a;
#endif
#endif
#if SPECULAR
    colour.rgb += specular;
#endif
#if SPECULAR || !SIMPLE_MODULATE
    colour = clamp(colour, 0.0, 1.0);
#endif
#if ALPHA_TEST
    // The alpha test compares 8-bit values, as the reference is given.
    if (!Passes(alphaFunc, floor(colour.a * 255.0 + 0.5), alphaRef)) discard;
#endif
    fragColor = colour;
}
