# The tests of the Windows build, run under Wine by CTest as they are on Linux: in a Wine
# prefix of the build's own, with Qt's and the compiler's DLLs on Wine's path
# (NORVELLE_WINE_DLL_PATH, cmake/Windows.cmake).
#
# The tests that compare with the Linux program, and those that drive the window from outside
# with the Linux build's X helpers, need a Linux build of the same sources: name its folder in
# NORVELLE_LINUX_BUILD (./test.sh does).
set(NORVELLE_LINUX_BUILD "" CACHE PATH
    "A Linux build of the same sources, for the Windows tests that compare with it or need its X helpers")

set(norvelle_wine_prefix ${CMAKE_BINARY_DIR}/wine)
set(norvelle_wine_environment WINEPREFIX=${norvelle_wine_prefix} WINEDEBUG=-all
    "WINEDLLOVERRIDES=mscoree,mshtml=" LC_ALL=C.UTF-8 ${NORVELLE_SCRIPT_ENVIRONMENT})

# norvelle_wine_test(NAME [E2E] COMMAND ...): a test in the prefix; E2E ones run the program in an
# X server of their own, one at a time, after the others (label e2e).
function(norvelle_wine_test name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "E2E" "" "COMMAND;ENVIRONMENT")
  add_test(NAME ${name} COMMAND ${arg_COMMAND})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "${norvelle_wine_environment};${arg_ENVIRONMENT}"
    FIXTURES_REQUIRED wine_prefix TIMEOUT 600)
  if(arg_E2E)
    set_tests_properties(${name} PROPERTIES LABELS e2e RESOURCE_LOCK x11_display)
  else()
    # Without a display: nothing may reach the desktop of whoever runs the tests.
    set_tests_properties(${name} PROPERTIES ENVIRONMENT_MODIFICATION
                         "DISPLAY=unset:;WAYLAND_DISPLAY=unset:")
  endif()
endfunction()

# The prefix is made once; one Wine server serves the tests that run without an X server. Wine's
# server and its own services outlive the command that starts them, so they are started here
# with no output of CTest's to hold open: started by a test, they would keep its output open,
# and CTest waiting, until the server ends a minute later.
add_test(NAME wine_prefix COMMAND sh -c
  "{ [ -f \"$WINEPREFIX/system.reg\" ] || wineboot --init >wineboot.log 2>&1 || { cat wineboot.log; exit 1; }; } && wineserver -w && wineserver --persistent=60 </dev/null >/dev/null 2>&1 && wine cmd /c exit </dev/null >/dev/null 2>&1")
# The scenarios in an X server stop the server themselves: none may be left to stop.
add_test(NAME wine_prefix_end COMMAND sh -c "wineserver -k 2>/dev/null || true")
set_tests_properties(wine_prefix wine_prefix_end PROPERTIES ENVIRONMENT "${norvelle_wine_environment}"
                     ENVIRONMENT_MODIFICATION "DISPLAY=unset:;WAYLAND_DISPLAY=unset:")
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine_prefix TIMEOUT 300)
set_tests_properties(wine_prefix_end PROPERTIES FIXTURES_CLEANUP wine_prefix)

# Each test program as one test: starting Wine once for each of their cases would take minutes.
norvelle_wine_test(norvelle_core_tests COMMAND norvelle_core_tests --gtest_brief=1)
if(NOT TARGET norvelle_ui_tests)
  return()
endif()
norvelle_wine_test(norvelle_ui_tests COMMAND norvelle_ui_tests --gtest_brief=1
  ENVIRONMENT QT_QPA_PLATFORM=offscreen)
string(JOIN "\;" norvelle_wine_path ${NORVELLE_WINE_DLL_PATH})
set_property(TEST norvelle_ui_tests APPEND PROPERTY ENVIRONMENT "WINEPATH=${norvelle_wine_path}")

# The release: the archive's files, the import tables and resources of its programs, its
# READMEs and size; then the setup program, installed, upgraded and removed in a prefix of its
# own (it needs an X server: setup opens a document through the file type).
set(norvelle_release_environment NORVELLE_ARCHIVE=${NORVELLE_ARCHIVE}
    NORVELLE_SETUP=${NORVELLE_SETUP} NORVELLE_PROGRAM_FOLDER=${NORVELLE_PROGRAM_FOLDER})
norvelle_wine_test(windows_archive COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/cli/windows_archive.sh
  ENVIRONMENT ${norvelle_release_environment})
norvelle_wine_test(windows_setup E2E COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/cli/windows_setup.sh
  ENVIRONMENT ${norvelle_release_environment} NORVELLE_E2E_WINE=1 NORVELLE_E2E_LIMIT=300
              NORVELLE_E2E_ARTIFACTS=${CMAKE_BINARY_DIR}/setup)

if(NOT NORVELLE_LINUX_BUILD)
  message(STATUS "NORVELLE_LINUX_BUILD not set: the Windows tests that need a Linux build are left out")
  return()
endif()
# The Linux and the Windows norvelle-cli give the same bytes for the same files.
norvelle_wine_test(same_bytes COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/cli/same_bytes.sh
  ${NORVELLE_LINUX_BUILD}/cli/norvelle-cli $<TARGET_FILE:norvelle-cli> ${CMAKE_BINARY_DIR}/same-bytes)

# The staged program folder driven from outside in an X server of its own, with Wine speaking
# Japanese as a Japanese Windows does; the shell's "open" is seen through a stand-in handler.
add_executable(norvelle_e2e_record_open WIN32 e2e/record_open.cpp)
target_link_options(norvelle_e2e_record_open PRIVATE -municode -static)
set(norvelle_e2e_environment NORVELLE_E2E_WINE=1 NORVELLE_E2E_LIMIT=300
    NORVELLE_BIN=${NORVELLE_PROGRAM_FOLDER}
    NORVELLE_E2E_CLOSE=${NORVELLE_LINUX_BUILD}/tests/e2e/norvelle_e2e_close
    NORVELLE_E2E_RECORD_OPEN=$<TARGET_FILE:norvelle_e2e_record_open>
    NORVELLE_E2E_ARTIFACTS=${CMAKE_BINARY_DIR}/e2e)
foreach(scenario main_road software_data leaving shell_open)
  norvelle_wine_test(e2e_${scenario} E2E COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/e2e/${scenario}.sh
    ENVIRONMENT ${norvelle_e2e_environment})
endforeach()
