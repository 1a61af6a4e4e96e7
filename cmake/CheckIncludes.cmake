# Run at build time (cmake -P): fails when a source file includes a path with
# a ".." component. Such an include climbs out of the file's folder into
# another layer's, around the include directories that keep the layers apart
# (cmake/VelmoLayers.cmake).
#   cmake -DROOT=<source root> -DSTAMP=<file to touch> -DFOLDERS="a;b" -P CheckIncludes.cmake
set(bad "")
foreach(folder ${FOLDERS})
  file(GLOB_RECURSE files ${ROOT}/${folder}/*.h ${ROOT}/${folder}/*.cpp)
  foreach(file ${files})
    file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"][^>\"]*\\.\\.")
    foreach(line ${lines})
      file(RELATIVE_PATH name ${ROOT} ${file})
      string(APPEND bad "  ${name}: ${line}\n")
    endforeach()
  endforeach()
endforeach()
if(bad)
  message(FATAL_ERROR "Includes may not climb out of a folder with \"..\"; include \"<layer>/<file>.h\" "
                      "from a layer this one links:\n${bad}")
endif()
file(TOUCH ${STAMP})
