# The Windows setup program: `cmake --build BUILD --target norvelle_setup` makes the release
# archive (as the package target does), unpacks it into BUILD/setup/stage and packs that folder
# with NSIS into norvelle-VERSION-setup.exe: a per-user install with a Start menu shortcut, the
# .sft file type and an uninstaller (packaging/windows/setup.nsi). Setup thus installs the
# archive's files, byte for byte. SHA256SUMS beside them lets users check both downloads.
if(NOT TARGET norvelle)
  return()  # the setup program installs the window; a build of norvelle-cli alone has none
endif()

set(NORVELLE_SETUP_FILE ${CMAKE_BINARY_DIR}/norvelle-${PROJECT_VERSION}-setup.exe)
set(norvelle_setup_stage ${CMAKE_BINARY_DIR}/setup/stage)
add_custom_target(norvelle_setup
  COMMAND ${CMAKE_CPACK_COMMAND} --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${norvelle_setup_stage}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${norvelle_setup_stage}
  COMMAND ${CMAKE_COMMAND} -E chdir ${norvelle_setup_stage}
          ${CMAKE_COMMAND} -E tar xf ${CMAKE_BINARY_DIR}/${CPACK_PACKAGE_FILE_NAME}.zip
  COMMAND ${CMAKE_COMMAND} -DSTAGE=${norvelle_setup_stage}/${CPACK_PACKAGE_FILE_NAME}
          -DOUTFILE=${NORVELLE_SETUP_FILE} -DVERSION=${PROJECT_VERSION}
          -DPUBLISHER=${CPACK_PACKAGE_VENDOR}
          -DICON=${CMAKE_SOURCE_DIR}/src/platform/icons/norvelle.ico
          -DNSI=${CMAKE_SOURCE_DIR}/packaging/windows/setup.nsi
          -P ${CMAKE_CURRENT_LIST_DIR}/WindowsSetupPack.cmake
  COMMAND ${CMAKE_COMMAND} -DDIR=${CMAKE_BINARY_DIR}
          -DFILES=${CPACK_PACKAGE_FILE_NAME}.zip,norvelle-${PROJECT_VERSION}-setup.exe
          -P ${CMAKE_CURRENT_LIST_DIR}/Sha256Sums.cmake
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  BYPRODUCTS ${NORVELLE_SETUP_FILE} ${CMAKE_BINARY_DIR}/${CPACK_PACKAGE_FILE_NAME}.zip
             ${CMAKE_BINARY_DIR}/SHA256SUMS
  COMMENT "Packing ${CPACK_PACKAGE_FILE_NAME}.zip and norvelle-${PROJECT_VERSION}-setup.exe"
  VERBATIM)
# Everything the archive holds is built first: the programs, the READMEs and the stripped
# copies of the libraries the window loads.
add_dependencies(norvelle_setup norvelle norvelle-cli norvelle_package_texts)
if(TARGET norvelle_runtime)
  add_dependencies(norvelle_setup norvelle_runtime)
endif()
