# Warning flags shared by every target of ours (not by third-party code).
add_library(murvane_warnings INTERFACE)
target_compile_options(murvane_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
  -Wnon-virtual-dtor -Woverloaded-virtual -Wno-missing-field-initializers)
if(MURVANE_WERROR)
  target_compile_options(murvane_warnings INTERFACE -Werror)
endif()
if(WIN32)
  target_compile_definitions(murvane_warnings INTERFACE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
endif()
