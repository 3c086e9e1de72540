; A runtime's installer as NSIS builds one, from -DOUT=FILE, -DHIVE=HKLM|HKCU and -DVIEW=32|64:
; the runtime's version is its product version, the installer's build its file version.
Unicode true
Name "Runtime"
OutFile "${OUT}"
RequestExecutionLevel admin
SilentInstall silent
VIProductVersion 2.1.0.5
VIFileVersion 1.0.0.17
VIAddVersionKey ProductName "Runtime"
VIAddVersionKey ProductVersion "2.1.0.5"
VIAddVersionKey FileVersion "1.0.0.17"
VIAddVersionKey FileDescription "Runtime installer"
VIAddVersionKey LegalCopyright "Maker"
Section
    SetRegView ${VIEW}
    WriteRegStr ${HIVE} "Software\Maker\Runtime" "Version" "2.1.0.5"
SectionEnd
