; The Windows installer: for the one user who runs it, without administrator rights, into
; %LOCALAPPDATA%\Programs\Mulo, with a Start-menu entry and an uninstaller. The lessons,
; test.txt, live beside the program: installing over them, or uninstalling, keeps them.
; A folder of the parent's own is never filled with the program's files, nor emptied of
; theirs: the program goes into a Mulo folder inside one that holds other things, and the
; uninstaller removes only the files the installer wrote.
; Run again, it goes back to its own folder: the one it was installed in (remembered in the
; registry, and kept there after an uninstall while the lessons are), so an upgrade or an
; install after an uninstall lands beside the parent's lessons.
; scripts/build-windows runs makensis with VERSION, STAGE (the installed files) and OUTFILE;
; STAGE\..\uninstall-files.nsh lists what the uninstaller removes.
; A 64-bit installer for the 64-bit program (and Wine without its 32-bit half runs it).
Target amd64-unicode
!include MUI2.nsh
!include LogicLib.nsh

!define TITLE "Mulo儿童识字"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Mulo"
; The folder of the program and its lessons, from the last install.
!define FOLDER_KEY "Software\Mulo"
!define DEFAULT_FOLDER "$LOCALAPPDATA\Programs\Mulo"

Name "${TITLE}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "${DEFAULT_FOLDER}"
InstallDirRegKey HKCU "${FOLDER_KEY}" "InstallDir"
SetCompressor /SOLID lzma

!define MUI_ICON "${STAGE}\..\mulo.ico"
!define MUI_UNICON "${STAGE}\..\mulo.ico"
!define MUI_FINISHPAGE_RUN "$INSTDIR\mulo.exe"
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE LeaveFolderPage
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

; The folder the installer proposes, or takes when run with /S.
Var proposed

; Pushes 1 when the command line names the folder (/D=, always last), else 0: NSIS has taken
; it out of $CMDLINE by the time the installer runs.
Function FolderNamed
  Push $0
  Push $1
  Push $2
  System::Call "kernel32::GetCommandLineW() t .r0"
  StrCpy $2 0
  ${Do}
    StrCpy $1 $0 4 $2
    ${If} $1 S== " /D="
      StrCpy $1 1
      ${Break}
    ${ElseIf} $1 == ""
      StrCpy $1 0
      ${Break}
    ${EndIf}
    IntOp $2 $2 + 1
  ${Loop}
  Pop $2
  Exch $1
  Exch
  Pop $0
FunctionEnd

; The program's own folder takes it as it is: the folder that holds the program; the folder
; of the last install, or the default one, while lessons are there (with whatever the parent
; put beside them, such as a batch file that starts it larger); and one that holds nothing
; but lessons (what an uninstall leaves) or nothing at all. Any other gets a Mulo folder
; inside it.
Function ChooseInstallFolder
  ${If} ${FileExists} "$INSTDIR\mulo.exe"
    Return
  ${EndIf}
  ReadRegStr $0 HKCU "${FOLDER_KEY}" "InstallDir"
  ${If} ${FileExists} "$INSTDIR\test.txt"
    ${If} $INSTDIR == $0
    ${OrIf} $INSTDIR == "${DEFAULT_FOLDER}"
      Return
    ${EndIf}
  ${EndIf}
  FindFirst $0 $1 "$INSTDIR\*.*"
  ${DoUntil} $1 == ""
    ${If} $1 != "."
    ${AndIf} $1 != ".."
    ${AndIf} $1 != "test.txt"
      StrCpy $INSTDIR "$INSTDIR\Mulo"
      ${Break}
    ${EndIf}
    FindNext $0 $1
  ${Loop}
  FindClose $0
FunctionEnd

; Without /D=, the folder of the last install (InstallDirRegKey has put it in $INSTDIR) while
; it holds the program or its lessons; else an install by a version that remembered its folder
; only in the Apps entry; else the default folder. Run with or without /S alike, so the
; folder page proposes what a silent install takes.
Function .onInit
  Call FolderNamed
  Pop $0
  ${If} $0 == 0
  ${AndIfNot} ${FileExists} "$INSTDIR\mulo.exe"
    ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 != ""
    ${AndIf} ${FileExists} "$0\mulo.exe"
      StrCpy $INSTDIR $0
    ${ElseIfNot} ${FileExists} "$INSTDIR\test.txt"
      StrCpy $INSTDIR "${DEFAULT_FOLDER}"
    ${EndIf}
  ${EndIf}
  Call ChooseInstallFolder
  StrCpy $proposed $INSTDIR
FunctionEnd

; A folder typed or browsed to is taken as the silent install takes /D=. Another folder than
; the one the program is in would hold a second copy, without the lessons: the parent is asked
; first.
Function LeaveFolderPage
  ${If} $INSTDIR != $proposed
    Call ChooseInstallFolder
  ${EndIf}
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} $0 != $INSTDIR
  ${AndIf} ${FileExists} "$0\mulo.exe"
    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
      "${TITLE} 已经装在：$\r$\n$0$\r$\n你的课文 test.txt 也在那里。升级请装到原来的文件夹。$\r$\n$\r$\n仍要在下面的文件夹另装一份吗？课文不会跟着过去。$\r$\n$INSTDIR" \
      IDYES +2
    Abort
  ${EndIf}
FunctionEnd

Section "Mulo"
  SetOutPath "$INSTDIR"
  File /r /x test.txt "${STAGE}\*.*"
  ; The sample lessons only where there are none yet.
  SetOverwrite off
  File "${STAGE}\test.txt"
  SetOverwrite on
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\${TITLE}"
  CreateShortcut "$SMPROGRAMS\${TITLE}\${TITLE}.lnk" "$INSTDIR\mulo.exe"
  CreateShortcut "$SMPROGRAMS\${TITLE}\课文 (test.txt).lnk" "$INSTDIR\test.txt"
  CreateShortcut "$SMPROGRAMS\${TITLE}\卸载 ${TITLE}.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKCU "${FOLDER_KEY}" "InstallDir" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${TITLE}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\mulo.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  ; Exactly the files the installer brought, then their folders where nothing else is left
  ; in them; test.txt, the parent's lessons, stays, and so does the folder that holds it.
  !include "${STAGE}\..\uninstall-files.nsh"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  ; The Start-menu entries and the Apps entry are the last install's: an older copy elsewhere
  ; leaves them to the program they point at.
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${IfNot} ${FileExists} "$0\mulo.exe"
    Delete "$SMPROGRAMS\${TITLE}\${TITLE}.lnk"
    Delete "$SMPROGRAMS\${TITLE}\课文 (test.txt).lnk"
    Delete "$SMPROGRAMS\${TITLE}\卸载 ${TITLE}.lnk"
    RMDir "$SMPROGRAMS\${TITLE}"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ${EndIf}
  ; The folder stays remembered while the lessons are in it: installing again goes back
  ; beside them, wherever that was.
  ReadRegStr $0 HKCU "${FOLDER_KEY}" "InstallDir"
  ${IfNot} ${FileExists} "$0\test.txt"
  ${AndIfNot} ${FileExists} "$0\mulo.exe"
    DeleteRegKey HKCU "${FOLDER_KEY}"
  ${EndIf}
SectionEnd
