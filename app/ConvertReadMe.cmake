# cmake -DINPUT=<UTF-8 text> -DOUTPUT=<file> -P ConvertReadMe.cmake
# Writes the text in code page 932 with CRLF line ends. Neither byte of a
# double-byte CP932 character is ever CR or LF, so the line ends can be
# replaced after the conversion.
find_program(ICONV iconv REQUIRED)
execute_process(
  COMMAND ${ICONV} -f UTF-8 -t CP932 ${INPUT}
  OUTPUT_VARIABLE text
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${INPUT} holds text that code page 932 cannot represent")
endif()
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE ${OUTPUT} "${text}")
