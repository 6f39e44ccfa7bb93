// The solids' vertices: placed exactly as GL places them, and lit here
// (per vertex, GL's way) or handed on to be lit per fragment. Shading flat,
// each corner of a triangle is lit at its provoking corner, with its normal
// (GLSL ES 1.00 has no flat varyings): the three give the one colour the
// rasteriser spreads over the triangle, as GL_FLAT does.
attribute vec3 a_position;
attribute vec3 a_normal;
#ifdef FLAT
attribute vec3 a_litPosition;  // the provoking corner's; a_normal is its normal
#endif

uniform mat4 u_modelViewProjection;
uniform mat4 u_modelView;
uniform mat3 u_normalMatrix;
uniform Material u_front;
uniform Material u_back;
#ifdef CORNER_PROBE
// Where the one corner drawn lands, in clip coordinates.
uniform vec4 u_probePosition;
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
#ifdef TWO_SIDED
varying vec3 v_backSecondary;
#endif
#endif
#endif

void main()
{
    vec4 position = vec4(a_position, 1.0);
    gl_Position = u_modelViewProjection * position;
#ifdef CORNER_PROBE
    // The corner lit as always, but drawn as one pixel where it can be read.
    gl_Position = u_probePosition;
    gl_PointSize = 1.0;
#endif
#ifdef FLAT
    position = vec4(a_litPosition, 1.0);
#endif
    vec3 eye = (u_modelView * position).xyz;
    vec3 normal = normalize(u_normalMatrix * a_normal);
#ifdef PER_PIXEL
    v_eyePosition = eye;
    v_eyeNormal = normal;
#else
    // Each channel is clamped here, at the vertex; the rasteriser blends
    // the clamped colours across the triangle.
    vec3 secondary;
    v_frontColour = lightColour(eye, normal, u_front, secondary);
#ifdef SEPARATE_SPECULAR
    v_frontSecondary = secondary;
#endif
#ifdef TWO_SIDED
    v_backColour = lightColour(eye, -normal, u_back, secondary);
#ifdef SEPARATE_SPECULAR
    v_backSecondary = secondary;
#endif
#endif
#endif
}
