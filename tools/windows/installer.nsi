; The Windows installer of 岚溪文坊图片工具, built by tools/windows/make-installer with Debian's
; makensis:
;   makensis -INPUTCHARSET UTF8 -DSTAGE=DIR -DPRODUCT=FILE -DFILES=FILE -DOUTFILE=EXE installer.nsi
; STAGE is the portable folder that also goes into the zip; PRODUCT the product.nsh CMake writes
; into the build folder (name, version, publisher, home page); FILES the list of File and Delete
; lines for STAGE that make-installer writes, so that the uninstaller removes exactly the files
; the installer put down.
;
; For the user, by default, without administrator rights: the program goes to
; %LOCALAPPDATA%\Programs\lanxi-pictool, its shortcuts and registry entries under the user's own
; profile and HKCU. Run as administrator, it offers to install for every user instead (Program
; Files, the common Start menu, HKLM).
; Command line: /S silent; /ALLUSERS for every user (as administrator); /NODESKTOP no desktop
; shortcut; /D=FOLDER the folder (last, unquoted).

; The file types offered in Explorer's "Open with" (打开方式) menu and given the right-click
; submenu: the ones the program opens.
!define PICTURE_TYPES ".jpg .jpeg .bmp .png .webp .heic .heif .avif"

Unicode true
Target amd64-unicode
; The program is 64-bit only, so the installer is too: a 64-bit installer sees the 64-bit
; registry and Program Files directly, with no WOW64 redirection to get wrong.
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include "${PRODUCT}"
!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WordFunc.nsh
!include nsDialogs.nsh
!include "${FILES}"  ; the macros InstallFiles and UninstallFiles

