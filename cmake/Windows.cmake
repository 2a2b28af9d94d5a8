# Windows: the program folder is the root of what a user unpacks or installs, and the build
# makes the release from it: the archive norvelle-VERSION-win64.zip, the setup program
# norvelle-VERSION-setup.exe and SHA256SUMS, beside each other in the build folder.
set(NORVELLE_PROGRAM_DIR "." CACHE STRING "Program folder, relative to the install prefix")
set(NORVELLE_RELEASE_NAME norvelle-${PROJECT_VERSION}-win64)

# The READMEs are kept in UTF-8 in packaging/windows and shipped in code page 932 with CR LF,
# the way Windows users' editors and consoles read them.
set(norvelle_package_texts)
foreach(text README-ja.txt README.txt)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/packaging/${text})
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DSRC=${CMAKE_CURRENT_SOURCE_DIR}/packaging/windows/${text}
            -DDST=${out} -DVERSION=${PROJECT_VERSION}
            -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/Cp932Text.cmake
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/packaging/windows/${text}
            ${CMAKE_CURRENT_SOURCE_DIR}/cmake/Cp932Text.cmake
    COMMENT "Writing ${text} in code page 932")
  list(APPEND norvelle_package_texts ${out})
endforeach()
add_custom_target(norvelle_package_texts ALL DEPENDS ${norvelle_package_texts})
install(FILES ${norvelle_package_texts} DESTINATION ${NORVELLE_PROGRAM_DIR})

# How Windows runs both programs (versions, rights, screen scaling, long paths, the controls'
# style): one manifest, compiled into norvelle-cli.exe and norvelle.exe.
set(NORVELLE_MANIFEST ${CMAKE_CURRENT_SOURCE_DIR}/src/ui/platform/win32/norvelle.manifest)
configure_file(cli/norvelle-cli.rc.in ${CMAKE_CURRENT_BINARY_DIR}/norvelle-cli.rc @ONLY)
target_sources(norvelle-cli PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/norvelle-cli.rc)
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/norvelle-cli.rc TARGET_DIRECTORY norvelle-cli
                            PROPERTIES OBJECT_DEPENDS ${NORVELLE_MANIFEST})

if(NOT TARGET norvelle)
  return()  # norvelle-cli alone: no window to ship
endif()

# A window program (no console), with its icon and version information for Explorer.
math(EXPR NORVELLE_VERSION_MINOR "${PROJECT_VERSION_MINOR}")
set(NORVELLE_ICON ${CMAKE_CURRENT_SOURCE_DIR}/src/ui/platform/icons/norvelle.ico)
configure_file(src/ui/platform/win32/norvelle.rc.in ${CMAKE_CURRENT_BINARY_DIR}/norvelle.rc @ONLY)
target_sources(norvelle PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/norvelle.rc)
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/norvelle.rc PROPERTIES
                            OBJECT_DEPENDS "${NORVELLE_ICON};${NORVELLE_MANIFEST}")
set_target_properties(norvelle PROPERTIES WIN32_EXECUTABLE ON)

# What norvelle.exe loads, installed beside it so that the program folder runs on a Windows
# with nothing else installed: the Qt libraries, the platform and style plugins, Qt's own
# Japanese translation and the compiler's runtime libraries. Nothing the window does not load.
get_target_property(norvelle_qtcore_dll Qt6::Core IMPORTED_LOCATION_RELEASE)
if(NOT norvelle_qtcore_dll)
  get_target_property(norvelle_qtcore_dll Qt6::Core IMPORTED_LOCATION)
endif()
get_filename_component(norvelle_qt_bin ${norvelle_qtcore_dll} DIRECTORY)
get_filename_component(norvelle_qt_prefix ${norvelle_qt_bin} DIRECTORY)

# Stripped copies: the libraries as built carry their symbol tables, twice the size.
set(norvelle_runtime_dir ${CMAKE_CURRENT_BINARY_DIR}/runtime)
set(norvelle_runtime_outputs)
function(norvelle_runtime_file source destination)
  get_filename_component(name ${source} NAME)
  set(out ${norvelle_runtime_dir}/${destination}/${name})
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${norvelle_runtime_dir}/${destination}
    COMMAND ${CMAKE_STRIP} --strip-unneeded -o ${out} ${source}
    DEPENDS ${source} COMMENT "Stripping ${name}")
  install(FILES ${out} DESTINATION ${NORVELLE_PROGRAM_DIR}/${destination})
  set(norvelle_runtime_outputs ${norvelle_runtime_outputs} ${out} PARENT_SCOPE)
endfunction()

foreach(dll Qt6Core Qt6Gui Qt6Widgets)
  norvelle_runtime_file(${norvelle_qt_bin}/${dll}.dll .)
endforeach()
norvelle_runtime_file(${norvelle_qt_prefix}/plugins/platforms/qwindows.dll plugins/platforms)
norvelle_runtime_file(${norvelle_qt_prefix}/plugins/styles/qwindowsvistastyle.dll plugins/styles)
# Qt looks for its plugins and translations under the prefix qt.conf names: the program folder.
install(FILES packaging/windows/qt.conf DESTINATION ${NORVELLE_PROGRAM_DIR})

