# The release archive of the Windows build: `cmake --build build/win64 --target package` makes
# norvelle-VERSION-win64.zip with norvelle.exe and what it loads (cmake/WindowsQtRuntime.cmake),
# norvelle-cli.exe, the plugins, the help file and the READMEs. The READMEs are kept in UTF-8
# in packaging/windows and shipped in code page 932
# with CR LF, the way Windows users' editors and consoles read them.

set(NORVELLE_PACKAGE_TEXTS README-ja.txt README.txt)
set(norvelle_package_outputs)
foreach(text ${NORVELLE_PACKAGE_TEXTS})
  set(out ${CMAKE_CURRENT_BINARY_DIR}/packaging/${text})
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DSRC=${CMAKE_CURRENT_SOURCE_DIR}/packaging/windows/${text}
            -DDST=${out} -DVERSION=${PROJECT_VERSION}
            -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/Cp932Text.cmake
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/packaging/windows/${text}
            ${CMAKE_CURRENT_SOURCE_DIR}/cmake/Cp932Text.cmake
    COMMENT "Writing ${text} in code page 932")
  list(APPEND norvelle_package_outputs ${out})
endforeach()
add_custom_target(norvelle_package_texts ALL DEPENDS ${norvelle_package_outputs})
install(FILES ${norvelle_package_outputs} DESTINATION ${NORVELLE_PROGRAM_DIR})

if(TARGET norvelle)
  include(${CMAKE_CURRENT_LIST_DIR}/WindowsQtRuntime.cmake)
endif()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME norvelle)
set(CPACK_PACKAGE_VENDOR Norvelle)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME norvelle-${PROJECT_VERSION}-win64)
# One folder in the archive, named like the archive, so that unpacking it puts nothing loose.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
include(${CMAKE_CURRENT_LIST_DIR}/WindowsSetup.cmake)
include(CPack)
