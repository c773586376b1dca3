# Fails unless EXECUTABLE imports exactly one entry from COMCTL32: ordinal 17,
# without a name. objdump -p prints such an entry with the ordinal flag set in
# its thunk (80000011, or 8000000000000011 on x86_64) and "<none>" as name,
# and ends each DLL's list with a blank line.
execute_process(COMMAND ${OBJDUMP} -p ${EXECUTABLE} OUTPUT_VARIABLE dump RESULT_VARIABLE result)
string(TOUPPER "${dump}" dump)
if(NOT result EQUAL 0 OR NOT dump MATCHES "DLL NAME: COMCTL32\\.DLL\n\tVMA:[^\n]*\n\t80*11\t[ 0-9]+<NONE>\n\n")
  string(REGEX MATCH "DLL NAME: COMCTL32[^\n]*(\n[^\n]+)*" section "${dump}")
  message(FATAL_ERROR "COMCTL32 is not imported by ordinal 17 alone:\n${section}")
endif()
message(STATUS "COMCTL32 imported by ordinal 17 only")
