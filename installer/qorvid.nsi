; qorvid's installer, for 64-bit Windows (TARGET amd64-unicode) and for
; 32-bit or 64-bit Windows (TARGET x86-unicode), from the same script:
;
;   makensis -DTARGET=amd64-unicode -DOUTFILE=qorvid-setup.exe \
;            -DX86_DLL=... -DX86_CONSOLE=... -DX64_DLL=... -DX64_CONSOLE=... qorvid.nsi
;
; X86_* and X64_* name qorvid.dll and qorvid-console.exe of the 32-bit and the
; 64-bit build (`make installer` gives them).
; It installs both DLLs and consoles (only the 32-bit ones on 32-bit Windows)
; and registers each DLL's class in the registry view its hosts read, for the
; current user (the default: HKCU\Software\Classes, no administrator) or, on
; the option page or with /ALLUSERS, for every user (HKLM\Software\Classes).
; The registration is written here rather than by regsvr32, because a 64-bit
; installer cannot load the 32-bit DLL; its keys and values are those the
; DLL's own registration writes (scripts/wine-install-test compares them).
; The uninstaller removes what this wrote and leaves a registration of the
; class that someone else made, with the ProgID it needs.

!ifndef TARGET
  !define TARGET amd64-unicode
!endif
!ifndef OUTFILE
  !define OUTFILE qorvid-setup.exe
!endif
Target ${TARGET}
; On the 64-bit target ${RunningX64} is known when compiling, and LogicLib
; leaves the labels of the branches it drops unused.
!pragma warning disable 6012

!include MUI2.nsh
!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh
!include nsDialogs.nsh

!define CLSID "{7C3E5A92-1F4B-4D86-B2E9-5A0C8D13F647}"
!define PROGID "AddIn.qorvid"
!define DESCRIPTION "V7 AddIn 2.0"
!define CLASSES "Software\Classes"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\qorvid"
; Windows' answer when a program needs an administrator.
!define ERROR_ELEVATION_REQUIRED 740

Name "qorvid"
OutFile "${OUTFILE}"
SetCompressor /SOLID lzma
; Never a UAC prompt: a per-machine installation is run as administrator.
RequestExecutionLevel user
ShowInstDetails show
ShowUninstDetails show

Var AllUsers     ; 1: for every user of the machine
Var ChosenDir    ; 1: the folder came from /D= and stays
Var UserButton
Var MachineButton

!define MUI_ABORTWARNING
Page custom ModePage ModePageLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Russian"

LangString ModeTitle ${LANG_ENGLISH} "Who will use qorvid?"
LangString ModeTitle ${LANG_RUSSIAN} "Для кого установить qorvid?"
LangString ModeText ${LANG_ENGLISH} "Choose for whom the component is registered."
LangString ModeText ${LANG_RUSSIAN} "Выберите, для кого регистрируется компонента."
LangString ModeUser ${LANG_ENGLISH} "Only for me (no administrator rights needed)"
LangString ModeUser ${LANG_RUSSIAN} "Только для меня (права администратора не нужны)"
LangString ModeMachine ${LANG_ENGLISH} "For all users of this computer (run the installer as administrator)"
LangString ModeMachine ${LANG_RUSSIAN} "Для всех пользователей компьютера (запустите установщик от имени администратора)"
LangString NeedAdmin ${LANG_ENGLISH} "Installing for all users needs administrator rights. Start the installer with $\"Run as administrator$\", or install only for yourself."
LangString NeedAdmin ${LANG_RUSSIAN} "Для установки для всех пользователей нужны права администратора. Запустите установщик через $\"Запуск от имени администратора$\" или установите только для себя."
LangString UnNeedAdmin ${LANG_ENGLISH} "qorvid was installed for all users; removing it needs administrator rights."
LangString UnNeedAdmin ${LANG_RUSSIAN} "qorvid установлена для всех пользователей; для удаления нужны права администратора."
; The shortcuts' names do not depend on the language, so that an uninstaller
; shown in another language finds them.
!define CONSOLE32 "qorvid console (32-bit)"
!define CONSOLE64 "qorvid console (64-bit)"

; ---- shared by installer and uninstaller ------------------------------------

!macro IsAdmin result
  UserInfo::GetAccountType
  Pop ${result}
  ${If} ${result} == "Admin"
    StrCpy ${result} 1
  ${Else}
    StrCpy ${result} 0
  ${EndIf}
!macroend

; The registry context and the folders of the chosen mode.
!macro UseMode
  ${If} $AllUsers == 1
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
!macroend

