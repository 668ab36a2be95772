# The folders of src/ form a stack, and the build holds it: each folder is a
# static library vyk_<folder> that links the folders directly below it, and
# compiles against an include root that holds only its own folder and the
# folders under it (links in build/stack/<folder>/). An include that climbs
# the stack, or reaches a folder that is not linked, names a file that is
# not there and fails to compile.
#
#   foundation
#   textures, gl           (each on foundation)
#   model                  (textures, gl)
#   render, sceneio        (each on model)
#   view                   (render, sceneio)
#   app                    (view; the window)
#
# A third-party library is linked by the folder that uses it: PUBLIC where
# its headers show in that folder's headers, PRIVATE where they do not.

# vyk_folder(NAME BELOW folders... [PUBLIC libs...] [PRIVATE libs...] [SOURCES extra...] [EXCLUDE files...])
function(vyk_folder name)
  cmake_parse_arguments(F "" "" "BELOW;PUBLIC;PRIVATE;SOURCES;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${name}/*.cpp)
  foreach(excluded ${F_EXCLUDE})
    list(REMOVE_ITEM sources ${CMAKE_SOURCE_DIR}/src/${name}/${excluded})
  endforeach()
  # What this folder may see: itself and everything under it.
  set(seen ${name})
  foreach(below ${F_BELOW})
    get_property(under GLOBAL PROPERTY VYK_SEES_${below})
    list(APPEND seen ${under})
  endforeach()
  list(REMOVE_DUPLICATES seen)
  set_property(GLOBAL PROPERTY VYK_SEES_${name} ${seen})
  set(root ${CMAKE_BINARY_DIR}/stack/${name})
  file(REMOVE_RECURSE ${root})
  file(MAKE_DIRECTORY ${root})
  foreach(folder ${seen})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/src/${folder} ${root}/${folder} SYMBOLIC)
  endforeach()
  add_library(vyk_${name} STATIC ${sources} ${F_SOURCES})
  target_include_directories(vyk_${name} PUBLIC ${root})
  list(TRANSFORM F_BELOW PREPEND vyk_)
  target_link_libraries(vyk_${name} PUBLIC ${F_BELOW} ${F_PUBLIC} PRIVATE ${F_PRIVATE})
endfunction()

vyk_folder(foundation PUBLIC Threads::Threads cxxopts::cxxopts PRIVATE GLEW::GLEW OpenGL::GL OpenGL::GLU ${SECCOMP_LIBRARY})
target_include_directories(vyk_foundation PRIVATE ${SECCOMP_INCLUDE_DIR})
vyk_folder(textures BELOW foundation PUBLIC GLEW::GLEW OpenGL::GL PRIVATE OpenGL::GLU JPEG::JPEG PNG::PNG)
vyk_folder(gl BELOW foundation PUBLIC GLEW::GLEW OpenGL::GL SOURCES ${VYK_EMBEDDED_SHADERS})
vyk_folder(model BELOW textures gl)
vyk_folder(render BELOW model)
vyk_folder(sceneio BELOW model PRIVATE assimp::assimp)
vyk_folder(view BELOW render sceneio PRIVATE OpenGL::EGL GLUT::GLUT)
vyk_folder(app BELOW view PRIVATE GLUT::GLUT EXCLUDE main.cpp)
