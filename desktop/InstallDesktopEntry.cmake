# Writes the desktop entry for the prefix being installed to, and installs it. This runs at
# install time because `cmake --install --prefix` may name another prefix than the one the
# build was configured with, and the entry must name the program and its folder by
# their full paths.
#
# In: NORVELLE_DESKTOP_TEMPLATE (norvelle.desktop.in), NORVELLE_DESKTOP_STAGING (a file
# named norvelle.desktop in the build tree), NORVELLE_PROGRAM_DIR (relative to the prefix).

get_filename_component(prefix "${CMAKE_INSTALL_PREFIX}" ABSOLUTE)
set(program "${prefix}/bin/norvelle")
set(program_dir "${prefix}/${NORVELLE_PROGRAM_DIR}")

# Exec: a path with characters beyond the plain ones is quoted, with ", `, $ and \ escaped
# inside the quotes; then, as in every value, each \ is doubled, and % is doubled as Exec
# wants.
set(exec "${program}")
if(exec MATCHES "[^A-Za-z0-9_./+-]")
  string(REPLACE "\\" "\\\\" exec "${exec}")
  string(REPLACE "\"" "\\\"" exec "${exec}")
  string(REPLACE "`" "\\`" exec "${exec}")
  string(REPLACE "$" "\\$" exec "${exec}")
  set(exec "\"${exec}\"")
endif()
string(REPLACE "\\" "\\\\" exec "${exec}")
string(REPLACE "%" "%%" exec "${exec}")
string(REPLACE "\\" "\\\\" path "${program_dir}")

set(NORVELLE_DESKTOP_EXEC "${exec}")
set(NORVELLE_DESKTOP_PATH "${path}")
configure_file("${NORVELLE_DESKTOP_TEMPLATE}" "${NORVELLE_DESKTOP_STAGING}" @ONLY)
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/share/applications" TYPE FILE
     FILES "${NORVELLE_DESKTOP_STAGING}")
