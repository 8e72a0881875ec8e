// Direct3D 8's fixed-function vertex stage for the vertex format 0x152 (position, normal,
// diffuse, one texture coordinate set), one variant per state combination: the prelude that
// fixed_function.cpp puts before this text defines what the state needs (#define) and the
// stage settings (const), so each variant carries no branch it does not take.
//
// Matrices arrive as Direct3D stores them, row by row; OpenGL reads that as the transpose, so
// "M * v" here is Direct3D's row-vector product v x M. World x view and world x view x
// projection come multiplied on the processor, the projection with the pixel-centre shift and
// the upside-down turn of the target already in it.

layout(location = 0) in vec3 inPosition;
layout(location = 1) in vec3 inNormal;
layout(location = 2) in vec4 inDiffuse;
layout(location = 3) in vec2 inTexCoord;

uniform mat4 worldViewProjection;
#if NEEDS_CAMERA_POSITION
uniform mat4 worldView;
#endif
#if NEEDS_NORMAL
uniform mat3 normalMatrix;
#endif
#if TEXTURED && TEXTURE_TRANSFORM
uniform mat4 textureMatrix;
#endif

#if LIGHTING
// Emissive plus ambient times (global ambient + every light's ambient), when both come from the
// material; otherwise the pieces apart.
uniform vec3 baseColour;
uniform vec3 ambientLight;
uniform vec4 materialDiffuse;
uniform vec4 materialAmbient;
uniform vec4 materialEmissive;
#if LIGHT_COUNT > 0
uniform vec3 lightToward[LIGHT_COUNT];
uniform vec3 lightDiffuse[LIGHT_COUNT];
#endif
#if SPECULAR
uniform vec3 materialSpecular;
uniform float materialPower;
uniform vec3 lightSpecular[LIGHT_COUNT];
#endif
#endif

SHADING out vec4 diffuse;
#if SPECULAR
SHADING out vec3 specular;
#endif
#if TEXTURED
out vec2 texCoord;
#endif

void main() {
#if SWAP_RED_BLUE
    // The colour came in as B, G, R, A read as R, G, B, A.
    vec4 vertexDiffuse = inDiffuse.bgra;
#else
    vec4 vertexDiffuse = inDiffuse;
#endif
#if NEEDS_CAMERA_POSITION
    vec3 cameraPosition = (worldView * vec4(inPosition, 1.0)).xyz;
#endif
#if NEEDS_NORMAL
    // Through the upper 3 x 3 of world x view, renormalised only when the state asks.
    vec3 normal = normalMatrix * inNormal;
#if NORMALIZE_NORMALS
    if (dot(normal, normal) > 0.0) normal = normalize(normal);
#endif
#endif

#if LIGHTING
    vec4 md = diffuseFromVertex ? vertexDiffuse : materialDiffuse;
    vec3 lit = baseColour;
    if (ambientFromVertex) lit += vertexDiffuse.rgb * ambientLight;
    if (emissiveFromVertex) lit += vertexDiffuse.rgb;
    vec3 diffuseSum = vec3(0.0);
#if SPECULAR
#if LOCAL_VIEWER
    vec3 toEye = normalize(-cameraPosition);
#else
    // The viewer infinitely far back along the camera's axis.
    vec3 toEye = vec3(0.0, 0.0, -1.0);
#endif
    vec3 specularSum = vec3(0.0);
#endif
#if LIGHT_COUNT > 0
    for (int i = 0; i < LIGHT_COUNT; ++i) {
        float nl = dot(normal, lightToward[i]);
        // A light adds nothing, not even specular, to a vertex it does not face.
        if (nl > 0.0) {
            diffuseSum += lightDiffuse[i] * nl;
#if SPECULAR
            float nh = max(dot(normal, normalize(lightToward[i] + toEye)), 0.0);
            float highlight =
                materialPower > 0.0 ? (nh > 0.0 ? pow(nh, materialPower) : 0.0) : 1.0;
            specularSum += lightSpecular[i] * highlight;
#endif
        }
    }
#endif
    diffuse = clamp(vec4(lit + md.rgb * diffuseSum, md.a), 0.0, 1.0);
#if SPECULAR
    specular = clamp(materialSpecular * specularSum, 0.0, 1.0);
#endif
#else
    diffuse = vertexDiffuse;
#endif

#if TEXTURED
#if TEXCOORD_SOURCE == TEXCOORD_CAMERA_NORMAL
    vec4 source = vec4(normal, 1.0);
#elif TEXCOORD_SOURCE == TEXCOORD_CAMERA_POSITION
    vec4 source = vec4(cameraPosition, 1.0);
#elif TEXCOORD_SOURCE == TEXCOORD_CAMERA_REFLECTION
#if LOCAL_VIEWER
    vec3 eye = normalize(-cameraPosition);
#else
    vec3 eye = vec3(0.0, 0.0, -1.0);
#endif
    vec4 source = vec4(reflect(-eye, normal), 1.0);
#else
    vec4 source = vec4(inTexCoord, 1.0, 0.0);
#endif
#if TEXTURE_TRANSFORM
    texCoord = (textureMatrix * source).xy;
#else
    texCoord = source.xy;
#endif
#endif

    gl_Position = worldViewProjection * vec4(inPosition, 1.0);
#if DEPTH_ZERO_TO_W
    // Direct3D's depth runs 0..w; without clip control OpenGL wants -w..w.
    gl_Position.z = 2.0 * gl_Position.z - gl_Position.w;
#endif
}
