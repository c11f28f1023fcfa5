# Runs one corpus script three ways (as source, after dump and reload, as UTF-16 text with the
# FF FE mark) and fails unless all three succeed with the same output. Each way runs the script
# under its own file name, so that positions in messages read alike.
# Inputs: RUNNER (orvella-lua), SCRIPT (the .lua file), WORK (a scratch folder).
get_filename_component(dir "${SCRIPT}" DIRECTORY)
get_filename_component(name "${SCRIPT}" NAME)
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/wide")

function(run_way label workdir)
  execute_process(COMMAND "${RUNNER}" ${ARGN} WORKING_DIRECTORY "${workdir}"
                  RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT code EQUAL 0)
    message(FATAL_ERROR "${label}: exit ${code}\n--- stdout\n${out}--- stderr\n${err}")
  endif()
  set(out_${label} "${out}" PARENT_SCOPE)
endfunction()

run_way(source "${dir}" "${name}")

run_way(dump "${dir}" -o "${WORK}/${name}.luc" "${name}")
run_way(reload "${WORK}" "${WORK}/${name}.luc")

run_way(encode "${dir}" -u "${WORK}/wide/${name}" "${name}")
run_way(utf16 "${WORK}/wide" "${name}")

if(NOT out_source STREQUAL out_reload OR NOT out_source STREQUAL out_utf16)
  message(FATAL_ERROR "outputs differ\n--- source\n${out_source}--- reloaded\n${out_reload}--- utf16\n${out_utf16}")
endif()
if(out_source STREQUAL "")
  message(FATAL_ERROR "the script printed nothing")
endif()
message(STATUS "${name}: ${out_source}")