; The path a registration records for the DLL: the short form when the path
; has a blank, as the DLL's own registration writes it.
!macro ServerPathFunction un
  Function ${un}ServerPath
    Exch $0  ; the DLL's path
    Push $1
    Push $2
    StrCpy $1 0
    ${Do}
      StrCpy $2 $0 1 $1
      ${IfThen} $2 == " " ${|} ${ExitDo} ${|}
      ${IfThen} $2 == "" ${|} ${ExitDo} ${|}
      IntOp $1 $1 + 1
    ${Loop}
    ${If} $2 == " "
      GetFullPathName /SHORT $2 $0
      ${IfThen} $2 != "" ${|} StrCpy $0 $2 ${|}
    ${EndIf}
    Pop $2
    Pop $1
    Exch $0
  FunctionEnd
!macroend
!insertmacro ServerPathFunction ""
!insertmacro ServerPathFunction "un."

!macro WriteProgId
  WriteRegStr SHCTX "${CLASSES}\${PROGID}" "" "${DESCRIPTION}"
  WriteRegStr SHCTX "${CLASSES}\${PROGID}\Clsid" "" "${CLSID}"
!macroend

; ---- installer ----------------------------------------------------------------

Function .onInit
  StrCpy $AllUsers 0
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/ALLUSERS" $1
  ${IfNot} ${Errors}
    StrCpy $AllUsers 1
  ${EndIf}
  StrCpy $ChosenDir 0
  ${IfNot} $INSTDIR == ""
    StrCpy $ChosenDir 1
  ${EndIf}
  ${If} ${Silent}
  ${AndIf} $AllUsers == 1
    !insertmacro IsAdmin $0
    ${If} $0 != 1
      SetErrorLevel ${ERROR_ELEVATION_REQUIRED}
      Quit
    ${EndIf}
  ${EndIf}
  Call SetDefaultDir
FunctionEnd

Function SetDefaultDir
  !insertmacro UseMode
  ${If} $ChosenDir == 1
    Return
  ${EndIf}
  ${If} $AllUsers == 1
    StrCpy $INSTDIR "$PROGRAMFILES64\qorvid"
  ${Else}
    StrCpy $INSTDIR "$LOCALAPPDATA\Programs\qorvid"
  ${EndIf}
FunctionEnd

Function ModePage
  !insertmacro MUI_HEADER_TEXT "$(ModeTitle)" "$(ModeText)"
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateRadioButton} 0 20u 100% 14u "$(ModeUser)"
  Pop $UserButton
  ${NSD_CreateRadioButton} 0 40u 100% 14u "$(ModeMachine)"
  Pop $MachineButton
  ${If} $AllUsers == 1
    ${NSD_Check} $MachineButton
  ${Else}
    ${NSD_Check} $UserButton
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function ModePageLeave
  ${NSD_GetState} $MachineButton $0
  ${If} $0 == ${BST_CHECKED}
    !insertmacro IsAdmin $1
    ${If} $1 != 1
      MessageBox MB_ICONEXCLAMATION|MB_OK "$(NeedAdmin)"
      Abort
    ${EndIf}
    StrCpy $AllUsers 1
  ${Else}
    StrCpy $AllUsers 0
  ${EndIf}
  Call SetDefaultDir
FunctionEnd

; The five entries of the class for the DLL at $0, in the current registry view.
Function WriteClass
  Push $0
  Call ServerPath
  Pop $1
  WriteRegStr SHCTX "${CLASSES}\CLSID\${CLSID}" "" "${DESCRIPTION}"
  WriteRegStr SHCTX "${CLASSES}\CLSID\${CLSID}\InprocServer32" "" $1
  !insertmacro WriteProgId
  WriteRegStr SHCTX "${CLASSES}\CLSID\${CLSID}\ProgID" "" "${PROGID}"
FunctionEnd

Section "qorvid"
  !insertmacro UseMode
  SetOutPath "$INSTDIR\x86"
  File "/oname=qorvid.dll" "${X86_DLL}"
  File "/oname=qorvid-console.exe" "${X86_CONSOLE}"
  ${If} ${RunningX64}
    SetOutPath "$INSTDIR\x64"
    File "/oname=qorvid.dll" "${X64_DLL}"
    File "/oname=qorvid-console.exe" "${X64_CONSOLE}"
  ${EndIf}
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The 32-bit view first: where both views are one key (HKCU's classes
  ; under Wine), the 64-bit registration is the one that stays.
  SetRegView 32
  StrCpy $0 "$INSTDIR\x86\qorvid.dll"
  Call WriteClass
  ${If} ${RunningX64}
    SetRegView 64
    StrCpy $0 "$INSTDIR\x64\qorvid.dll"
    Call WriteClass
  ${EndIf}

  ; The console opens in the user's own folder.
  SetOutPath "$PROFILE"
  CreateDirectory "$SMPROGRAMS\qorvid"
  CreateShortcut "$SMPROGRAMS\qorvid\${CONSOLE32}.lnk" "$INSTDIR\x86\qorvid-console.exe"
  ${If} ${RunningX64}
    CreateShortcut "$SMPROGRAMS\qorvid\${CONSOLE64}.lnk" "$INSTDIR\x64\qorvid-console.exe"
  ${EndIf}

  ; "Apps & features": in the native view, where Windows lists it.
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "qorvid"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\uninstall.exe"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "qorvid"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "StartMenuFolder" "$SMPROGRAMS\qorvid"
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; ---- uninstaller ----------------------------------------------------------------

