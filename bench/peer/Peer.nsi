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
  ; The same job as the program's: unregister the installed copy (kept in place, NOREMOVE), then
  ; install the new one into the same folder, the 32-bit system folder, and register it.
  !insertmacro UnInstallLib REGDLL NOTSHARED NOREMOVE "$WINDIR\SysWOW64\Quandrel.dll"
  !insertmacro InstallLib REGDLL NOTSHARED REBOOT_NOTPROTECTED "${LIBRARY_SOURCE}" "$WINDIR\SysWOW64\Quandrel.dll" "$WINDIR\SysWOW64"
SectionEnd
