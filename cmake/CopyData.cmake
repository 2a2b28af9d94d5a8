# Copies plugins/*.spd and docs/norvelle.txt beside the program, byte for byte.
file(GLOB plugins "${SRC}/plugins/*.spd")
foreach(p ${plugins})
  file(COPY "${p}" DESTINATION "${DST}")
endforeach()
if(EXISTS "${SRC}/docs/norvelle.txt")
  file(COPY "${SRC}/docs/norvelle.txt" DESTINATION "${DST}")
endif()
