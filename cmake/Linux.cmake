# Linux: the program folder under the prefix's lib, the programs on the PATH, and what the
# desktop, man and bash need to find them.
set(NORVELLE_PROGRAM_DIR "lib/norvelle" CACHE STRING "Program folder, relative to the install prefix")

# On the PATH: links into the program folder, relative so that a staged or moved install still
# works. The window makes its own folder its working directory wherever it is started from.
file(RELATIVE_PATH norvelle_bin_to_program /prefix/bin /prefix/${NORVELLE_PROGRAM_DIR})
set(norvelle_on_path norvelle-cli)
if(TARGET norvelle)
  list(APPEND norvelle_on_path norvelle)
endif()
install(CODE "
  set(bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
  file(MAKE_DIRECTORY \"\${bin}\")
  foreach(program ${norvelle_on_path})
    file(CREATE_LINK \"${norvelle_bin_to_program}/\${program}\" \"\${bin}/\${program}\" SYMBOLIC)
    message(STATUS \"Installing: \${bin}/\${program}\")
  endforeach()")
install(FILES docs/norvelle-cli.1 DESTINATION share/man/man1)
install(FILES desktop/norvelle-cli.bash RENAME norvelle-cli
        DESTINATION share/bash-completion/completions)
if(NOT TARGET norvelle)
  return()
endif()

# The desktop entry and the icon for the desktop's menus; the manual page; the .sft file type
# for the desktop's MIME database, which the program opens when given one; the entry of the
# software catalogue.
foreach(size 16 24 32 48 64 128 256)
  install(FILES src/ui/platform/icons/norvelle-${size}.png RENAME norvelle.png
          DESTINATION share/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES src/ui/platform/icons/norvelle.svg DESTINATION share/icons/hicolor/scalable/apps)
install(CODE "
  set(NORVELLE_DESKTOP_TEMPLATE \"${CMAKE_CURRENT_SOURCE_DIR}/desktop/norvelle.desktop.in\")
  set(NORVELLE_DESKTOP_STAGING \"${CMAKE_CURRENT_BINARY_DIR}/desktop/norvelle.desktop\")
  set(NORVELLE_PROGRAM_DIR \"${NORVELLE_PROGRAM_DIR}\")")
install(SCRIPT desktop/InstallDesktopEntry.cmake)
install(FILES docs/norvelle.1 DESTINATION share/man/man1)
install(FILES desktop/norvelle-sft.xml RENAME norvelle.xml DESTINATION share/mime/packages)
install(FILES desktop/org.example.norvelle.metainfo.xml DESTINATION share/metainfo)
# The databases that find the file type and the program to open it with are brought up to date
# when installing for real (not into DESTDIR).
install(CODE [[
  if("$ENV{DESTDIR}" STREQUAL "")
    find_program(NORVELLE_UPDATE_MIME update-mime-database)
    find_program(NORVELLE_UPDATE_DESKTOP update-desktop-database)
    if(NORVELLE_UPDATE_MIME)
      execute_process(COMMAND "${NORVELLE_UPDATE_MIME}" "${CMAKE_INSTALL_PREFIX}/share/mime")
    endif()
    if(NORVELLE_UPDATE_DESKTOP)
      execute_process(COMMAND "${NORVELLE_UPDATE_DESKTOP}" -q
                              "${CMAKE_INSTALL_PREFIX}/share/applications")
    endif()
  endif()
]])
