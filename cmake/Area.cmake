include(${CMAKE_CURRENT_LIST_DIR}/Layers.cmake)

# One area of the program (app, bindings, options, smf, output) is one folder.
# Its portable logic becomes the library murvane_<area>: every .cpp in the
# folder but the platform files. Platform files sit beside the header they
# implement and are chosen here: *_posix.cpp natively, *_win32.cpp in the
# Windows build, where they form murvane_<area>_win32. The area takes its
# place in the layer order of cmake/Layers.cmake, which its includes and
# DEPENDS must keep.
#
# murvane_area(<area> [DEPENDS libs...] [WIN32_LIBS system libs...] [EXCLUDE files...])
function(murvane_area area)
  cmake_parse_arguments(ARG "" "" "DEPENDS;WIN32_LIBS;EXCLUDE" ${ARGN})
  murvane_check_layer_depends(${area} ${ARG_DEPENDS} ${ARG_WIN32_LIBS})
  file(GLOB all_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  set(core_sources "")
  set(posix_sources "")
  set(win32_sources "")
  foreach(source IN LISTS all_sources)
    get_filename_component(file_name ${source} NAME)
    if(file_name IN_LIST ARG_EXCLUDE)
      continue()
    elseif(file_name MATCHES "_win32\\.cpp$")
      list(APPEND win32_sources ${source})
    elseif(file_name MATCHES "_posix\\.cpp$")
      list(APPEND posix_sources ${source})
    else()
      list(APPEND core_sources ${source})
    endif()
  endforeach()
  if(NOT WIN32)
    list(APPEND core_sources ${posix_sources})
  endif()

  set(core murvane_${area})
  if(core_sources)
    add_library(${core} STATIC ${core_sources})
    target_include_directories(${core} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${core} PUBLIC ${ARG_DEPENDS} PRIVATE murvane_warnings)
  else()
    add_library(${core} INTERFACE)
    target_include_directories(${core} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${core} INTERFACE ${ARG_DEPENDS})
  endif()
  murvane_layer_check(${area} ${core})

  if(WIN32)
    set(platform murvane_${area}_win32)
    if(win32_sources)
      add_library(${platform} STATIC ${win32_sources})
      target_link_libraries(${platform} PUBLIC ${core} ${ARG_WIN32_LIBS} PRIVATE murvane_warnings)
    else()
      add_library(${platform} INTERFACE)
      target_link_libraries(${platform} INTERFACE ${core} ${ARG_WIN32_LIBS})
    endif()
  endif()
endfunction()
