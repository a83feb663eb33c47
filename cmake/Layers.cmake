# Run as a script (below) it has no project to take its policies from.
if(CMAKE_SCRIPT_MODE_FILE)
  cmake_minimum_required(VERSION 3.25)
endif()

# The areas in layers, lowest first. An area may include its own headers and
# those of the areas in the layers below it; never one beside it or above it,
# so that each layer builds and tests without what sits on top of it. Areas
# named in one layer (separated by spaces) know nothing of each other.
set(MURVANE_LAYERS
  "bindings"
  "keyplan output"
  "options smf"
  "playback"
  "app cli")

# Every area of every layer, in one list.
function(murvane_all_areas out_var)
  set(areas "")
  foreach(layer IN LISTS MURVANE_LAYERS)
    string(REPLACE " " ";" layer_areas "${layer}")
    list(APPEND areas ${layer_areas})
  endforeach()
  set(${out_var} ${areas} PARENT_SCOPE)
endfunction()

# The areas that `area` may include: itself and those of every lower layer.
function(murvane_allowed_areas area out_var)
  set(below "")
  foreach(layer IN LISTS MURVANE_LAYERS)
    string(REPLACE " " ";" layer_areas "${layer}")
    if(area IN_LIST layer_areas)
      set(${out_var} ${below} ${area} PARENT_SCOPE)
      return()
    endif()
    list(APPEND below ${layer_areas})
  endforeach()
  message(FATAL_ERROR "Area '${area}' has no layer: add it to MURVANE_LAYERS in cmake/Layers.cmake")
endfunction()

# Fails, naming each file and include, when a file of `area` includes an area
# that is not below it. Folders that are no area (res/, the standard
# library's) are not layers and pass.
function(murvane_check_layer_includes area)
  murvane_all_areas(areas)
  murvane_allowed_areas(${area} allowed)
  set(wrong "")
  foreach(file IN LISTS ARGN)
    file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"/]+/")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"/]+)/.*$" "\\1" included "${line}")
      if(included IN_LIST areas AND NOT included IN_LIST allowed)
        string(STRIP "${line}" line)
        string(APPEND wrong "\n  ${file}: ${line} (${included} is not below ${area})")
      endif()
    endforeach()
  endforeach()
  if(wrong)
    list(JOIN allowed ", " allowed_text)
    message(FATAL_ERROR "Layer order broken; ${area} may include only ${allowed_text}:${wrong}")
  endif()
endfunction()

# Fails when `area` links the library of an area that is not below it.
function(murvane_check_layer_depends area)
  murvane_all_areas(areas)
  murvane_allowed_areas(${area} allowed)
  foreach(library IN LISTS ARGN)
    if(library MATCHES "^murvane_([a-z]+)(_win32)?$" AND CMAKE_MATCH_1 IN_LIST areas
       AND NOT CMAKE_MATCH_1 IN_LIST allowed)
      message(FATAL_ERROR "Layer order broken: ${area} depends on ${library}, but ${CMAKE_MATCH_1} is not below ${area}")
    endif()
  endforeach()
endfunction()

# murvane_layer_check(<area> <target>): checks the area's folder now, and
# again in every build in which one of its files changed, before <target>.
function(murvane_layer_check area target)
  file(GLOB files CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  murvane_check_layer_includes(${area} ${files})
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${area}_layers.stamp)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DAREA=${area} -DFOLDER=${CMAKE_CURRENT_SOURCE_DIR} -P ${PROJECT_SOURCE_DIR}/cmake/Layers.cmake
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${files} ${PROJECT_SOURCE_DIR}/cmake/Layers.cmake
    COMMENT "Checking the includes of ${area}/ against the layer order"
    VERBATIM)
  add_custom_target(${target}_layers DEPENDS ${stamp})
  add_dependencies(${target} ${target}_layers)
endfunction()

# As a script: cmake -DAREA=<area> -DFOLDER=<folder> -P cmake/Layers.cmake
if(CMAKE_SCRIPT_MODE_FILE AND CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  file(GLOB files ${FOLDER}/*.h ${FOLDER}/*.cpp)
  murvane_check_layer_includes(${AREA} ${files})
endif()
