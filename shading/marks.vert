// The lights' marks: lines and dots in the scene's own frame, unlit.
attribute vec3 a_position;

uniform mat4 u_modelViewProjection;
uniform float u_pointSize;

void main()
{
    gl_Position = u_modelViewProjection * vec4(a_position, 1.0);
    gl_PointSize = u_pointSize;
}