!define EXE "lanxi-pictool.exe"
!define UNINSTALLER "uninstall.exe"
!define FOLDER "lanxi-pictool"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\lanxi-pictool"
; Our own file type, named in each picture type's OpenWithProgids; it never becomes the type's
; default program (that stays the user's choice).
!define PROGID "LanxiPictool.Picture"
!define APP_KEY "Software\Classes\Applications\${EXE}"
; The right-click submenu "岚溪文坊图片工具": a verb of that name on each picture type (under
; SystemFileAssociations, whatever program the type belongs to) and on folders, whose entries are
; the verbs under MENU_KEY (ExtendedSubCommandsKey, which per-user classes can hold; SubCommands
; would need the machine's CommandStore). Explorer starts a verb's command once for each selected
; item; "Player" shows the verb for up to 100 items instead of 15, and the program gathers the
; starts of one click into one batch.
!define MENU_VERB "LanxiPictool"
!define MENU_KEY "LanxiPictool.Menu"
!define SHORTCUT "${PRODUCT_NAME}.lnk"

Name "${PRODUCT_NAME} ${PRODUCT_VERSION}"
OutFile "${OUTFILE}"
BrandingText "${PUBLISHER}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${PRODUCT_VERSION_4}"
VIFileVersion "${PRODUCT_VERSION_4}"
VIAddVersionKey /LANG=2052 "ProductName" "${PRODUCT_NAME}"
VIAddVersionKey /LANG=2052 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=2052 "FileDescription" "${PRODUCT_NAME} ${PRODUCT_VERSION} 安装程序"
VIAddVersionKey /LANG=2052 "FileVersion" "${PRODUCT_VERSION}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${PRODUCT_VERSION}"
VIAddVersionKey /LANG=2052 "LegalCopyright" "© ${PUBLISHER}"

!define MUI_ICON "${__FILEDIR__}/../../app/windows/lanxi-pictool.ico"
!define MUI_UNICON "${__FILEDIR__}/../../app/windows/lanxi-pictool.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\${EXE}"
!define MUI_WELCOMEPAGE_TEXT "这个向导将在你的电脑上安装$(^NameDA)。$\r$\n$\r$\n\
  它默认只为你自己安装，不需要管理员权限。装好以后，开始菜单里有它；在图片文件上点右键，\
  “打开方式”里也有它，右键菜单里还有“岚溪文坊图片工具”，可以直接压缩选中的图片和文件夹。\
  $\r$\n$\r$\n$_CLICK"

Var AllUsers         ; 1: for every user (HKLM, Program Files), 0: for this user
Var IsAdmin
Var DirGiven         ; the folder came with /D=
Var ModeRadioUser
Var ModeRadioAll

!insertmacro MUI_PAGE_WELCOME
Page custom ModePage ModePageLeave
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

; ---- shared by the installer and the uninstaller ----

; The registry key's values and subkeys, if it has none left, go with it; a key that was there
; before us and still holds something of anyone's stays.
!macro DeleteKeyIfEmpty KEY
  Push $0
  Push $1
  EnumRegKey $0 SHCTX "${KEY}" 0
  EnumRegValue $1 SHCTX "${KEY}" 0
  ${If} $0 == ""
  ${AndIf} $1 == ""
    ClearErrors
    ReadRegStr $1 SHCTX "${KEY}" ""
    ${If} ${Errors}  ; no default value either
      DeleteRegKey SHCTX "${KEY}"
    ${EndIf}
  ${EndIf}
  Pop $1
  Pop $0
!macroend

; Runs FUNCTION once for each of PICTURE_TYPES, with the type (".jpg") in $R9.
!macro ForEachPictureType UN FUNCTION
  Push $R8
  Push $R9
  StrCpy $R8 1
  ${Do}
    ${WordFind} "${PICTURE_TYPES}" " " "E+$R8" $R9
    ${If} ${Errors}
      ${If} $R8 == 1
        StrCpy $R9 "${PICTURE_TYPES}"  ; a single type, with no space to find
      ${Else}
        ${ExitDo}
      ${EndIf}
    ${EndIf}
    Call ${UN}${FUNCTION}
    ${IfThen} $R9 == "${PICTURE_TYPES}" ${|} ${ExitDo} ${|}
    IntOp $R8 $R8 + 1
  ${Loop}
  Pop $R9
  Pop $R8
!macroend

; Whether the program in FOLDER is running: Windows refuses to open a running program's file
; for writing. Sets the error flag when it is.
!macro ProgramRunning FOLDER
  Push $0
  ClearErrors
  ${If} ${FileExists} "${FOLDER}\${EXE}"
    FileOpen $0 "${FOLDER}\${EXE}" a
    ${IfNot} ${Errors}
      FileClose $0
    ${EndIf}
  ${EndIf}
  Pop $0
!macroend

; Asks the user to close the program while it runs in FOLDER; quits with status 2 when they
; cancel, or at once in silent mode.
!macro WaitForProgramToEnd FOLDER
  ${Do}
    !insertmacro ProgramRunning "${FOLDER}"
    ${IfNot} ${Errors}
      ${ExitDo}
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
      "${PRODUCT_NAME}正在运行。请先关闭它，再点“重试”。" /SD IDCANCEL IDRETRY +3
    SetErrorLevel 2
    Quit
  ${Loop}
!macroend

; ---- the installer ----

; One entry of the right-click submenu: the verb ID (the entries stand in the order of their IDs)
; shown as CAPTION, starting the program with ARGUMENTS and the item.
!macro RightClickEntry ID CAPTION ARGUMENTS
  WriteRegStr SHCTX "Software\Classes\${MENU_KEY}\shell\${ID}" "MUIVerb" "${CAPTION}"
  WriteRegStr SHCTX "Software\Classes\${MENU_KEY}\shell\${ID}" "MultiSelectModel" "Player"
  WriteRegStr SHCTX "Software\Classes\${MENU_KEY}\shell\${ID}\command" "" \
    '"$INSTDIR\${EXE}" ${ARGUMENTS} "%1"'
!macroend

; The submenu on the classes key $R9 (a type's SystemFileAssociations key, or Directory).
Function RegisterRightClick
  WriteRegStr SHCTX "Software\Classes\$R9\shell\${MENU_VERB}" "MUIVerb" "${PRODUCT_NAME}"
  WriteRegStr SHCTX "Software\Classes\$R9\shell\${MENU_VERB}" "Icon" "$INSTDIR\${EXE},0"
  WriteRegStr SHCTX "Software\Classes\$R9\shell\${MENU_VERB}" "ExtendedSubCommandsKey" \
    "${MENU_KEY}"
  WriteRegStr SHCTX "Software\Classes\$R9\shell\${MENU_VERB}" "MultiSelectModel" "Player"
FunctionEnd

Function RegisterPictureType
  WriteRegStr SHCTX "Software\Classes\$R9\OpenWithProgids" "${PROGID}" ""
  WriteRegStr SHCTX "${APP_KEY}\SupportedTypes" "$R9" ""
  Push $R9
  StrCpy $R9 "SystemFileAssociations\$R9"
  Call RegisterRightClick
  Pop $R9
FunctionEnd

Section "${PRODUCT_NAME}" SecProgram
  SectionIn RO
  ; An installed copy of the same mode goes first, by its own uninstaller, which knows its own
  ; files: nothing of an older version stays behind, wherever it was installed.
  ReadRegStr $R0 SHCTX "${UNINST_KEY}" "InstallLocation"
  ${If} $R0 != ""
  ${AndIf} ${FileExists} "$R0\${UNINSTALLER}"
    DetailPrint "卸载已安装的版本：$R0"
    !insertmacro WaitForProgramToEnd "$R0"
    StrCpy $R1 ""
    ExecWait '"$R0\${UNINSTALLER}" /S _?=$R0' $R1
    ${If} $R1 != 0
      MessageBox MB_OK|MB_ICONSTOP "无法卸载已安装的版本（$R0）。" /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
    ; Run in place, the uninstaller cannot remove itself.
    Delete "$R0\${UNINSTALLER}"
    RMDir "$R0"
  ${EndIf}
  !insertmacro WaitForProgramToEnd "$INSTDIR"

  !insertmacro InstallFiles
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  ; Shortcuts start the program in its own folder, as a double click on it there does.
  SetOutPath "$INSTDIR"
  CreateShortcut "$SMPROGRAMS\${SHORTCUT}" "$INSTDIR\${EXE}" "" "$INSTDIR\${EXE}" 0

  ; "Open with": the program, under its own name and icon, for the picture types only.
  WriteRegStr SHCTX "Software\Classes\${PROGID}" "" "${PRODUCT_NAME}"
  WriteRegStr SHCTX "Software\Classes\${PROGID}\DefaultIcon" "" "$INSTDIR\${EXE},0"
  WriteRegStr SHCTX "Software\Classes\${PROGID}\shell\open\command" "" '"$INSTDIR\${EXE}" "%1"'
  WriteRegStr SHCTX "${APP_KEY}" "FriendlyAppName" "${PRODUCT_NAME}"
  WriteRegStr SHCTX "${APP_KEY}\DefaultIcon" "" "$INSTDIR\${EXE},0"
  WriteRegStr SHCTX "${APP_KEY}\shell\open\command" "" '"$INSTDIR\${EXE}" "%1"'
  !insertmacro ForEachPictureType "" RegisterPictureType

  ; The right-click submenu, on the picture types (above) and on folders. Its commands are those
  ; of the program's command line (README, "Right-click entries").
  !insertmacro RightClickEntry "1article" "压缩为文章插图" "--batch --preset article"
  !insertmacro RightClickEntry "2avatar310" "压缩为头像（310）" "--batch --preset avatar-310"
  !insertmacro RightClickEntry "3avatar210" "压缩为头像（210）" "--batch --preset avatar-210"
  !insertmacro RightClickEntry "4idcard" "压缩为身份证图片" "--batch --preset id-card"
  !insertmacro RightClickEntry "5quality80" "压缩（质量80）" "--batch"
  !insertmacro RightClickEntry "6workspace" "在工作区打开" "--workspace"
  ; A line above the workspace's entry, apart from the compressing ones (ECF_SEPARATORBEFORE).
  WriteRegDWORD SHCTX "Software\Classes\${MENU_KEY}\shell\6workspace" "CommandFlags" 0x20
  Push $R9
  StrCpy $R9 "Directory"
  Call RegisterRightClick
  Pop $R9

  ; The entry in the system's list of installed programs.
  WriteRegStr SHCTX "${UNINST_KEY}" "DisplayName" "${PRODUCT_NAME}"
  WriteRegStr SHCTX "${UNINST_KEY}" "DisplayVersion" "${PRODUCT_VERSION}"
  WriteRegStr SHCTX "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\${EXE},0"
  WriteRegStr SHCTX "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINST_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr SHCTX "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegStr SHCTX "${UNINST_KEY}" "URLInfoAbout" "${HOME_PAGE}"
  WriteRegDWORD SHCTX "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINST_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINST_KEY}" "EstimatedSize" $0

  ; Explorer rereads the file types.
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd

Section "桌面快捷方式" SecDesktop
  SetOutPath "$INSTDIR"
  CreateShortcut "$DESKTOP\${SHORTCUT}" "$INSTDIR\${EXE}" "" "$INSTDIR\${EXE}" 0
SectionEnd

Function .onInit
  SetRegView 64
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 == "Admin"
    StrCpy $IsAdmin 1
  ${Else}
    StrCpy $IsAdmin 0
  ${EndIf}
  ; $INSTDIR holds /D= here, and is empty without it (there is no InstallDir).
  ${If} $INSTDIR != ""
    StrCpy $DirGiven 1
  ${Else}
    StrCpy $DirGiven 0
  ${EndIf}

  StrCpy $AllUsers 0
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/ALLUSERS" $R1
  ${IfNot} ${Errors}
    ${If} $IsAdmin != 1
      MessageBox MB_OK|MB_ICONSTOP "为所有用户安装需要管理员权限：请以管理员身份运行安装程序。" /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
    StrCpy $AllUsers 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/NODESKTOP" $R1
  ${IfNot} ${Errors}
    SectionSetFlags ${SecDesktop} 0
  ${EndIf}
  Call ApplyMode
FunctionEnd

; Sets the shell folders, the registry root (SHCTX) and the default folder for $AllUsers. An
; installed copy of the same mode is upgraded where it is.
Function ApplyMode
  ${If} $AllUsers == 1
    SetShellVarContext all
    StrCpy $0 "$PROGRAMFILES64\${FOLDER}"
  ${Else}
    SetShellVarContext current
    StrCpy $0 "$LOCALAPPDATA\Programs\${FOLDER}"
  ${EndIf}
  ${If} $DirGiven != 1
    ReadRegStr $1 SHCTX "${UNINST_KEY}" "InstallLocation"
    ${If} $1 != ""
      StrCpy $0 $1
    ${EndIf}
    StrCpy $INSTDIR $0
  ${EndIf}
FunctionEnd

; Only an administrator has the choice; anyone else installs for themselves.
Function ModePage
  ${If} $IsAdmin != 1
    Abort
  ${EndIf}
  !insertmacro MUI_HEADER_TEXT "选择安装方式" "为谁安装${PRODUCT_NAME}？"
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateRadioButton} 0 10u 100% 12u "仅为我安装(&M)"
  Pop $ModeRadioUser
  ${NSD_CreateLabel} 12u 24u -12u 20u "安装到你自己的文件夹，只有你能使用，不需要管理员权限。"
  Pop $0
  ${NSD_CreateRadioButton} 0 54u 100% 12u "为这台电脑的所有用户安装(&A)"
  Pop $ModeRadioAll
  ${NSD_CreateLabel} 12u 68u -12u 20u "安装到“Program Files”，每个用户的开始菜单里都有它。"
  Pop $0
  ${If} $AllUsers == 1
    ${NSD_Check} $ModeRadioAll
  ${Else}
    ${NSD_Check} $ModeRadioUser
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function ModePageLeave
  ${NSD_GetState} $ModeRadioAll $0
  ${If} $0 == ${BST_CHECKED}
    StrCpy $AllUsers 1
  ${Else}
    StrCpy $AllUsers 0
  ${EndIf}
  Call ApplyMode
FunctionEnd

; ---- the uninstaller ----

Function un.onInit
  SetRegView 64
  ; The mode it was installed in: an all-users copy is the one HKLM names.
  ReadRegStr $0 HKLM "${UNINST_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    StrCpy $AllUsers 1
    SetShellVarContext all
    UserInfo::GetAccountType
    Pop $1
    ${If} $1 != "Admin"
      ; The system's app list starts it without elevation: ask for it, as a new process.
      ${If} ${Silent}
        ExecShell "runas" "$INSTDIR\${UNINSTALLER}" "/S"
      ${Else}
        ExecShell "runas" "$INSTDIR\${UNINSTALLER}"
      ${EndIf}
      Quit
    ${EndIf}
  ${Else}
    StrCpy $AllUsers 0
    SetShellVarContext current
  ${EndIf}
  !insertmacro WaitForProgramToEnd "$INSTDIR"
FunctionEnd

Function un.UnregisterPictureType
  DeleteRegValue SHCTX "Software\Classes\$R9\OpenWithProgids" "${PROGID}"
  !insertmacro DeleteKeyIfEmpty "Software\Classes\$R9\OpenWithProgids"
  !insertmacro DeleteKeyIfEmpty "Software\Classes\$R9"
  DeleteRegKey SHCTX "Software\Classes\SystemFileAssociations\$R9\shell\${MENU_VERB}"
  !insertmacro DeleteKeyIfEmpty "Software\Classes\SystemFileAssociations\$R9\shell"
  !insertmacro DeleteKeyIfEmpty "Software\Classes\SystemFileAssociations\$R9"
FunctionEnd

; Removes what the installer made and nothing else: files it did not put down (the user's own,
; in its folder) and the pictures the program wrote elsewhere stay. The program keeps no
; settings of its own.
Section "Uninstall"
  Delete "$DESKTOP\${SHORTCUT}"
  Delete "$SMPROGRAMS\${SHORTCUT}"

  !insertmacro ForEachPictureType "un." UnregisterPictureType
  !insertmacro DeleteKeyIfEmpty "Software\Classes\SystemFileAssociations"
  DeleteRegKey SHCTX "Software\Classes\Directory\shell\${MENU_VERB}"
  !insertmacro DeleteKeyIfEmpty "Software\Classes\Directory\shell"
  !insertmacro DeleteKeyIfEmpty "Software\Classes\Directory"
  DeleteRegKey SHCTX "Software\Classes\${MENU_KEY}"
  DeleteRegKey SHCTX "Software\Classes\${PROGID}"
  DeleteRegKey SHCTX "${APP_KEY}"
  !insertmacro DeleteKeyIfEmpty "Software\Classes\Applications"
  DeleteRegKey SHCTX "${UNINST_KEY}"
  ${If} $AllUsers != 1
    ; Keys that a first per-user install may have made. Their HKLM namesakes are the system's.
    !insertmacro DeleteKeyIfEmpty "Software\Microsoft\Windows\CurrentVersion\Uninstall"
    !insertmacro DeleteKeyIfEmpty "Software\Classes"
  ${EndIf}

  !insertmacro UninstallFiles
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
  ${If} $AllUsers != 1
    RMDir "$LOCALAPPDATA\Programs"  ; made by the first per-user install, if empty
  ${EndIf}

  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd
