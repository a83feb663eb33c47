# Runs the layer checker on folders of one file each: an include of a lower
# area or of no area passes, one of an area beside or above fails and names
# the file and the include.

function(check_folder name area text expect_failure)
  set(folder ${SCRATCH}/${name})
  file(REMOVE_RECURSE ${folder})
  file(WRITE ${folder}/${name}.cpp "${text}")
  execute_process(COMMAND ${CMAKE_COMMAND} -DAREA=${area} -DFOLDER=${folder} -P ${CHECKER}
    RESULT_VARIABLE status ERROR_VARIABLE errors OUTPUT_QUIET)
  if(expect_failure)
    if(status EQUAL 0)
      message(SEND_ERROR "${name}: passed, but ${area} may not include what it does")
    elseif(NOT errors MATCHES "${name}\\.cpp: ${expect_failure}")
      message(SEND_ERROR "${name}: failed without naming the file and include:\n${errors}")
    endif()
  elseif(NOT status EQUAL 0)
    message(SEND_ERROR "${name}: failed, but its includes keep the order:\n${errors}")
  endif()
endfunction()

check_folder(lower playback "#include \"playback/player.h\"\n#include \"smf/smf_file.h\"\n#include \"options/play_options.h\"\n#include \"bindings/note_range.h\"\n" "")
check_folder(no_area app "#include \"res/resource.h\"\n#include <string>\n" "")
check_folder(above bindings "#include <cstdint>\n  #  include \"playback/clock.h\"\n" "#  include \"playback/clock.h\"")
check_folder(beside options "#include \"smf/smf_file.h\"\n" "#include \"smf/smf_file.h\"")
check_folder(reader_below_playback smf "#include \"playback/player.h\"\n" "#include \"playback/player.h\"")
check_folder(top app "#include \"cli/commands.h\"\n" "#include \"cli/commands.h\"")
file(REMOVE_RECURSE ${SCRATCH})
