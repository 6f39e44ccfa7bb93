// The fixed-function lighting equation of OpenGL 2.1 (section 2.14.1,
// "Lighting"), worked out in eye coordinates for one vertex, or for one
// fragment when shading per pixel:
//
//   colour = emission + global ambient x material ambient
//            + for each light that is on:
//                attenuation x spot factor
//                x (ambient + max(N.L, 0) x diffuse + (N.H)^shininess x specular)
//
// each light's colours multiplied by the material's, and the sum clamped to
// [0, 1] per channel. The terms are added in the order Mesa's fixed-function
// pipeline adds them, so the two agree to the last bit or nearly. With the
// separate specular colour (SEPARATE_SPECULAR) the specular terms are summed
// and clamped apart, a secondary colour added to the rest only after
// shading; with Phong's highlight (PHONG) the specular term is
// (R.V)^shininess, R the light reflected about N.


struct Light {
    vec4 position;        // eye coordinates; a point's divided by its w
    vec4 ambient;
    vec4 diffuse;
    vec4 specular;
    vec3 spotDirection;   // eye coordinates, unit length
    float spotCosCutoff;  // the cut-off's cosine, at least 0
    float spotExponent;
    vec3 attenuation;     // constant, linear, quadratic
    vec3 halfVector;      // a light from a direction, viewer at infinity
};

struct Material {
    vec4 ambient;
    vec4 diffuse;
    vec4 specular;
    vec4 emission;
    float shininess;
};

// LIGHT_COUNT, and which lights are on and of what kind (FOR_EACH_LIGHT_ON),
// come from the #defines the renderer puts before this file for the state
// drawn.
uniform Light u_lights[LIGHT_COUNT];
uniform vec4 u_globalAmbient;

// One light's share, added to `colour` (its specular term to `secondary`
// with the separate specular colour). `positional`, `spot` and `attenuated`
// are constants of the compiled program, so the parts a light does not use
// are left out of it, as GL leaves them out.
void addLight(inout vec3 colour, inout vec3 secondary, Light light, bool positional, bool spot,
              bool attenuated, vec3 eye, vec3 normal, Material material)
{
    vec3 toLight;  // VP: unit vector from the point towards the light
    float factor = 1.0;
    if (positional) {
        toLight = light.position.xyz - eye;
        float inverseDistance = inversesqrt(dot(toLight, toLight));
        toLight *= inverseDistance;
        if (attenuated) {
            float d = 1.0 / inverseDistance;
            factor = 1.0 / dot(light.attenuation, vec3(inverseDistance * d, d, d * d));
        }
    } else {
        toLight = light.position.xyz;
    }
    if (spot) {
        // Outside the cone no light at all; inside, (cos of the angle)^exponent.
        float spotDot = dot(-toLight, light.spotDirection);
        float inside = light.spotCosCutoff < spotDot ? 1.0 : 0.0;
        float power = light.spotExponent == 0.0 ? 1.0 : pow(abs(spotDot), light.spotExponent);
        factor *= inside * power;
    }

    // H: halfway between the light and the viewer's direction.
    vec3 halfway;
#ifdef LOCAL_VIEWER
    halfway = normalize(toLight - normalize(eye));
#else
    halfway = positional ? normalize(toLight + vec3(0.0, 0.0, 1.0)) : light.halfVector;
#endif

    float nDotL = dot(normal, toLight);
    float nDotH = dot(normal, halfway);
#ifdef PHONG
    // Phong's highlight: R, L reflected about N, against V, towards the viewer.
#ifdef LOCAL_VIEWER
    vec3 towardsViewer = -normalize(eye);
#else
    vec3 towardsViewer = vec3(0.0, 0.0, 1.0);
#endif
    float highlight = dot(2.0 * nDotL * normal - toLight, towardsViewer);
#else
    float highlight = nDotH;
#endif
    float diffuse = max(nDotL, 0.0);
    // No highlight on a side the light does not reach; (N.H)^0 is 1.
    float specular = 0.0;
    if (nDotL > 0.0) {
        specular = material.shininess == 0.0 ? 1.0 : pow(max(highlight, 0.0), material.shininess);
    }
    colour = factor * (light.ambient.rgb * material.ambient.rgb) + colour;
    colour = (diffuse * factor) * (light.diffuse.rgb * material.diffuse.rgb) + colour;
#ifdef SEPARATE_SPECULAR
    secondary = (specular * factor) * (light.specular.rgb * material.specular.rgb) + secondary;
#else
    colour = (specular * factor) * (light.specular.rgb * material.specular.rgb) + colour;
#endif
}

// The lit colour at eye-space point `eye` with unit normal `normal`, from
// every light that is on: FOR_EACH_LIGHT_ON, the renderer's #define, puts
// ADD_LIGHT here once for each of them with its index and kind as constants,
// so the lights that are off, and the parts a light does not use, are left
// out of the compiled program.
// The colour returned is the primary one; `secondary` is black but with the
// separate specular colour, each clamped.
#define ADD_LIGHT(i, positional, spot, attenuated) addLight(colour, secondary, u_lights[i], positional, spot, attenuated, eye, normal, material);
vec4 lightColour(vec3 eye, vec3 normal, Material material, out vec3 secondary)
{
    vec3 colour = u_globalAmbient.rgb * material.ambient.rgb + material.emission.rgb;
    secondary = vec3(0.0);
    FOR_EACH_LIGHT_ON(ADD_LIGHT)
    secondary = clamp(secondary, 0.0, 1.0);
    return vec4(clamp(colour, 0.0, 1.0), material.diffuse.a);
}

// GL's colour sum after shading: the secondary colour added to the primary,
// clamped (the primary's alpha kept).
vec4 colourSum(vec4 primary, vec3 secondary)
{
    return vec4(min(primary.rgb + secondary, 1.0), primary.a);
}
