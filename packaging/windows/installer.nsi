; The Windows installer: for the one user who runs it, without administrator rights, into
; %LOCALAPPDATA%\Programs\Mulo, with a Start-menu entry and an uninstaller. The lessons,
; test.txt, live beside the program: installing over them, or uninstalling, keeps them.
; A folder of the parent's own is never filled with the program's files, nor emptied of
; theirs: the program goes into a Mulo folder inside one that holds other things, and the
; uninstaller removes only the files the installer wrote.
; scripts/build-windows runs makensis with VERSION, STAGE (the installed files) and OUTFILE;
; STAGE\..\uninstall-files.nsh lists what the uninstaller removes.
; A 64-bit installer for the 64-bit program (and Wine without its 32-bit half runs it).
Target amd64-unicode
!include MUI2.nsh

!define TITLE "Mulo儿童识字"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Mulo"

Name "${TITLE}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\Mulo"
SetCompressor /SOLID lzma

!define MUI_ICON "${STAGE}\..\mulo.ico"
!define MUI_UNICON "${STAGE}\..\mulo.ico"
!define MUI_FINISHPAGE_RUN "$INSTDIR\mulo.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

; An empty folder, or an earlier install, takes the program as it is; any other gets a Mulo
; folder inside it.
Function ChooseInstallFolder
  IfFileExists "$INSTDIR\mulo.exe" done
  FindFirst $0 $1 "$INSTDIR\*.*"
  loop:
    StrCmp $1 "" empty
    StrCmp $1 "." next
    StrCmp $1 ".." next
    FindClose $0
    StrCpy $INSTDIR "$INSTDIR\Mulo"
    Return
  next:
    FindNext $0 $1
    Goto loop
  empty:
    FindClose $0
  done:
FunctionEnd

Section "Mulo"
  Call ChooseInstallFolder
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
  Delete "$SMPROGRAMS\${TITLE}\${TITLE}.lnk"
  Delete "$SMPROGRAMS\${TITLE}\课文 (test.txt).lnk"
  Delete "$SMPROGRAMS\${TITLE}\卸载 ${TITLE}.lnk"
  RMDir "$SMPROGRAMS\${TITLE}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
