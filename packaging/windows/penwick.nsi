; The Windows installer: penwick.exe under Program Files\Penwick, a Start-menu entry and an
; uninstaller registered with "Add or remove programs".
; makensis -DVERSION=2.2.0 -DEXE=<penwick.exe> -DICON=<penwick.ico> -DOUTFILE=<setup.exe>
;          -DTARGET=x86-unicode (or amd64-unicode for a 64-bit build)

Unicode true
Target ${TARGET}
SetCompressor /SOLID lzma
ManifestDPIAware true

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Penwick"

Name "Penwick ${VERSION}"
OutFile "${OUTFILE}"
Icon "${ICON}"
UninstallIcon "${ICON}"
!if "${TARGET}" == "amd64-unicode"
InstallDir "$PROGRAMFILES64\Penwick"
!else
InstallDir "$PROGRAMFILES\Penwick"
!endif
RequestExecutionLevel admin
ShowInstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "Penwick"
VIAddVersionKey /LANG=1033 "CompanyName" "Hollowfen"
VIAddVersionKey /LANG=1033 "FileDescription" "Penwick ${VERSION} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright 2026 Hollowfen"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Penwick"
    SetShellVarContext all
    SetOutPath "$INSTDIR"
    File "/oname=penwick.exe" "${EXE}"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\Penwick.lnk" "$INSTDIR\penwick.exe" "" "$INSTDIR\penwick.exe" 0

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Penwick"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Hollowfen"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\penwick.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    SetShellVarContext all
    Delete "$SMPROGRAMS\Penwick.lnk"
    Delete "$INSTDIR\penwick.exe"
    ; The saved lookup the contact manager writes beside the program at its request.
    Delete "$INSTDIR\lkup.dat"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    ; The user's own settings (remembered folder and logins) stay, as they do for every
    ; program that keeps them per user.
SectionEnd
