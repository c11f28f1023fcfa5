# Drives orvella-lua on small scripts written here and checks its exit codes and output.
# Inputs: RUNNER, WORK.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
file(WRITE "${WORK}/first.lua" "shared = 40\nprint('first', L\"w\")\n")
file(WRITE "${WORK}/second.lua" "print('second', shared + 2)\n")
file(WRITE "${WORK}/fails.lua" "print('before')\nlocal t = nil\nx = t.field\n")
file(WRITE "${WORK}/bad.lua" "x = = 1\n")
file(WRITE "${WORK}/bits.lua" "local a, b = 5, 3\nprint(a & b, a | b, a << b, a >> 1)\n")

function(expect label want_code want_out want_err)
  execute_process(COMMAND "${RUNNER}" ${ARGN} WORKING_DIRECTORY "${WORK}"
                  RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT code STREQUAL want_code OR NOT out STREQUAL want_out OR NOT err STREQUAL want_err)
    message(FATAL_ERROR "${label}: exit ${code} (want ${want_code})\n--- stdout\n${out}--- want\n${want_out}--- stderr\n${err}--- want\n${want_err}")
  endif()
endfunction()

expect(two_files_one_state 0 "first\tw\nsecond\t42\n" "" first.lua second.lua)
expect(runtime_error 1 "before\n" "fails.lua:3: attempt to index local `t' (a nil value)\n" fails.lua)
expect(syntax_error 1 "" "bad.lua:1: unexpected symbol near `='\n" bad.lua)
expect(missing_file 1 "" "orvella-lua: cannot read nothing.lua\n" nothing.lua)
expect(stops_at_first_error 1 "before\n" "fails.lua:3: attempt to index local `t' (a nil value)\n" fails.lua first.lua)

expect(precompile 0 "" "" -o bits.luc bits.lua)
file(READ "${WORK}/bits.luc" head LIMIT 4 HEX)
if(NOT head STREQUAL "1b4c7561")
  message(FATAL_ERROR "precompiled chunk starts with ${head}")
endif()
expect(run_precompiled 0 "1\t7\t40\t2\n" "" bits.luc)
expect(precompile_bad_source 1 "" "bad.lua:1: unexpected symbol near `='\n" -o bad.luc bad.lua)

expect(utf16 0 "" "" -u wide.lua bits.lua)
file(READ "${WORK}/wide.lua" head LIMIT 4 HEX)
if(NOT head STREQUAL "fffe6c00")
  message(FATAL_ERROR "UTF-16 copy starts with ${head}")
endif()
expect(run_utf16 0 "1\t7\t40\t2\n" "" wide.lua)

execute_process(COMMAND "${RUNNER}" -l bits.lua WORKING_DIRECTORY "${WORK}"
                RESULT_VARIABLE code OUTPUT_VARIABLE listing)
foreach(want "function <@bits.lua:0>" " 16 BAND      " " 17 BOR       " " 18 SHL       " " 19 SHR       ")
  string(FIND "${listing}" "${want}" at)
  if(NOT code EQUAL 0 OR at EQUAL -1)
    message(FATAL_ERROR "listing lacks '${want}':\n${listing}")
  endif()
endforeach()
execute_process(COMMAND "${RUNNER}" -l bits.luc WORKING_DIRECTORY "${WORK}"
                RESULT_VARIABLE code OUTPUT_VARIABLE listing_reloaded)
if(NOT listing_reloaded STREQUAL listing)
  message(FATAL_ERROR "the listing changes after a dump and reload:\n${listing_reloaded}")
endif()

expect(usage 2 "" "usage: orvella-lua FILE...          run the files in one state\n       orvella-lua -o OUT.luc FILE  write FILE's precompiled chunk\n       orvella-lua -l FILE          list FILE's compiled code\n       orvella-lua -u OUT FILE      write FILE as UTF-16 text with the FF FE mark\n")
