# What norvelle.exe loads, installed beside it so that the unpacked folder runs on a Windows
# with nothing else installed: the Qt libraries, the platform and style plugins, Qt's own
# Japanese translation and the compiler's runtime libraries. Nothing the window does not load.

get_target_property(norvelle_qtcore_dll Qt6::Core IMPORTED_LOCATION_RELEASE)
if(NOT norvelle_qtcore_dll)
  get_target_property(norvelle_qtcore_dll Qt6::Core IMPORTED_LOCATION)
endif()
get_filename_component(norvelle_qt_bin ${norvelle_qtcore_dll} DIRECTORY)
get_filename_component(norvelle_qt_prefix ${norvelle_qt_bin} DIRECTORY)
set(NORVELLE_QT_WIN64_BIN ${norvelle_qt_bin} CACHE INTERNAL "Qt's DLLs, for Wine's path")

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
install(FILES ${CMAKE_CURRENT_LIST_DIR}/../packaging/windows/qt.conf
        DESTINATION ${NORVELLE_PROGRAM_DIR})

# The Japanese texts of Qt's buttons and dialogs: the Linux Qt's translation of the same version
# (qt6-translations-l10n), the same file on every platform.
find_file(NORVELLE_QTBASE_JA qtbase_ja.qm PATHS /usr/share/qt6/translations NO_DEFAULT_PATH
          NO_CMAKE_FIND_ROOT_PATH REQUIRED)
install(FILES ${NORVELLE_QTBASE_JA} DESTINATION ${NORVELLE_PROGRAM_DIR}/translations)

# The C++ runtime Qt and the window were built with.
set(norvelle_runtime_dlls)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${found}" OR NOT EXISTS "${found}")
    message(FATAL_ERROR "The compiler's ${dll} was not found")
  endif()
  list(APPEND norvelle_runtime_dlls ${found})
endforeach()
foreach(dll ${norvelle_runtime_dlls})
  norvelle_runtime_file(${dll} .)
endforeach()
add_custom_target(norvelle_runtime ALL DEPENDS ${norvelle_runtime_outputs})
