// The solids' fragments: the blended vertex colours, or the equation
// worked out again here for every fragment. Back faces take the back
// colour (the reversed normal and the back material) only with two-sided
// lighting; otherwise they show the front colour, as GL shows them. The
// separate specular colour is blended apart and added here.
uniform Material u_front;
uniform Material u_back;
#ifdef CORNER_PROBE
uniform bool u_probeBack;  // the back colour, of a triangle seen from behind
#endif

#ifdef PER_PIXEL
varying vec3 v_eyePosition;
varying vec3 v_eyeNormal;
#else
varying vec4 v_frontColour;
#ifdef TWO_SIDED
varying vec4 v_backColour;
#endif
#ifdef SEPARATE_SPECULAR
varying vec3 v_frontSecondary;
#define FRONT_COLOUR colourSum(v_frontColour, v_frontSecondary)
#ifdef TWO_SIDED
varying vec3 v_backSecondary;
#define BACK_COLOUR colourSum(v_backColour, v_backSecondary)
#endif
#else
#define FRONT_COLOUR v_frontColour
#define BACK_COLOUR v_backColour
#endif
#endif

void main()
{
#ifdef PER_PIXEL
    vec3 normal = normalize(v_eyeNormal);
    vec3 secondary;
#ifdef TWO_SIDED
    if (!gl_FrontFacing) {
        gl_FragColor = colourSum(lightColour(v_eyePosition, -normal, u_back, secondary), secondary);
        return;
    }
#endif
    gl_FragColor = colourSum(lightColour(v_eyePosition, normal, u_front, secondary), secondary);
#elif defined(CORNER_PROBE) && defined(TWO_SIDED)
    // A corner's primary colour alone, as GL's feedback hands it back.
    gl_FragColor = u_probeBack ? v_backColour : v_frontColour;
#elif defined(CORNER_PROBE)
    gl_FragColor = v_frontColour;
#elif defined(TWO_SIDED)
    gl_FragColor = gl_FrontFacing ? FRONT_COLOUR : BACK_COLOUR;
#else
    gl_FragColor = FRONT_COLOUR;
#endif
}
