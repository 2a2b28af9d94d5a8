# Writes a UTF-8 text as code page 932 with CR LF line ends, @NORVELLE_VERSION@ replaced.
# Usage: cmake -DSRC=in.txt -DDST=out.txt -DVERSION=x.yy -P Cp932Text.cmake
# The C library's converter does it (iconv, as on every Debian machine); a character it cannot
# write fails the build rather than shipping a "?".
file(READ "${SRC}" text)
string(REPLACE "@NORVELLE_VERSION@" "${VERSION}" text "${text}")
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE "${DST}.utf8" "${text}")
find_program(ICONV iconv REQUIRED)
execute_process(COMMAND ${ICONV} -f UTF-8 -t CP932 "${DST}.utf8"
                OUTPUT_FILE "${DST}" RESULT_VARIABLE result ERROR_VARIABLE error)
file(REMOVE "${DST}.utf8")
if(NOT result EQUAL 0)
  file(REMOVE "${DST}")
  message(FATAL_ERROR "${SRC} cannot be written in code page 932: ${error}")
endif()
