// The solids' fragments: the blended vertex colours, or the equation
// worked out again here for every fragment. Back faces take the back
// colour (the reversed normal and the back material) only with two-sided
// lighting; otherwise they show the front colour, as GL shows them.
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
#endif

void main()
{
#ifdef PER_PIXEL
    vec3 normal = normalize(v_eyeNormal);
#ifdef TWO_SIDED
    if (!gl_FrontFacing) {
        gl_FragColor = lightColour(v_eyePosition, -normal, u_back);
        return;
    }
#endif
    gl_FragColor = lightColour(v_eyePosition, normal, u_front);
#elif defined(CORNER_PROBE) && defined(TWO_SIDED)
    gl_FragColor = u_probeBack ? v_backColour : v_frontColour;
#elif defined(TWO_SIDED)
    gl_FragColor = gl_FrontFacing ? v_frontColour : v_backColour;
#else
    gl_FragColor = v_frontColour;
#endif
}
