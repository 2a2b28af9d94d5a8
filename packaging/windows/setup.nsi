; The setup program of Norvelle for Windows: installs the program folder for the current user
; without administrator rights, adds a Start menu shortcut, the .sft file type and an entry
; under Settings → Apps, and writes an uninstaller that leaves the user's registered lists.
;
; Packed by cmake/WindowsSetupPack.cmake from the staged program folder (cmake/Windows.cmake),
; which passes:
;   VERSION    the program's version (project() in CMakeLists.txt)
;   PUBLISHER  the name Settings → Apps shows as publisher
;   OUTFILE    the setup program to write
;   ICON       the program's icon, for setup and the uninstaller
;   FILES      the generated list of File commands: the install tree, folder by folder
;   UNFILES    the generated list of Delete and RMDir commands for the same files
;   SIZE_KB    the install tree's size in KiB, as Settings → Apps shows it
; and optionally FAST (zlib instead of solid LZMA, for test builds).

Unicode true
Target amd64-unicode
!ifdef FAST
  SetCompressor zlib
!else
  SetCompressor /SOLID lzma
  SetCompressorDictSize 32
!endif
; Installed files get the time of installing; the setup program's bytes then depend on the
; install tree's contents alone.
SetDateSave off

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define PRODUCT Norvelle
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define CLASSES "Software\Classes"
!define PROGID "Norvelle.sft"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0.0"
VIFileVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=1041 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1041 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1041 "FileDescription" "${PRODUCT} ${VERSION} セットアップ"
VIAddVersionKey /LANG=1041 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "LegalCopyright" "${PUBLISHER}"

; The folder of an earlier install, empty when there is none.
Var PreviousDir

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_UNABORTWARNING

!define MUI_WELCOMEPAGE_TEXT "${PRODUCT} ${VERSION} (Readme作成ツール) をこのコンピュータにインストールします。$\r$\n$\r$\nインストールはお使いのユーザーのためだけに行うので、管理者の権限は要りません。スタート メニューに ${PRODUCT} を加え、.sft ファイル (ソフトデータ) を ${PRODUCT} で開けるようにします。$\r$\n$\r$\n以前のバージョンがインストールされているときは、登録したリストを残してそのフォルダに上書きします。$\r$\n$\r$\n「次へ」をクリックして続けてください。"
!insertmacro MUI_PAGE_WELCOME
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipDirectoryOnUpgrade
!define MUI_DIRECTORYPAGE_TEXT_TOP "${PRODUCT} は、登録したメールアドレス、ホームページ、必要ファイル、著作権者 (EMAIL.dat、HomePage.dat、Needfiles.dat、copyright.dat) をプログラムのフォルダに保存します。書き込みのできるフォルダを選んでください。$\r$\n$\r$\n管理者の権限は要りません。"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\norvelle.exe"
!define MUI_FINISHPAGE_RUN_TEXT "${PRODUCT} を起動する"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "Japanese"

; The Explorer windows and the desktop show the file type's new icon and program at once.
!macro NotifyAssociationChange
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0x1000, p 0, p 0)' ; SHCNE_ASSOCCHANGED, SHCNF_FLUSH
!macroend

; Windows keeps the files of a running program from being replaced or deleted: setup or the
; uninstaller would stop halfway and leave a folder of mixed versions. A running norvelle.exe
; holds a mutex named after its folder (src/ui/platform/win32/QtPlatformDesktop.cpp): the
; folder's full long path, upper-cased as Windows compares names, "\" made "/", its last 240
; characters. CloseNorvelleFirst looks for the one of $INSTDIR before any file is touched and
; asks the user to close Norvelle; a silent run ends with exit code 2 and changes nothing.
!macro DefineCloseNorvelleFirst UN WHAT
Function ${UN}NorvelleRunning
  Push $1
  Push $2
  Push $3
  Push $4
  StrCpy $1 $INSTDIR
  System::Call 'kernel32::GetLongPathNameW(w r1, w .r2, i ${NSIS_MAX_STRLEN}) i .r3'
  ${If} $3 > 0
  ${AndIf} $3 < ${NSIS_MAX_STRLEN}
    StrCpy $1 $2
  ${EndIf}
  StrCpy $2 $1 1 -1
  ${If} $2 == "\"
    StrCpy $1 $1 -1
  ${EndIf}
  StrLen $3 $1
  System::Call 'user32::CharUpperBuffW(w r1 r1, i r3)'
  StrCpy $2 ""
  StrCpy $3 0
  ${Do}
    StrCpy $4 $1 1 $3
    ${IfThen} $4 == "\" ${|} StrCpy $4 "/" ${|}
    StrCpy $2 "$2$4"
    IntOp $3 $3 + 1
  ${LoopUntil} $4 == ""
  StrLen $3 $2
  ${IfThen} $3 > 240 ${|} StrCpy $2 $2 "" -240 ${|}
  System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "Local\${PRODUCT} $2") p .r3' ; SYNCHRONIZE
  ${If} $3 != 0
    System::Call 'kernel32::CloseHandle(p r3)'
    StrCpy $0 1
  ${Else}
    StrCpy $0 0
  ${EndIf}
  Pop $4
  Pop $3
  Pop $2
  Pop $1
