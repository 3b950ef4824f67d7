# kb_add_layer(NAME DEPS...): a static library of every .cpp in the calling
# folder (sub-folders are added with EXTRA_DIRS).
function(kb_add_layer name)
  cmake_parse_arguments(L "" "" "DEPS;EXTRA_DIRS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
  foreach(d ${L_EXTRA_DIRS})
    file(GLOB more CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/${d}/*.cpp")
    list(APPEND sources ${more})
  endforeach()
  # A layer whose first source file has not been written yet is a header-only
  # library until then, so the targets that link it can already be set up.
  if(NOT sources)
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE "${CMAKE_SOURCE_DIR}/src")
    target_link_libraries(${name} INTERFACE ${L_DEPS})
    return()
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC "${CMAKE_SOURCE_DIR}/src")
  target_link_libraries(${name} PUBLIC ${L_DEPS})
endfunction()
