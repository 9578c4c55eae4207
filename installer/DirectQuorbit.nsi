; The DirectQuorbit installers, made by installer/build-installers.sh with makensis:
;   ARCH=x64  for 64-bit Windows: the 64-bit module in the 64-bit Program Files, registered with
;             the 64-bit regsvr32 (System32), and the 32-bit module in Program Files (x86),
;             registered with the 32-bit regsvr32 (SysWOW64);
;   ARCH=x86  for 32-bit Windows: the 32-bit module alone; it refuses to run on 64-bit Windows.
; Defines given by the build script: ARCH, MODULE32, MODULE64 (x64 only), VERSION_NSH, README,
; LICENSE, OUTFILE.
;
; Both need administrator rights, show the licence, take /S (silent) and /D=folder, write an
; uninstaller and the programs-list entry. A registration that fails undoes the installation.

Unicode true
!if "${ARCH}" == "x64"
    Target amd64-unicode
!else if "${ARCH}" == "x86"
    Target x86-unicode
!else
    !error "ARCH must be x64 or x86"
!endif

!include "${VERSION_NSH}"
!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh
!include MUI2.nsh

!define PRODUCT "DirectQuorbit"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\DirectQuorbit"
!define MODULE "DirectQuorbit.ax"
!define OTHER_X64 "DirectQuorbit-${DQ_VERSION}-setup-x64.exe"
!define OTHER_X86 "DirectQuorbit-${DQ_VERSION}-setup-x86.exe"
; What regsvr32 answers when it cannot run at all (no such program): not one of its own codes.
!define NO_REGSVR32 "not started"

Name "${PRODUCT} ${DQ_VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show
!if "${ARCH}" == "x64"
    InstallDir "$PROGRAMFILES64\${PRODUCT}"
!else
    InstallDir "$PROGRAMFILES32\${PRODUCT}"
