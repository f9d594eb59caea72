; The installer of RORU-Duruz, made by scripts/package-windows.sh:
;   makensis -DVERSION=1.36 -DFILES=<the .zip's files> -DICON=duruz.ico -DSIZE_KB=<kB> -DOUTFILE=<setup .exe> duruz.nsi
; Installs for the current user or for all users (asked on a page; /CurrentUser or
; /AllUsers on the command line, with /S for a silent run).
; A 64-bit installer for the 64-bit programs: it needs no 32-bit support of Windows.
Target amd64-unicode
SetCompressor /SOLID lzma

!define PRODUCT "RORU-Duruz"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
; Creates each user's working folder at their next sign-in after an install for all users.
!define ACTIVE_SETUP_KEY "Software\Microsoft\Active Setup\Installed Components\${PRODUCT}"
; The program keeps Config.Ini in the folder it starts in: the Start-menu entry starts
; it in this folder of the user's own, expanded by Windows for whoever starts it.
!define WORKING_FOLDER "%APPDATA%\${PRODUCT}"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_INSTDIR "${PRODUCT}"
!define MULTIUSER_USE_PROGRAMFILES64
; The uninstaller finds the mode of the install by where its key is.
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallMode"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!include MultiUser.nsh
!include MUI2.nsh
!include LogicLib.nsh

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_FUNCTION StartFromShortcut

!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
    !insertmacro MULTIUSER_INIT
FunctionEnd

Function un.onInit
    !insertmacro MULTIUSER_UNINIT
FunctionEnd

; The finish page's "Run": as the Start-menu entry starts it, in the working folder.
Function StartFromShortcut
    ExecShell "open" "${SHORTCUT}"
FunctionEnd

Section "RORU-Duruz"
    SetOutPath "$INSTDIR"
    File "${FILES}\duruz.exe"
    File "${FILES}\duruz-cli.exe"
    File "${FILES}\README.txt"
    !if /FileExists "${FILES}\LICENSE.txt"
        File "${FILES}\LICENSE.txt"
    !endif
    WriteUninstaller "$INSTDIR\uninstall.exe"

    ; The installing user's working folder, made now; other users' at their sign-in.
    SetShellVarContext current
    CreateDirectory "$APPDATA\${PRODUCT}"
    ${If} $MultiUser.InstallMode == AllUsers
        SetShellVarContext all
        WriteRegStr HKLM "${ACTIVE_SETUP_KEY}" "" "${PRODUCT} working folder"
        WriteRegStr HKLM "${ACTIVE_SETUP_KEY}" "Version" "${VERSION}"
        WriteRegExpandStr HKLM "${ACTIVE_SETUP_KEY}" "StubPath" \
            '"%SystemRoot%\System32\cmd.exe" /d /c if not exist "${WORKING_FOLDER}" mkdir "${WORKING_FOLDER}"'
    ${EndIf}

    ; The shortcut's "Start in" is $OUTDIR: set, not created, since it is expanded
    ; per user when the shortcut is used.
    StrCpy $OUTDIR "${WORKING_FOLDER}"
    CreateShortcut "${SHORTCUT}" "$INSTDIR\duruz.exe" "" "$INSTDIR\duruz.exe" 0 SW_SHOWNORMAL \
        "" "Oscilloscope and signal generator"
    SetOutPath "$INSTDIR"

    ; Add/Remove Programs, under HKLM for all users or HKCU for the current user.
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PRODUCT}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\duruz.exe,0"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallMode" "$MultiUser.InstallMode"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" \
        '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode'
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" \
        '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode /S'
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
SectionEnd

; Removes what the installer put there; the users' working folders with their
; Config.Ini and recordings stay (an empty one of the current user goes).
Section "Uninstall"
    Delete "${SHORTCUT}"
    Delete "$INSTDIR\duruz.exe"
    Delete "$INSTDIR\duruz-cli.exe"
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey SHCTX "${UNINSTALL_KEY}"
    ${If} $MultiUser.InstallMode == AllUsers
        DeleteRegKey HKLM "${ACTIVE_SETUP_KEY}"
    ${EndIf}
    SetShellVarContext current
    RMDir "$APPDATA\${PRODUCT}"
SectionEnd
