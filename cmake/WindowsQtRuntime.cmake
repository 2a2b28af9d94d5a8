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

install(FILES ${norvelle_qt_bin}/Qt6Core.dll ${norvelle_qt_bin}/Qt6Gui.dll
              ${norvelle_qt_bin}/Qt6Widgets.dll
        DESTINATION ${NORVELLE_PROGRAM_DIR})
install(FILES ${norvelle_qt_prefix}/plugins/platforms/qwindows.dll
        DESTINATION ${NORVELLE_PROGRAM_DIR}/plugins/platforms)
install(FILES ${norvelle_qt_prefix}/plugins/styles/qwindowsvistastyle.dll
        DESTINATION ${NORVELLE_PROGRAM_DIR}/plugins/styles)
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
set(NORVELLE_MINGW_RUNTIME_DLLS ${norvelle_runtime_dlls} CACHE INTERNAL "")
install(FILES ${norvelle_runtime_dlls} DESTINATION ${NORVELLE_PROGRAM_DIR})
