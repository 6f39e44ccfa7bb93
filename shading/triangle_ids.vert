// Every triangle in a colour of its own, for finding the triangle under a
// pixel: placed exactly as the scene's vertices are.
attribute vec3 a_position;
attribute vec3 a_id;  // 1 + the triangle's index, as three bytes

uniform mat4 u_modelViewProjection;

varying vec3 v_id;

void main()
{
    gl_Position = u_modelViewProjection * vec4(a_position, 1.0);
    v_id = a_id;
}
