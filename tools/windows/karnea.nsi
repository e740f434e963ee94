; The Windows setup program of karnea: a per-user install (no administrator
; rights) into %LOCALAPPDATA%\Programs\karnea, the file types .kdw and .kcw
; with their icons, open and print commands, a Start menu folder, a desktop
; shortcut as an option, an entry in the installed apps and an uninstaller
; that removes what it installed and nothing else. /S installs and
; uninstalls silently, /D= names the folder.
;   makensis -DVERSION=1.0.0 -DFILES=<files.nsh> -DOUTFILE=<setup.exe>
;            -DICONS=<folder of the .ico files> karnea.nsi
; FILES lists the File commands of the zip's folder (tools/windows/installer.sh
; writes it), and FILES.uninstall the Delete commands that undo them.
Unicode true
Target amd64-unicode
ManifestSupportedOS all
ManifestDPIAware true
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "nsDialogs.nsh"

!define PRODUCT "karnea"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\karnea"
!define CLASSES "Software\Classes"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\karnea"
InstallDirRegKey HKCU "Software\karnea" "InstallDir"
BrandingText "${PRODUCT} ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1041 "ProductName" "karnea"
VIAddVersionKey /LANG=1041 "FileDescription" "karnea セットアップ"
VIAddVersionKey /LANG=1041 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "CompanyName" "The karnea developers"
VIAddVersionKey /LANG=1041 "LegalCopyright" "The karnea developers"

!define MUI_ICON "${ICONS}\karnea.ico"
!define MUI_UNICON "${ICONS}\karnea.ico"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\karnea.exe"
!define MUI_FINISHPAGE_RUN_TEXT "karnea を起動する"

Var AssociateKdw
Var AssociateKcw
Var DesktopShortcut
Var KdwBox
Var KcwBox
Var DesktopBox

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
Page custom OptionsPage OptionsLeave
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

