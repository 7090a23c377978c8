# Runs the ondrell-pack program (through EMULATOR when cross-built) and checks
# its exit status, standard output and standard error.
#   cmake -DTOOL=path -DEMULATOR=wrapper-or-empty -DWORK=folder -P this-file
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

set(failures 0)

# expect(STATUS OUT ERR ARGS...): OUT and ERR are regular expressions that
# must match the whole text.
function(expect status out err)
  execute_process(COMMAND ${EMULATOR} "${TOOL}" ${ARGN}
                  WORKING_DIRECTORY "${WORK}"
                  RESULT_VARIABLE got_status OUTPUT_VARIABLE got_out ERROR_VARIABLE got_err)
  if(NOT got_status STREQUAL status OR NOT got_out MATCHES "^${out}$" OR NOT got_err MATCHES "^${err}$")
    message(SEND_ERROR "ondrell-pack ${ARGN}\n  status: ${got_status} (expected ${status})\n"
                       "  stdout: [${got_out}]\n  stderr: [${got_err}]")
  endif()
endfunction()

# Usage on standard error, status 2.
expect(2 "" "ondrell-pack: unknown command \"pack\"\\.\nUsage:\n.*Exit status: .*\n" pack)
expect(2 "" "Usage:\n  ondrell-pack create \\[--no-check\\] OUT\\.dat DIR .*")
expect(0 "Usage:\n.*" "" --help)

# A missing input: one line, status 1.
expect(1 "" "Error: Could not read \"missing\\.dat\": it does not exist\\.\n" list missing.dat)

# A damaged archive ends with the archive's fatal report.
file(WRITE "${WORK}/bad.dat" "abc")
expect(1 "" "Fatal Error: Damaged data file: it is too short to hold an index\\.\n" list bad.dat)

# create, list and extract.
file(WRITE "${WORK}/in/IMG/A.bmp" "abc")
file(WRITE "${WORK}/in/IMG/script.scr.utf8" "text\n")
expect(0 "Packed 2 entries \\(67 bytes\\) into \"IMG\\.dat\"\\.\n" "" create IMG.dat in)
expect(0 "3\t\\./IMG/A\\.bmp\n5\t\\./IMG/script\\.scr\n" "" list IMG.dat)
expect(0 "Extracted 2 entries into \"out\"\\.\n" "" extract IMG.dat out)
file(READ "${WORK}/out/IMG/A.bmp" extracted)
if(NOT extracted STREQUAL "abc")
  message(SEND_ERROR "extracted [${extracted}], expected [abc]")
endif()

# A character with no Shift_JIS form (a Thai letter): the place is named and
# the old archive stays.
file(WRITE "${WORK}/in/IMG/script.scr.utf8" "ok\nok\tก")
file(READ "${WORK}/IMG.dat" before HEX)
expect(1 "" "Error: \"in[/\\\\]IMG[/\\\\]script\\.scr\\.utf8\", line 2, column 4: the character U\\+0E01 has no Shift_JIS form\\.\n"
       create IMG.dat in)
file(READ "${WORK}/IMG.dat" after HEX)
if(NOT before STREQUAL after)
  message(SEND_ERROR "a failed create changed IMG.dat")
endif()
