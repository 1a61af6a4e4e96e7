# One static library per layer of the program, each linking only the layers
# below it, so that the build refuses an include of a higher layer.
#
# A layer's headers are reached as "<folder>/<file>.h" (for example
# "raw/RafContainer.h"). The source root is on no include path: each layer
# exports an include directory of its own in the build tree
# (layers/<target>/) holding one symbolic link named like its folder. A target
# therefore finds the headers of the layers it links and of no other; an
# include of a higher layer fails with "No such file or directory".
# cmake/CheckIncludes.cmake refuses includes that climb out of a folder
# with "..", which would get around this.

set(VELMO_LAYER_INCLUDE_ROOT ${CMAKE_BINARY_DIR}/layers)

# Gives target the include directory that holds the link `folder` (relative
# to the source root) and nothing else.
function(velmo_export_folder target folder)
  set(root ${VELMO_LAYER_INCLUDE_ROOT}/${target})
  set(link ${root}/${folder})
  get_filename_component(parent ${link} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  if(NOT IS_SYMLINK ${link})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${link} SYMBOLIC)
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()

# velmo_layer(<target> <folder> [SUBFOLDERS dir...] [LINKS lib...])
# A static library of the .cpp files of folder (and of its SUBFOLDERS),
# exporting folder and linking LINKS publicly.
function(velmo_layer target folder)
  cmake_parse_arguments(LAYER "" "" "SUBFOLDERS;LINKS" ${ARGN})
  set(globs ${CMAKE_SOURCE_DIR}/${folder}/*.cpp)
  foreach(sub ${LAYER_SUBFOLDERS})
    list(APPEND globs ${CMAKE_SOURCE_DIR}/${folder}/${sub}/*.cpp)
  endforeach()
  file(GLOB sources CONFIGURE_DEPENDS ${globs})
  add_library(${target} STATIC ${sources})
  velmo_export_folder(${target} ${folder})
  target_link_libraries(${target} PUBLIC ${LAYER_LINKS})
  velmo_warnings(${target})
  set_property(GLOBAL APPEND PROPERTY VELMO_ENGINE_LAYERS ${target})
  if(VELMO_CHECK_HEADERS)
    velmo_check_headers(${target} ${folder} ${LAYER_SUBFOLDERS})
  endif()
endfunction()

# Compiles every header of a layer on its own with only that layer's include
# directories: a header that includes a higher layer (or misses an include of
# its own) fails to build even when no source file of its layer includes it.
function(velmo_check_headers target folder)
  set(globs ${CMAKE_SOURCE_DIR}/${folder}/*.h)
  foreach(sub ${ARGN})
    list(APPEND globs ${CMAKE_SOURCE_DIR}/${folder}/${sub}/*.h)
  endforeach()
  file(GLOB headers CONFIGURE_DEPENDS ${globs})
  set(units)
  foreach(header ${headers})
    file(RELATIVE_PATH name ${CMAKE_SOURCE_DIR} ${header})
    string(REGEX REPLACE "\\.h$" ".cpp" unit ${name})
    set(unit ${CMAKE_BINARY_DIR}/header-check/${unit})
    set(text "#include \"${name}\"\n")
    if(EXISTS ${unit})
      file(READ ${unit} old)
    else()
      set(old "")
    endif()
    if(NOT old STREQUAL text)
      file(WRITE ${unit} ${text})
    endif()
    list(APPEND units ${unit})
  endforeach()
  if(units)
    add_library(${target}_headers OBJECT ${units})
    target_link_libraries(${target}_headers PRIVATE ${target})
    velmo_warnings(${target}_headers)
  endif()
endfunction()
