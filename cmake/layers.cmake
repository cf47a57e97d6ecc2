# ossify_layer(NAME [LOWER...]): the library ossify_NAME from src/NAME/*.cpp.
#
# Its include tree holds one link, NAME -> src/NAME, so that `#include
# "NAME/x.hpp"` resolves while the headers of other subsystems resolve only
# through the layers it links (PUBLIC, so a layer above sees all below it).
function(ossify_layer name)
  set(tree ${CMAKE_BINARY_DIR}/layers/${name})
  file(MAKE_DIRECTORY ${tree})
  if(NOT EXISTS ${tree}/${name})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${name} ${tree}/${name} SYMBOLIC)
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${name}/*.cpp)
  list(FILTER sources EXCLUDE REGEX ".*/src/driver/main\\.cpp$")
  add_library(ossify_${name} STATIC ${sources})
  target_include_directories(ossify_${name} PUBLIC ${tree})
  foreach(lower IN LISTS ARGN)
    target_link_libraries(ossify_${name} PUBLIC ossify_${lower})
  endforeach()
endfunction()
