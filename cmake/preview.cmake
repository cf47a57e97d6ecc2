# Finds the header-only libraries of the glTF preview (Debian: libtinygltf-dev,
# nlohmann-json3-dev) and sets OSSIFY_HAS_PREVIEW.
#
# The headers are given to the compiler through a folder of the build tree that
# holds links to just them, never through their system folder as a whole: a
# cross compiler must not search the build machine's /usr/include.
option(OSSIFY_PREVIEW "Build the glTF preview when its libraries are installed" ON)
set(OSSIFY_HAS_PREVIEW OFF)
if(OSSIFY_PREVIEW)
  find_path(OSSIFY_TINYGLTF_DIR tiny_gltf.h NO_CMAKE_FIND_ROOT_PATH)
  find_path(OSSIFY_JSON_DIR nlohmann/json.hpp NO_CMAKE_FIND_ROOT_PATH)
  if(OSSIFY_TINYGLTF_DIR AND OSSIFY_JSON_DIR)
    set(OSSIFY_PREVIEW_INCLUDE ${CMAKE_BINARY_DIR}/third_party/include)
    file(MAKE_DIRECTORY ${OSSIFY_PREVIEW_INCLUDE})
    foreach(entry tiny_gltf.h:${OSSIFY_TINYGLTF_DIR} nlohmann:${OSSIFY_JSON_DIR})
      string(REPLACE ":" ";" parts ${entry})
      list(GET parts 0 name)
      list(GET parts 1 dir)
      if(NOT EXISTS ${OSSIFY_PREVIEW_INCLUDE}/${name})
        file(CREATE_LINK ${dir}/${name} ${OSSIFY_PREVIEW_INCLUDE}/${name} SYMBOLIC)
      endif()
    endforeach()
    set(OSSIFY_HAS_PREVIEW ON)
  else()
    message(STATUS "glTF preview: tiny_gltf.h or nlohmann/json.hpp not found; building "
                   "without it (Debian: apt-get install libtinygltf-dev nlohmann-json3-dev)")
  endif()
endif()