!endif

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${DQ_VERSION_QUAD}"
VIFileVersion "${DQ_VERSION_QUAD}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${DQ_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${DQ_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${PRODUCT} ${DQ_VERSION} setup (${ARCH})"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${DQ_PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "${DQ_COPYRIGHT}"

; The 32-bit module's folder and whether this installation has it (x64 only).
Var Folder32
Var Has32

; Refuses a user without administrator rights, and Windows of the other bitness.
!macro CheckSystem
    UserInfo::GetAccountType
    Pop $0
    ${If} $0 != "admin"
        MessageBox MB_ICONSTOP "${PRODUCT} registers system-wide components: run this program as an administrator." /SD IDOK
        SetErrorLevel 740 ; ERROR_ELEVATION_REQUIRED
        Quit
    ${EndIf}
    !if "${ARCH}" == "x64"
        ${IfNot} ${RunningX64}
            MessageBox MB_ICONSTOP "This is the ${PRODUCT} setup for 64-bit Windows. On 32-bit Windows, run ${OTHER_X86}." /SD IDOK
            SetErrorLevel 1
            Quit
        ${EndIf}
        SetRegView 64
    !else
        ${If} ${RunningX64}
            MessageBox MB_ICONSTOP "This is the ${PRODUCT} setup for 32-bit Windows. On 64-bit Windows, run ${OTHER_X64}, which installs the 64-bit and the 32-bit module." /SD IDOK
            SetErrorLevel 1
            Quit
        ${EndIf}
    !endif
!macroend

; Runs `REGSVR32 /s [/u] MODULE_PATH`; $0 is its exit code (0: done), or NO_REGSVR32.
!macro RunRegsvr32 REGSVR32 ARGS MODULE_PATH
    DetailPrint 'regsvr32 ${ARGS} "${MODULE_PATH}" (${REGSVR32})'
    StrCpy $0 "${NO_REGSVR32}"
    ClearErrors
    ExecWait '"${REGSVR32}" ${ARGS} "${MODULE_PATH}"' $0
    ${If} ${Errors}
        StrCpy $0 "${NO_REGSVR32}"
    ${EndIf}
!macroend

Function .onInit
    !insertmacro CheckSystem
    ; Program Files (x86) as the system names it; some systems give 64-bit programs the 64-bit
    ; folder for $PROGRAMFILES32.
    ReadRegStr $0 HKLM "Software\Microsoft\Windows\CurrentVersion" "ProgramFilesDir (x86)"
    ${If} $0 == ""
        StrCpy $0 "$PROGRAMFILES32"
    ${EndIf}
    StrCpy $Folder32 "$0\${PRODUCT}"
    StrCpy $Has32 0
FunctionEnd

; The two modules have the same name: they never share a folder.
Function .onVerifyInstDir
    !if "${ARCH}" == "x64"
        ${If} $INSTDIR == $Folder32
            Abort
        ${EndIf}
    !endif
FunctionEnd

; Removes the (empty) folder $R6; a process that has just ended may still hold it for a moment.
Function RemoveFolder
    StrCpy $9 0
    ${DoWhile} ${FileExists} "$R6\*.*"
        RMDir "$R6"
        IntOp $9 $9 + 1
        ${If} $9 >= 30
            ${ExitDo}
        ${EndIf}
        Sleep 100
    ${Loop}
FunctionEnd

; Takes back what the section did so far: the modules registered (listed in $R8, $R9), the
; files, the folders. Then reports the failure (in $R7) and ends the installation.
Function RollBack
    DetailPrint "Installation failed: $R7"
    DetailPrint "Undoing the installation"
    ; A folder that is the current one cannot be removed.
    SetOutPath "$TEMP"
    ${If} $R9 == 1
        !insertmacro RunRegsvr32 "$SYSDIR\regsvr32.exe" "/s /u" "$INSTDIR\${MODULE}"
    ${EndIf}
    !if "${ARCH}" == "x64"
        ${If} $R8 == 1
            !insertmacro RunRegsvr32 "$WINDIR\SysWOW64\regsvr32.exe" "/s /u" "$Folder32\${MODULE}"
        ${EndIf}
        ${If} $Has32 == 1
            Delete "$Folder32\${MODULE}"
            StrCpy $R6 "$Folder32"
            Call RemoveFolder
        ${EndIf}
    !endif
    Delete "$INSTDIR\${MODULE}"
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\uninstall.exe"
    StrCpy $R6 "$INSTDIR"
    Call RemoveFolder
    MessageBox MB_ICONSTOP "$R7$\r$\nNothing was installed." /SD IDOK
    SetErrorLevel 3
    Abort
FunctionEnd

Section "${PRODUCT}"
    StrCpy $R8 0 ; the 32-bit module is registered
    StrCpy $R9 0 ; the native module is registered

    !if "${ARCH}" == "x64"
        ${If} $INSTDIR == $Folder32
            MessageBox MB_ICONSTOP "$INSTDIR is where the 32-bit module goes: choose another folder." /SD IDOK
            SetErrorLevel 2
            Abort
        ${EndIf}
    !endif
    SetOutPath "$INSTDIR"
    !if "${ARCH}" == "x64"
        File "/oname=${MODULE}" "${MODULE64}"
    !else
        File "/oname=${MODULE}" "${MODULE32}"
    !endif
    File "/oname=README.txt" "${README}"
    File "/oname=LICENSE.txt" "${LICENSE}"

    !if "${ARCH}" == "x64"
        ; 32-bit programs need the 32-bit module; a 64-bit Windows without them (no 32-bit
        ; subsystem, no SysWOW64\regsvr32.exe) gets none.
        ${If} ${FileExists} "$WINDIR\SysWOW64\regsvr32.exe"
            StrCpy $Has32 1
            SetOutPath "$Folder32"
            File "/oname=${MODULE}" "${MODULE32}"
            SetOutPath "$INSTDIR"
        ${Else}
            DetailPrint "This Windows runs no 32-bit programs: the 32-bit module is left out"
        ${EndIf}
    !endif

    !insertmacro RunRegsvr32 "$SYSDIR\regsvr32.exe" "/s" "$INSTDIR\${MODULE}"
    ${If} $0 != 0
        StrCpy $R7 "Registering $INSTDIR\${MODULE} failed (regsvr32: $0)."
        Call RollBack
    ${EndIf}
    StrCpy $R9 1
    !if "${ARCH}" == "x64"
        ${If} $Has32 == 1
            !insertmacro RunRegsvr32 "$WINDIR\SysWOW64\regsvr32.exe" "/s" "$Folder32\${MODULE}"
            ${If} $0 != 0
                StrCpy $R7 "Registering $Folder32\${MODULE} failed (regsvr32: $0)."
                Call RollBack
            ${EndIf}
            StrCpy $R8 1
        ${EndIf}
    !endif

    WriteUninstaller "$INSTDIR\uninstall.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} ${DQ_VERSION} (${ARCH})"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${DQ_VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${DQ_PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $1 $2 $3
    !if "${ARCH}" == "x64"
        ${If} $Has32 == 1
            WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation32" "$Folder32"
            ${GetSize} "$Folder32" "/S=0K" $4 $2 $3
            IntOp $1 $1 + $4
        ${EndIf}
    !endif
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $1
SectionEnd

Function un.onInit
    !insertmacro CheckSystem
FunctionEnd

; Unregisters MODULE_PATH with REGSVR32 unless the file is gone already; a failure stops the
; uninstallation with everything still in place, so that it can be tried again.
!macro Unregister REGSVR32 MODULE_PATH
    ${If} ${FileExists} "${MODULE_PATH}"
        !insertmacro RunRegsvr32 "${REGSVR32}" "/s /u" "${MODULE_PATH}"
        ${If} $0 != 0
            MessageBox MB_ICONSTOP "Unregistering ${MODULE_PATH} failed (regsvr32: $0). Nothing more was removed." /SD IDOK
            SetErrorLevel 3
            Abort
        ${EndIf}
    ${EndIf}
!macroend

Section "Uninstall"
    !if "${ARCH}" == "x64"
        ReadRegStr $Folder32 HKLM "${UNINSTALL_KEY}" "InstallLocation32"
        ${If} $Folder32 != ""
            !insertmacro Unregister "$WINDIR\SysWOW64\regsvr32.exe" "$Folder32\${MODULE}"
        ${EndIf}
    !endif
    !insertmacro Unregister "$SYSDIR\regsvr32.exe" "$INSTDIR\${MODULE}"

    !if "${ARCH}" == "x64"
        ${If} $Folder32 != ""
            Delete "$Folder32\${MODULE}"
            RMDir "$Folder32"
        ${EndIf}
    !endif
    Delete "$INSTDIR\${MODULE}"
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
