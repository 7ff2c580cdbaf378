; Quillon7 Setup: installs the Windows programs for every user of the machine into
; Program Files\Quillon7, with Start menu entries and an entry under Apps to uninstall them.
; scripts/package-windows.sh builds it:
;   makensis -DVERSION=0.5 -DFILE_VERSION=0.5.0.0 -DSTAGE=DIR -DOUT_FILE=Setup.exe [-DHAVE_GUI]
;            quillon7.nsi
; STAGE holds the files to install: quillon7-cli.exe, README.txt, COPYRIGHT.txt, Installed.txt
; and, with HAVE_GUI, quillon7.exe.
;
; The settings, history and logs of the technicians stay in their own %LOCALAPPDATA%\Quillon7:
; Installed.txt beside the programs tells them so, even where they could write into Program
; Files, and uninstalling never touches that folder. Installing over an earlier version replaces
; the programs and keeps the one uninstall entry.

!macro REQUIRE NAME
  !ifndef ${NAME}
    !error "${NAME} is not defined: makensis -DVERSION=X.Y -DFILE_VERSION=X.Y.0.0 -DSTAGE=DIR -DOUT_FILE=FILE [-DHAVE_GUI] quillon7.nsi"
  !endif
!macroend
!insertmacro REQUIRE VERSION
!insertmacro REQUIRE FILE_VERSION
!insertmacro REQUIRE STAGE
!insertmacro REQUIRE OUT_FILE

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh
!include MUI2.nsh

!define PRODUCT "Quillon7"
!define PUBLISHER "Quillon7"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillon7"
!define MENU_FOLDER "$SMPROGRAMS\Quillon7"
!ifdef HAVE_GUI
  !define MAIN_PROGRAM "quillon7.exe"
!else
  !define MAIN_PROGRAM "quillon7-cli.exe"
!endif

Name "${PRODUCT} ${VERSION}"
OutFile "${OUT_FILE}"
InstallDir "$PROGRAMFILES64\Quillon7"
; An upgrade goes where the installed version is.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
ManifestDPIAware true
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${FILE_VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "The owners of Quillon7"

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP "Quillon7 needs a 64-bit Windows." /SD IDOK
    Abort
  ${EndIf}
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Section "Quillon7"
  SetOutPath "$INSTDIR"
  File "${STAGE}\quillon7-cli.exe"
!ifdef HAVE_GUI
  File "${STAGE}\quillon7.exe"
!else
  ; An earlier package may have brought the desktop program: it would be left out of date.
  Delete "$INSTDIR\quillon7.exe"
  Delete "${MENU_FOLDER}\Quillon7.lnk"
  Delete "${MENU_FOLDER}\Quillon7 (simulated unit).lnk"
!endif
  File "${STAGE}\README.txt"
  File "${STAGE}\COPYRIGHT.txt"
  File "${STAGE}\Installed.txt"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  ; The folder of settings, history and logs of the user who installs, so that the Start menu
  ; entry that opens it works before the first upload. Other users get theirs at first start.
  SetShellVarContext current
  CreateDirectory "$LOCALAPPDATA\Quillon7"
  SetShellVarContext all

  CreateDirectory "${MENU_FOLDER}"
!ifdef HAVE_GUI
  CreateShortcut "${MENU_FOLDER}\Quillon7.lnk" "$INSTDIR\quillon7.exe" "" \
      "$INSTDIR\quillon7.exe" 0 SW_SHOWNORMAL "" "Load firmware into HBD and KX2 units"
  CreateShortcut "${MENU_FOLDER}\Quillon7 (simulated unit).lnk" "$INSTDIR\quillon7.exe" \
      "--simulate" "$INSTDIR\quillon7.exe" 0 SW_SHOWNORMAL "" \
      "Try Quillon7 with a simulated unit behind the serial port"
!endif
  ; The shell expands the variable when the entry is opened: each user gets their own folder.
  CreateShortcut "${MENU_FOLDER}\Quillon7 logs and history.lnk" "$WINDIR\explorer.exe" \
      '"%LOCALAPPDATA%\Quillon7"' "" 0 SW_SHOWNORMAL "" \
      "Open the folder of the settings, upload history and message logs"
  CreateShortcut "${MENU_FOLDER}\Quillon7 readme.lnk" "$INSTDIR\README.txt"

  ; One entry under Apps, whichever version was there before.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${MAIN_PROGRAM}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

; Only what Setup put there: a file of anyone else's in the folder keeps it (and the folder).
Section "Uninstall"
  Delete "$INSTDIR\quillon7-cli.exe"
  Delete "$INSTDIR\quillon7.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\COPYRIGHT.txt"
  Delete "$INSTDIR\Installed.txt"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"

  Delete "${MENU_FOLDER}\Quillon7.lnk"
  Delete "${MENU_FOLDER}\Quillon7 (simulated unit).lnk"
  Delete "${MENU_FOLDER}\Quillon7 logs and history.lnk"
  Delete "${MENU_FOLDER}\Quillon7 readme.lnk"
  RMDir "${MENU_FOLDER}"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; %LOCALAPPDATA%\Quillon7 stays: the technicians' settings, history and logs.
SectionEnd
