; The Windows installer (scripts/package-windows runs makensis on it).
;   makensis -DVERSION=1.2.3.4 -DSTAGE=<install folder> -DOUTFILE=<setup.exe> listwright.nsi
; Installs the staged files into Program Files, with Start-menu and desktop shortcuts
; and an uninstaller that removes what it installed and nothing of the user's data.
; A 64-bit installer for a 64-bit program (and Wine's wine64 runs it).
Target amd64-unicode
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "x64.nsh"

Name "Listwright"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Listwright"
InstallDirRegKey HKLM "Software\Listwright" "InstallDir"
RequestExecutionLevel admin
VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductName" "Listwright"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "FileDescription" "Listwright 安装程序"
VIAddVersionKey /LANG=2052 "CompanyName" "Listwright"
VIAddVersionKey /LANG=2052 "LegalCopyright" "Listwright"

!define MUI_ICON "${STAGE}/listwright.ico"
!define MUI_UNICON "${STAGE}/listwright.ico"
!define MUI_FINISHPAGE_RUN "$INSTDIR\listwright.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Listwright"

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP "Listwright 需要 64 位 Windows。"
    Abort
  ${EndIf}
  SetRegView 64
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Listwright"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  !include "${STAGE}.files.nsh"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateDirectory "$SMPROGRAMS\Listwright"
  CreateShortcut "$SMPROGRAMS\Listwright\Listwright.lnk" "$INSTDIR\listwright.exe"
  CreateShortcut "$SMPROGRAMS\Listwright\卸载 Listwright.lnk" "$INSTDIR\Uninstall.exe"
  CreateShortcut "$DESKTOP\Listwright.lnk" "$INSTDIR\listwright.exe"
  WriteRegStr HKLM "Software\Listwright" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Listwright"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Listwright"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\listwright.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Only the installed files go; the data folder (%APPDATA%\Listwright) and anything the
; user put into the program folder stay.
Section "Uninstall"
  SetShellVarContext all
  !include "${STAGE}.unfiles.nsh"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Listwright\Listwright.lnk"
  Delete "$SMPROGRAMS\Listwright\卸载 Listwright.lnk"
  RMDir "$SMPROGRAMS\Listwright"
  Delete "$DESKTOP\Listwright.lnk"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "Software\Listwright"
SectionEnd