FunctionEnd

Function ${UN}CloseNorvelleFirst
  Push $0
  ${Do}
    Call ${UN}NorvelleRunning
    ${IfThen} $0 == 0 ${|} ${Break} ${|}
    ${If} ${Silent}
    ${OrIf} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${PRODUCT} が起動しています。$\r$\n$\r$\n${PRODUCT} を終了してから「再試行」をクリックしてください。「キャンセル」をクリックすると、何も変更せずに${WHAT}を終了します。" IDCANCEL`
      SetErrorLevel 2
      Quit
    ${EndIf}
  ${Loop}
  Pop $0
FunctionEnd
!macroend
!insertmacro DefineCloseNorvelleFirst "" "セットアップ"
!insertmacro DefineCloseNorvelleFirst "un." "アンインストール"

Function .onInit
  SetShellVarContext current
  ReadRegStr $PreviousDir HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ; The folder setup starts with (an earlier install's, or /D): asked before the first page.
  Call CloseNorvelleFirst
FunctionEnd

; An installed Norvelle is upgraded where it is: its folder holds the user's registered lists.
Function SkipDirectoryOnUpgrade
  ${If} $PreviousDir != ""
  ${AndIf} ${FileExists} "$PreviousDir\uninstall.exe"
    Abort
  ${EndIf}
FunctionEnd

; The program that opens .sft files now, as Explorer chooses it: the user's own choice in
; Explorer first, then the user's file types, then the machine's. Empty when there is none.
Function SftOwner
  Push $0
  ReadRegStr $0 HKCU "Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\.sft\UserChoice" "ProgId"
  ${If} $0 == ""
    ReadRegStr $0 HKCU "${CLASSES}\.sft" ""
  ${EndIf}
  ${If} $0 == ""
    ReadRegStr $0 HKLM "${CLASSES}\.sft" ""
  ${EndIf}
  Exch $0
FunctionEnd

Section
  SetShellVarContext current
  ; The folder the user chose, before anything in it is touched.
  Call CloseNorvelleFirst

  ; Over an earlier install in the same folder, its own uninstaller first removes the files
  ; that install put there, so that none of an older version stays behind; it leaves the
  ; registered lists, the shortcut and the registry to this setup.
  ${If} $PreviousDir == $INSTDIR
  ${AndIf} ${FileExists} "$INSTDIR\uninstall.exe"
    DetailPrint "以前のバージョンのファイルを削除しています"
    ExecWait '"$INSTDIR\uninstall.exe" /S /UPGRADE _?=$INSTDIR'
  ${EndIf}

  !include /CHARSET=UTF8 "${FILES}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The Start menu shortcut starts the program in its folder.
  SetOutPath "$INSTDIR"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\norvelle.exe" "" "$INSTDIR\norvelle.exe" 0 \
      SW_SHOWNORMAL "" "Readme作成ツール"

  ; The .sft file type. Norvelle becomes the program that opens .sft files unless another
  ; program is that already: then it is only offered under "プログラムから開く" and the user
  ; decides in Explorer.
  WriteRegStr HKCU "${CLASSES}\${PROGID}" "" "${PRODUCT} ソフトデータ"
  WriteRegStr HKCU "${CLASSES}\${PROGID}\DefaultIcon" "" '"$INSTDIR\norvelle.exe",0'
  WriteRegStr HKCU "${CLASSES}\${PROGID}\shell\open\command" "" '"$INSTDIR\norvelle.exe" "%1"'
  WriteRegStr HKCU "${CLASSES}\.sft\OpenWithProgids" "${PROGID}" ""
  Call SftOwner
  Pop $0
  ${If} $0 == ""
  ${OrIf} $0 == "${PROGID}"
    WriteRegStr HKCU "${CLASSES}\.sft" "" "${PROGID}"
  ${Else}
    DetailPrint ".sft ファイルは $0 で開くように設定されているため、変更しませんでした"
    MessageBox MB_OK|MB_ICONINFORMATION ".sft ファイルは、すでに別のプログラム ($0) で開くように設定されています。この設定は変更しませんでした。$\r$\n$\r$\n${PRODUCT} で開くには、.sft ファイルを右クリックして「プログラムから開く」から ${PRODUCT} を選んでください。" /SD IDOK
  ${EndIf}
  !insertmacro NotifyAssociationChange

  ; Settings → Apps
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\norvelle.exe",0'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Adds the file's name to $1 when the user's file is in the program folder.
!macro ListKeptFile NAME
  ${If} ${FileExists} "$INSTDIR\${NAME}"
    StrCpy $1 "$1$\r$\n    ${NAME}"
  ${EndIf}
!macroend

; Deletes a key of the user's when nothing is left in it: no value (the unnamed one included)
; and no subkey.
!macro DeleteKeyIfEmpty KEY
  ReadRegStr $0 HKCU "${KEY}" ""
  EnumRegValue $1 HKCU "${KEY}" 0
  EnumRegValue $2 HKCU "${KEY}" 1
  EnumRegKey $3 HKCU "${KEY}" 0
  ${If} "$0$1$2$3" == ""
    DeleteRegKey HKCU "${KEY}"
  ${EndIf}
!macroend

Function un.onInit
  SetShellVarContext current
  Call un.CloseNorvelleFirst
FunctionEnd

Section "Uninstall"
  ; The files setup installed, and the folders that are empty then; nothing else.
  !include /CHARSET=UTF8 "${UNFILES}"

  ; Called by a newer setup over this install: the files are all it asks to remove.
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/UPGRADE" $1
  ${IfNot} ${Errors}
    Return
  ${EndIf}

  Delete "$SMPROGRAMS\${PRODUCT}.lnk"

  ; The .sft file type: Norvelle's own key, its place in "プログラムから開く", and the
  ; extension's program only where it is still Norvelle. What other programs put there stays.
  DeleteRegKey HKCU "${CLASSES}\${PROGID}"
  DeleteRegValue HKCU "${CLASSES}\.sft\OpenWithProgids" "${PROGID}"
  ReadRegStr $0 HKCU "${CLASSES}\.sft" ""
  ${If} $0 == "${PROGID}"
    DeleteRegValue HKCU "${CLASSES}\.sft" ""
  ${EndIf}
  !insertmacro DeleteKeyIfEmpty "${CLASSES}\.sft\OpenWithProgids"
  !insertmacro DeleteKeyIfEmpty "${CLASSES}\.sft"
  !insertmacro NotifyAssociationChange

  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  Delete "$INSTDIR\uninstall.exe"
  ; The empty file two windows lock in turn while one changes a list: the program's, not the
  ; user's.
  Delete "$INSTDIR\.norvelle.lock"
  RMDir "$INSTDIR"

  ; The registered lists are the user's: they stay, with the folder, and the user is told.
  StrCpy $1 ""
  !insertmacro ListKeptFile EMAIL.dat
  !insertmacro ListKeptFile HomePage.dat
  !insertmacro ListKeptFile Needfiles.dat
  !insertmacro ListKeptFile copyright.dat
  ${If} $1 != ""
    DetailPrint "登録リストは残しました: $INSTDIR"
    MessageBox MB_OK|MB_ICONINFORMATION "${PRODUCT} を削除しました。$\r$\n$\r$\n登録したリストは削除していません。不要になったら、フォルダごと削除してください。$\r$\n$\r$\n$INSTDIR$1" /SD IDOK
  ${EndIf}
SectionEnd
