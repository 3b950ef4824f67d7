; The kbconfig installer (makensis, run by scripts/package with VERSION,
; ARCH (win64 or win32), STAGE (the program's folder of that build) and
; OUTFILE defined). The win64 installer is itself a 64-bit program, as the
; program it installs (and so it runs where the program runs, Wine without
; its 32-bit part included).
;
; It installs for the current user, without administrator rights, into a
; folder the user owns (%LOCALAPPDATA%\Programs\kbconfig): kbconfig keeps its
; settings files beside kbconfig.exe and rewrites them after every change.
; The driver installation is the one step that needs an administrator; it
; runs elevated on its own (Windows asks), so the program never needs it.
;
; Silent use: setup.exe /S [/AUTOSTART] [/NODRIVER] [/D=folder]
;             Uninstall.exe /S [/REMOVEDATA]
Unicode true
!if "${ARCH}" == "win64"
  Target amd64-unicode
!endif
ManifestSupportedOS Win10
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh

!define APP "kbconfig"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"

Name "${APP} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${APP}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${APP}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "${APP} ${VERSION} setup (${ARCH})"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${APP}"

!define MUI_ICON "${STAGE}\uires\img\icon_logo.ico"
!define MUI_UNICON "${STAGE}\uires\img\icon_logo.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_SMALLDESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\kbconfig.exe"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "SimpChinese"

LangString NameProgram ${LANG_ENGLISH} "kbconfig (program)"
LangString NameProgram ${LANG_SIMPCHINESE} "kbconfig（程序）"
LangString NameAutostart ${LANG_ENGLISH} "Start with Windows, hidden in the tray"
LangString NameAutostart ${LANG_SIMPCHINESE} "随 Windows 启动，隐藏在托盘中"
LangString NameDriver ${LANG_ENGLISH} "Keyboard driver (needs administrator rights)"
LangString NameDriver ${LANG_SIMPCHINESE} "键盘驱动（需要管理员权限）"
LangString DescProgram ${LANG_ENGLISH} "The program, its pictures and translations, and a Start-menu shortcut."
LangString DescProgram ${LANG_SIMPCHINESE} "程序、图片和翻译，以及开始菜单快捷方式。"
LangString DescAutostart ${LANG_ENGLISH} "kbconfig starts when you sign in, with its window hidden; the tray icon shows it."
LangString DescAutostart ${LANG_SIMPCHINESE} "登录时启动 kbconfig 并隐藏窗口；点击托盘图标可显示窗口。"
LangString DescDriver ${LANG_ENGLISH} "Installs the filter driver and the virtual keyboard for macros and key functions. Windows asks for an administrator."
LangString DescDriver ${LANG_SIMPCHINESE} "安装宏和按键功能所需的过滤驱动和虚拟键盘。Windows 会要求管理员确认。"
LangString NoDriverFiles ${LANG_ENGLISH} "The driver package is not in $INSTDIR\driver; macros and key functions stay off (see README.txt there)."
LangString NoDriverFiles ${LANG_SIMPCHINESE} "$INSTDIR\driver 中没有驱动包；宏和按键功能不可用（见其中的 README.txt）。"
LangString DriverDeclined ${LANG_ENGLISH} "The keyboard driver was not installed. Lighting works; macros and key functions need the driver: run this setup again and choose $\"Keyboard driver$\"."
LangString DriverDeclined ${LANG_SIMPCHINESE} "键盘驱动未安装。灯效可以使用；宏和按键功能需要驱动：请再次运行安装程序并选择“键盘驱动”。"
LangString AskRemoveData ${LANG_ENGLISH} "Also remove your settings (macros, key assignments and lighting: macro.xml, record.xml, ledeffect.xml, sidemodel.xml)?"
LangString AskRemoveData ${LANG_SIMPCHINESE} "是否同时删除您的设置（宏、按键分配和灯效：macro.xml、record.xml、ledeffect.xml、sidemodel.xml）？"
LangString StillRunning ${LANG_ENGLISH} "kbconfig is running. Exit it (tray icon, Exit) and try again."
LangString StillRunning ${LANG_SIMPCHINESE} "kbconfig 正在运行。请先退出（托盘图标 - 退出）再重试。"

Var DriverArch

Section "!$(NameProgram)" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  File /r "${STAGE}\*.*"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  SetShellVarContext current
  CreateShortCut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\kbconfig.exe" "" "$INSTDIR\kbconfig.exe" 0
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${APP}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kbconfig.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section /o "$(NameAutostart)" SecAutostart
  WriteRegStr HKCU "${RUN_KEY}" "${APP}" '"$INSTDIR\kbconfig.exe" -hid'
SectionEnd

; The one elevated step: devcon from the maker's driver package, started
; with "runas" so Windows asks for an administrator. The program finds the
; virtual keyboard at its next start.
Section "$(NameDriver)" SecDriver
  ${If} ${RunningX64}
    StrCpy $DriverArch "x64"
  ${Else}
    StrCpy $DriverArch "x86"
  ${EndIf}
  ${IfNot} ${FileExists} "$INSTDIR\driver\$DriverArch\devcon.exe"
    DetailPrint "$(NoDriverFiles)"
    Return
  ${EndIf}
  StrCpy $0 "vhidflt.inf"
  ${IfNot} ${FileExists} "$INSTDIR\driver\$DriverArch\vhidflt.inf"
    StrCpy $0 "vhidev.inf"
  ${EndIf}
  ClearErrors
  SetOutPath "$INSTDIR\driver\$DriverArch"
  ExecShellWait "runas" "$INSTDIR\driver\$DriverArch\devcon.exe" 'install "$INSTDIR\driver\$DriverArch\$0" root\vhidev' SW_HIDE
  ${If} ${Errors}
    DetailPrint "$(DriverDeclined)"
    MessageBox MB_OK|MB_ICONINFORMATION "$(DriverDeclined)" /SD IDOK
  ${EndIf}
  SetOutPath "$INSTDIR"
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "$(DescProgram)"
  !insertmacro MUI_DESCRIPTION_TEXT ${SecAutostart} "$(DescAutostart)"
  !insertmacro MUI_DESCRIPTION_TEXT ${SecDriver} "$(DescDriver)"
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Function .onInit
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/AUTOSTART" $R1
  ${IfNot} ${Errors}
    SectionSetFlags ${SecAutostart} ${SF_SELECTED}
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/NODRIVER" $R1
  ${IfNot} ${Errors}
    SectionSetFlags ${SecDriver} 0
  ${EndIf}
  ; Chinese Windows gets the Chinese pages without asking.
  System::Call 'kernel32::GetUserDefaultUILanguage() i .r1'
  IntOp $1 $1 & 0x3FF
  ${If} $1 = 4
    StrCpy $LANGUAGE ${LANG_SIMPCHINESE}
  ${EndIf}
FunctionEnd

Section "Uninstall"
  ; The running program holds kbconfig.exe open.
  ClearErrors
  Delete "$INSTDIR\kbconfig.exe"
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "$(StillRunning)" /SD IDOK
    Abort
  ${EndIf}
  RMDir /r "$INSTDIR\uires"
  RMDir /r "$INSTDIR\LICENSES"
  Delete "$INSTDIR\driver\x64\README.txt"
  Delete "$INSTDIR\driver\x86\README.txt"
  RMDir "$INSTDIR\driver\x64"
  RMDir "$INSTDIR\driver\x86"
  RMDir "$INSTDIR\driver"
  Delete "$INSTDIR\config.xml"
  Delete "$INSTDIR\README.txt"
  ; The user's settings stay unless the user says otherwise.
  StrCpy $R2 0
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/REMOVEDATA" $R1
  ${IfNot} ${Errors}
    StrCpy $R2 1
  ${ElseIfNot} ${Silent}
    MessageBox MB_YESNO|MB_ICONQUESTION "$(AskRemoveData)" /SD IDNO IDNO keep
    StrCpy $R2 1
    keep:
  ${EndIf}
  ${If} $R2 = 1
    Delete "$INSTDIR\macro.xml"
    Delete "$INSTDIR\record.xml"
    Delete "$INSTDIR\ledeffect.xml"
    Delete "$INSTDIR\sidemodel.xml"
  ${EndIf}
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  SetShellVarContext current
  Delete "$SMPROGRAMS\${APP}.lnk"
  DeleteRegValue HKCU "${RUN_KEY}" "${APP}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd

Function un.onInit
  System::Call 'kernel32::GetUserDefaultUILanguage() i .r1'
  IntOp $1 $1 & 0x3FF
  ${If} $1 = 4
    StrCpy $LANGUAGE ${LANG_SIMPCHINESE}
  ${EndIf}
FunctionEnd
