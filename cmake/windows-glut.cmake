# GLUT::GLUT on Windows. freeglut's Windows install (a cross build, MSYS2,
# vcpkg) carries its own CMake package, FreeGLUT, with a static and/or a DLL
# target; the static one wins, so the program needs no freeglut.dll beside
# it. Without that package, CMake's FindGLUT (GL/glut.h and a glut library).
find_package(FreeGLUT CONFIG QUIET)
if(TARGET FreeGLUT::freeglut_static)
  set(ML_FREEGLUT_TARGET FreeGLUT::freeglut_static)
elseif(TARGET FreeGLUT::freeglut)
  set(ML_FREEGLUT_TARGET FreeGLUT::freeglut)
endif()

if(ML_FREEGLUT_TARGET)
  message(STATUS "GLUT: ${ML_FREEGLUT_TARGET} ${FreeGLUT_VERSION} from ${FreeGLUT_DIR}")
  set(ML_FREEGLUT_VERSION ${FreeGLUT_VERSION})
  add_library(ml_glut INTERFACE)
  # GLU is not among what freeglut links itself.
  target_link_libraries(ml_glut INTERFACE ${ML_FREEGLUT_TARGET} OpenGL::GLU)
  add_library(GLUT::GLUT ALIAS ml_glut)
else()
  find_package(GLUT REQUIRED)
  set(ML_FREEGLUT_VERSION "(version unknown)")
endif()
