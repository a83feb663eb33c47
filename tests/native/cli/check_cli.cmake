# murvane-cli check on the test files: one line on stdout, the result code as
# exit status. Run with -DCLI=<murvane-cli> -DDATA=<tests/data/smf> -DSCRATCH=<folder>.

set(failures 0)

function(expect_check file expected_status expected_line)
  execute_process(COMMAND ${CLI} check ${file} RESULT_VARIABLE status OUTPUT_VARIABLE output)
  if(NOT status STREQUAL expected_status OR NOT output STREQUAL "${expected_line}\n")
    message(SEND_ERROR "check ${file}:\n  expected status ${expected_status}, output '${expected_line}'\n"
                       "  got status ${status}, output '${output}'")
  endif()
endfunction()

expect_check(${DATA}/two-tracks.mid 0 "OK format=1 tracks=2 division=480 events=17 notes=5 outside=2")
expect_check(${DATA}/format-0.mid 0 "OK format=0 tracks=1 division=96 events=18 notes=8 outside=0")
expect_check(${DATA}/no-tracks.mid 0 "OK format=0 tracks=0 division=96 events=0 notes=0 outside=0")
expect_check(${DATA}/missing.mid 1 "1 Failed open file.")
expect_check(${DATA}/truncated.mid 4 "4 Illegal SMF file.")
expect_check(${DATA}/format-2.mid 5 "5 Unsupport SMF file.")
expect_check(${DATA}/smpte-division.mid 5 "5 Unsupport SMF file.")

# Over 4 GiB, as a sparse file that is never read.
file(MAKE_DIRECTORY ${SCRATCH})
set(huge ${SCRATCH}/huge.mid)
file(COPY_FILE ${DATA}/format-0.mid ${huge})
execute_process(COMMAND truncate -s 5G ${huge} RESULT_VARIABLE truncated)
if(truncated EQUAL 0)
  expect_check(${huge} 2 "2 Over 4GByte file is not support.")
else()
  message(STATUS "truncate failed; the over-4-GiB case was not run")
endif()
file(REMOVE ${huge})