Function un.onInit
  ; Installed for all users when the machine's entry names this folder.
  StrCpy $AllUsers 0
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    StrCpy $AllUsers 1
    !insertmacro IsAdmin $0
    ${If} $0 != 1
      ${IfNot} ${Silent}
        MessageBox MB_ICONSTOP|MB_OK "$(UnNeedAdmin)"
      ${EndIf}
      SetErrorLevel ${ERROR_ELEVATION_REQUIRED}
      Quit
    ${EndIf}
  ${EndIf}
  !insertmacro UseMode
FunctionEnd

; $1: 1 when the current view's class is the DLL at $0, whose keys are then
; removed; a registration of another file stays.
Function un.RemoveClass
  Push $0
  Call un.ServerPath
  Pop $2
  ReadRegStr $3 SHCTX "${CLASSES}\CLSID\${CLSID}\InprocServer32" ""
  ${If} $3 == $2
  ${OrIf} $3 == $0
    ; Each key only when no key of someone else's is below it.
    DeleteRegKey /ifnosubkeys SHCTX "${CLASSES}\CLSID\${CLSID}\ProgID"
    DeleteRegKey /ifnosubkeys SHCTX "${CLASSES}\CLSID\${CLSID}\InprocServer32"
    DeleteRegKey /ifnosubkeys SHCTX "${CLASSES}\CLSID\${CLSID}"
  ${EndIf}
FunctionEnd

; $1: 1 when the class is still registered in the current view.
Function un.ClassRemains
  ClearErrors
  ReadRegStr $1 SHCTX "${CLASSES}\CLSID\${CLSID}\InprocServer32" ""
  ${If} ${Errors}
    StrCpy $1 0
  ${Else}
    StrCpy $1 1
  ${EndIf}
FunctionEnd

!macro RemoveProgIdUnlessClassRemains
  Call un.ClassRemains
  ${If} $1 == 0
    DeleteRegKey /ifnosubkeys SHCTX "${CLASSES}\${PROGID}\Clsid"
    DeleteRegKey /ifnosubkeys SHCTX "${CLASSES}\${PROGID}"
  ${EndIf}
!macroend

; Since Windows 7 both views share the ProgID key: the delete above may have
; taken it from a registration that remains in the other view.
!macro RestoreProgIdIfClassRemains
  Call un.ClassRemains
  ${If} $1 == 1
    !insertmacro WriteProgId
  ${EndIf}
!macroend

Section "Uninstall"
  SetRegView 32
  StrCpy $0 "$INSTDIR\x86\qorvid.dll"
  Call un.RemoveClass
  ${If} ${RunningX64}
    SetRegView 64
    StrCpy $0 "$INSTDIR\x64\qorvid.dll"
    Call un.RemoveClass
  ${EndIf}
  SetRegView 32
  !insertmacro RemoveProgIdUnlessClassRemains
  ${If} ${RunningX64}
    SetRegView 64
    !insertmacro RemoveProgIdUnlessClassRemains
    !insertmacro RestoreProgIdIfClassRemains
    SetRegView 32
    !insertmacro RestoreProgIdIfClassRemains
    SetRegView 64
  ${EndIf}

  Delete "$SMPROGRAMS\qorvid\${CONSOLE32}.lnk"
  Delete "$SMPROGRAMS\qorvid\${CONSOLE64}.lnk"
  RMDir "$SMPROGRAMS\qorvid"

  ; Only the files installed, and the folders only when nothing else is in them.
  Delete "$INSTDIR\x86\qorvid.dll"
  Delete "$INSTDIR\x86\qorvid-console.exe"
  Delete "$INSTDIR\x64\qorvid.dll"
  Delete "$INSTDIR\x64\qorvid-console.exe"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR\x86"
  RMDir "$INSTDIR\x64"
  RMDir "$INSTDIR"

  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
