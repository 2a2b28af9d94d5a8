# The Windows setup program: `cmake --build BUILD --target norvelle_setup` installs the build
# into BUILD/setup/stage (stripped, the same tree as the release archive) and packs that folder
# with NSIS into norvelle-VERSION-setup.exe: a per-user install with a Start menu shortcut, the
# .sft file type and an uninstaller (packaging/windows/setup.nsi).
if(NOT TARGET norvelle)
  return()  # the setup program installs the window; a build of norvelle-cli alone has none
endif()

set(NORVELLE_SETUP_FILE ${CMAKE_BINARY_DIR}/norvelle-${PROJECT_VERSION}-setup.exe)
set(norvelle_setup_stage ${CMAKE_BINARY_DIR}/setup/stage)
add_custom_target(norvelle_setup
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${norvelle_setup_stage}
  COMMAND ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR} --prefix ${norvelle_setup_stage} --strip
  COMMAND ${CMAKE_COMMAND} -DSTAGE=${norvelle_setup_stage} -DOUTFILE=${NORVELLE_SETUP_FILE}
          -DVERSION=${PROJECT_VERSION} -DPUBLISHER=Norvelle
          -DICON=${CMAKE_SOURCE_DIR}/src/platform/icons/norvelle.ico
          -DNSI=${CMAKE_SOURCE_DIR}/packaging/windows/setup.nsi
          -P ${CMAKE_CURRENT_LIST_DIR}/WindowsSetupPack.cmake
  BYPRODUCTS ${NORVELLE_SETUP_FILE}
  COMMENT "Packing norvelle-${PROJECT_VERSION}-setup.exe"
  VERBATIM)
# Everything the install puts into the program folder is built first.
add_dependencies(norvelle_setup norvelle norvelle-cli norvelle_package_texts)
