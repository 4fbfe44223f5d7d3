; The peer for bench/run: a silent 64-bit installer that does what TarnwellUpdate does, upgrading
; the installed Quandrel.dll with the common library macros: unregister the old, install and
; register the new.
;   makensis -DLIBRARY_SOURCE=<newer Quandrel.dll> -DOUTPUT=<PeerSetup.exe> Peer.nsi

Unicode true
Target amd64-unicode
; The library is 64-bit: the macro then registers it with the 64-bit regsvr32.
!define LIBRARY_X64
!include Library.nsh

Name "Quandrel.dll"
OutFile "${OUTPUT}"
RequestExecutionLevel admin
SilentInstall silent
SetCompressor /SOLID lzma

Section
  ; The same job as the program's: unregister the installed copy (as the library macros do for a
  ; 64-bit library; their UnInstallLib unregisters only what it also removes), then install the
  ; new one into the same folder, the 32-bit system folder, and register it.
  ExecWait '"$SYSDIR\regsvr32.exe" /s /u "$WINDIR\SysWOW64\Quandrel.dll"'
  !insertmacro InstallLib REGDLL NOTSHARED REBOOT_NOTPROTECTED "${LIBRARY_SOURCE}" "$WINDIR\SysWOW64\Quandrel.dll" "$WINDIR\SysWOW64"
SectionEnd
