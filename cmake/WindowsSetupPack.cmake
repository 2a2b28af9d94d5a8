# Packs an installed program folder into the Windows setup program with NSIS (makensis).
# Usage: cmake -DSTAGE=DIR -DOUTFILE=setup.exe -DVERSION=x.yy -DPUBLISHER=NAME -DICON=x.ico
#              -DNSI=setup.nsi [-DFAST=ON] -P WindowsSetupPack.cmake
# Setup installs exactly the files of STAGE, in its folders, and its uninstaller removes exactly
# those (and the folders they leave empty), so the user's own files in the program folder stay.
foreach(var STAGE OUTFILE VERSION PUBLISHER ICON NSI)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "WindowsSetupPack.cmake needs -D${var}=...")
  endif()
endforeach()
find_program(MAKENSIS makensis)
if(NOT MAKENSIS)
  message(FATAL_ERROR "makensis is missing: install Debian's nsis package (scripts/deps.sh)")
endif()

get_filename_component(out_dir "${OUTFILE}" DIRECTORY)
get_filename_component(out_name "${OUTFILE}" NAME_WLE)
set(files_nsh "${out_dir}/${out_name}-files.nsh")
set(unfiles_nsh "${out_dir}/${out_name}-unfiles.nsh")

# A path inside an NSIS string: "$" doubled.
function(nsis_quote var text)
  string(REPLACE "$" "$$" quoted "${text}")
  set(${var} "${quoted}" PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${STAGE}" "${STAGE}/*")
list(SORT files)
if(NOT files)
  message(FATAL_ERROR "${STAGE} holds no files")
endif()

set(install_lines "")
set(remove_lines "")
set(folders "")
set(current_folder "-")
set(bytes 0)
foreach(file ${files})
  get_filename_component(folder "${file}" DIRECTORY)
  if(NOT folder STREQUAL current_folder)
    set(current_folder "${folder}")
    if(folder STREQUAL "")
      string(APPEND install_lines "SetOutPath \"$INSTDIR\"\n")
    else()
      string(REPLACE "/" "\\" win_folder "${folder}")
      nsis_quote(win_folder "${win_folder}")
      string(APPEND install_lines "SetOutPath \"$INSTDIR\\${win_folder}\"\n")
      # The folder and the folders above it, to remove once they are empty.
      set(up "${folder}")
      while(NOT up STREQUAL "")
        list(APPEND folders "${up}")
        get_filename_component(up "${up}" DIRECTORY)
      endwhile()
    endif()
  endif()
  nsis_quote(source "${STAGE}/${file}")
  string(APPEND install_lines "File \"${source}\"\n")
  string(REPLACE "/" "\\" win_file "${file}")
  nsis_quote(win_file "${win_file}")
  string(APPEND remove_lines "Delete \"$INSTDIR\\${win_file}\"\n")
  file(SIZE "${STAGE}/${file}" size)
  math(EXPR bytes "${bytes} + ${size}")
endforeach()
# Inner folders before the folders that hold them.
list(REMOVE_DUPLICATES folders)
list(SORT folders ORDER DESCENDING)
foreach(folder ${folders})
  string(REPLACE "/" "\\" win_folder "${folder}")
  nsis_quote(win_folder "${win_folder}")
  string(APPEND remove_lines "RMDir \"$INSTDIR\\${win_folder}\"\n")
endforeach()
file(WRITE "${files_nsh}" "${install_lines}")
file(WRITE "${unfiles_nsh}" "${remove_lines}")
math(EXPR size_kb "(${bytes} + 1023) / 1024")

set(fast "")
if(FAST)
  set(fast -DFAST)
endif()
execute_process(
  COMMAND "${MAKENSIS}" -V2 -NOCD -INPUTCHARSET UTF8 "-DVERSION=${VERSION}"
          "-DPUBLISHER=${PUBLISHER}" "-DOUTFILE=${OUTFILE}" "-DICON=${ICON}"
          "-DFILES=${files_nsh}" "-DUNFILES=${unfiles_nsh}" "-DSIZE_KB=${size_kb}" ${fast}
          "${NSI}"
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(REMOVE "${OUTFILE}")
  message(FATAL_ERROR "makensis failed on ${NSI}")
endif()
file(SIZE "${OUTFILE}" setup_bytes)
message(STATUS "${OUTFILE}: ${setup_bytes} bytes, installs ${size_kb} KiB")