# The Japanese texts of Qt's buttons and dialogs: the Linux Qt's translation of the same version
# (qt6-translations-l10n), the same file on every platform.
find_file(NORVELLE_QTBASE_JA qtbase_ja.qm PATHS /usr/share/qt6/translations NO_DEFAULT_PATH
          NO_CMAKE_FIND_ROOT_PATH REQUIRED)
install(FILES ${NORVELLE_QTBASE_JA} DESTINATION ${NORVELLE_PROGRAM_DIR}/translations)

# The C++ runtime Qt and the window were built with.
set(norvelle_compiler_dll_dirs)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${found}" OR NOT EXISTS "${found}")
    message(FATAL_ERROR "The compiler's ${dll} was not found")
  endif()
  norvelle_runtime_file(${found} .)
  get_filename_component(folder ${found} DIRECTORY)
  list(APPEND norvelle_compiler_dll_dirs ${folder})
endforeach()
add_custom_target(norvelle_runtime ALL DEPENDS ${norvelle_runtime_outputs})

# Where the programs built here find Qt's and the compiler's DLLs when Wine runs them (the
# window tests), as Windows paths: Linux's / is drive Z: under Wine.
list(REMOVE_DUPLICATES norvelle_compiler_dll_dirs)
set(NORVELLE_WINE_DLL_PATH)
foreach(folder ${norvelle_qt_bin} ${norvelle_compiler_dll_dirs})
  get_filename_component(folder ${folder} REALPATH)
  list(APPEND NORVELLE_WINE_DLL_PATH "Z:${folder}")
endforeach()
list(REMOVE_DUPLICATES NORVELLE_WINE_DLL_PATH)

# The release, made from one staged install (`cmake --install --strip`): the archive holds that
# folder, and setup installs exactly its files, so the two always ship the same bytes.
set(norvelle_stage ${CMAKE_CURRENT_BINARY_DIR}/stage)
set(NORVELLE_PROGRAM_FOLDER ${norvelle_stage}/${NORVELLE_RELEASE_NAME})
set(NORVELLE_ARCHIVE ${CMAKE_CURRENT_BINARY_DIR}/${NORVELLE_RELEASE_NAME}.zip)
set(NORVELLE_SETUP ${CMAKE_CURRENT_BINARY_DIR}/norvelle-${PROJECT_VERSION}-setup.exe)
file(GLOB norvelle_shipped_plugins CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/plugins/*.spd)
add_custom_command(OUTPUT ${norvelle_stage}/staged
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${norvelle_stage}
  COMMAND ${CMAKE_COMMAND} --install ${CMAKE_CURRENT_BINARY_DIR} --prefix ${NORVELLE_PROGRAM_FOLDER}
          --strip >${CMAKE_CURRENT_BINARY_DIR}/stage.log
  COMMAND ${CMAKE_COMMAND} -E touch ${norvelle_stage}/staged
  DEPENDS norvelle norvelle-cli ${norvelle_runtime_outputs} ${norvelle_package_texts} ${norvelle_shipped_plugins}
          ${CMAKE_CURRENT_SOURCE_DIR}/docs/norvelle.txt
          ${CMAKE_CURRENT_SOURCE_DIR}/packaging/windows/qt.conf ${NORVELLE_QTBASE_JA}
  COMMENT "Staging the program folder of the release")
add_custom_command(OUTPUT ${NORVELLE_ARCHIVE}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${NORVELLE_ARCHIVE}
  COMMAND ${CMAKE_COMMAND} -E tar cf ${NORVELLE_ARCHIVE} --format=zip ${NORVELLE_RELEASE_NAME}
  WORKING_DIRECTORY ${norvelle_stage}
  DEPENDS ${norvelle_stage}/staged
  COMMENT "Packing ${NORVELLE_RELEASE_NAME}.zip")
add_custom_command(OUTPUT ${NORVELLE_SETUP}
  COMMAND ${CMAKE_COMMAND} -DSTAGE=${NORVELLE_PROGRAM_FOLDER} -DOUTFILE=${NORVELLE_SETUP}
          -DVERSION=${PROJECT_VERSION} -DPUBLISHER=Norvelle -DICON=${NORVELLE_ICON}
          -DNSI=${CMAKE_CURRENT_SOURCE_DIR}/packaging/windows/setup.nsi
          -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/WindowsSetupPack.cmake
  DEPENDS ${norvelle_stage}/staged ${CMAKE_CURRENT_SOURCE_DIR}/packaging/windows/setup.nsi
          ${CMAKE_CURRENT_SOURCE_DIR}/cmake/WindowsSetupPack.cmake
  COMMENT "Packing norvelle-${PROJECT_VERSION}-setup.exe")
# What a user can check a download against, in the format `sha256sum -c` reads.
add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/SHA256SUMS
  COMMAND ${CMAKE_COMMAND} -E sha256sum ${NORVELLE_RELEASE_NAME}.zip
          norvelle-${PROJECT_VERSION}-setup.exe >SHA256SUMS
  DEPENDS ${NORVELLE_ARCHIVE} ${NORVELLE_SETUP}
  WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
  COMMENT "Writing SHA256SUMS")
add_custom_target(norvelle_release ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/SHA256SUMS)