; An example as installed is noted, so that the uninstaller removes it only
; while it is unchanged (an example the user saved over is the user's).
!macro RecordExample file
    ${GetTime} "$INSTDIR\${file}" "M" $0 $1 $2 $3 $4 $5 $6
    WriteRegStr HKCU "Software\karnea\Examples" "${file}" "$2-$1-$0 $4:$5:$6"
!macroend
!macro DeleteExample file
    ReadRegStr $7 HKCU "Software\karnea\Examples" "${file}"
    ${GetTime} "$INSTDIR\${file}" "M" $0 $1 $2 $3 $4 $5 $6
    ${If} $7 == "$2-$1-$0 $4:$5:$6"
        Delete "$INSTDIR\${file}"
    ${EndIf}
!macroend

; Whether an extension is free for karnea: no program holds it, or karnea
; already does (the user's own choice in Explorer counts as held).
!macro ExtensionFree extension progid result
    ReadRegStr $0 HKCR "${extension}" ""
    ReadRegStr $1 HKCU "Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\${extension}\UserChoice" "ProgId"
    ${If} $0 == ""
    ${OrIf} $0 == "${progid}"
        ${If} $1 == ""
        ${OrIf} $1 == "${progid}"
            StrCpy ${result} ${BST_CHECKED}
        ${Else}
            StrCpy ${result} ${BST_UNCHECKED}
        ${EndIf}
    ${Else}
        StrCpy ${result} ${BST_UNCHECKED}
    ${EndIf}
!macroend

Function .onInit
    !insertmacro ExtensionFree ".kdw" "karnea.kdw" $AssociateKdw
    !insertmacro ExtensionFree ".kcw" "karnea.kcw" $AssociateKcw
    StrCpy $DesktopShortcut ${BST_UNCHECKED}
FunctionEnd

Function OptionsPage
    !insertmacro MUI_HEADER_TEXT "オプション" "ファイルの関連付けとショートカットを選んで下さい。"
    nsDialogs::Create 1018
    Pop $0
    ${NSD_CreateCheckbox} 0 0 100% 12u "試験データ (.kdw) を karnea で開く"
    Pop $KdwBox
    ${NSD_SetState} $KdwBox $AssociateKdw
    ${NSD_CreateCheckbox} 0 16u 100% 12u "キャリブレーションデータ (.kcw) を karnea で開く"
    Pop $KcwBox
    ${NSD_SetState} $KcwBox $AssociateKcw
    ${NSD_CreateCheckbox} 0 32u 100% 12u "デスクトップにショートカットを作る"
    Pop $DesktopBox
    ${NSD_SetState} $DesktopBox $DesktopShortcut
    ${NSD_CreateLabel} 0 56u 100% 36u "ほかのプログラムに関連付けられている種類は、チェックしたときだけ karnea に変えます。どの種類も「プログラムから開く」には karnea が出ます。"
    Pop $0
    nsDialogs::Show
FunctionEnd

Function OptionsLeave
    ${NSD_GetState} $KdwBox $AssociateKdw
    ${NSD_GetState} $KcwBox $AssociateKcw
    ${NSD_GetState} $DesktopBox $DesktopShortcut
FunctionEnd

; A file type of karnea: its description, icon and commands, offered in
; "Open with" always, and the extension's own when asked.
!macro FileType extension progid description icon associate
    WriteRegStr HKCU "${CLASSES}\${progid}" "" "${description}"
    WriteRegStr HKCU "${CLASSES}\${progid}\DefaultIcon" "" "$INSTDIR\icons\${icon}"
    WriteRegStr HKCU "${CLASSES}\${progid}\shell\open" "" "開く(&O)"
    WriteRegStr HKCU "${CLASSES}\${progid}\shell\open\command" "" '"$INSTDIR\karnea.exe" "%1"'
    WriteRegStr HKCU "${CLASSES}\${progid}\shell\print" "" "印刷(&P)"
    WriteRegStr HKCU "${CLASSES}\${progid}\shell\print\command" "" '"$INSTDIR\karnea.exe" /p "%1"'
    WriteRegStr HKCU "${CLASSES}\${extension}\OpenWithProgids" "${progid}" ""
    ${If} ${associate} == ${BST_CHECKED}
        WriteRegStr HKCU "${CLASSES}\${extension}" "" "${progid}"
    ${EndIf}
!macroend

Section "karnea"
    SetShellVarContext current
    SetOutPath "$INSTDIR"
    ; An older version's files go first, so that none of them stays.
    IfFileExists "$INSTDIR\uninstall.exe" 0 +2
        ExecWait '"$INSTDIR\uninstall.exe" /S /KEEPSHORTCUTS _?=$INSTDIR'
    !include "${FILES}"
    SetOutPath "$INSTDIR\icons"
    File "${ICONS}\karnea.ico"
    File "${ICONS}\karnea-test.ico"
    File "${ICONS}\karnea-calibration.ico"
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    !insertmacro FileType ".kdw" "karnea.kdw" "試験データ" "karnea-test.ico" $AssociateKdw
    !insertmacro FileType ".kcw" "karnea.kcw" "キャリブレーションデータ" "karnea-calibration.ico" $AssociateKcw
    WriteRegStr HKCU "Software\karnea" "InstallDir" "$INSTDIR"

    CreateDirectory "$SMPROGRAMS\karnea"
    CreateShortcut "$SMPROGRAMS\karnea\karnea.lnk" "$INSTDIR\karnea.exe"
    CreateShortcut "$SMPROGRAMS\karnea\操作＆ヘルプ.lnk" "$INSTDIR\Help.txt"
    CreateShortcut "$SMPROGRAMS\karnea\karnea のアンインストール.lnk" "$INSTDIR\uninstall.exe"
    ${If} $DesktopShortcut == ${BST_CHECKED}
        CreateShortcut "$DESKTOP\karnea.lnk" "$INSTDIR\karnea.exe"
    ${EndIf}

    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "karnea"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "The karnea developers"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\karnea.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    ; Explorer shows the new types at once.
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd

; Removes a file type's keys; the extension's own only while it is karnea's.
!macro RemoveFileType extension progid
    DeleteRegKey HKCU "${CLASSES}\${progid}"
    DeleteRegValue HKCU "${CLASSES}\${extension}\OpenWithProgids" "${progid}"
    DeleteRegKey /ifempty HKCU "${CLASSES}\${extension}\OpenWithProgids"
    ReadRegStr $0 HKCU "${CLASSES}\${extension}" ""
    ${If} $0 == "${progid}"
        DeleteRegValue HKCU "${CLASSES}\${extension}" ""
    ${EndIf}
    DeleteRegKey /ifempty HKCU "${CLASSES}\${extension}"
!macroend

Section "Uninstall"
    SetShellVarContext current
    !include "${FILES}.uninstall"
    Delete "$INSTDIR\icons\karnea.ico"
    Delete "$INSTDIR\icons\karnea-test.ico"
    Delete "$INSTDIR\icons\karnea-calibration.ico"
    RMDir "$INSTDIR\icons"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"

    ${GetOptions} $CMDLINE "/KEEPSHORTCUTS" $0
    ${If} ${Errors}
        Delete "$SMPROGRAMS\karnea\karnea.lnk"
        Delete "$SMPROGRAMS\karnea\操作＆ヘルプ.lnk"
        Delete "$SMPROGRAMS\karnea\karnea のアンインストール.lnk"
        RMDir "$SMPROGRAMS\karnea"
        Delete "$DESKTOP\karnea.lnk"
    ${EndIf}
    !insertmacro RemoveFileType ".kdw" "karnea.kdw"
    !insertmacro RemoveFileType ".kcw" "karnea.kcw"
    DeleteRegKey HKCU "Software\karnea"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd
