#!/usr/bin/env bash
# Makes the versioned PE files of the sample machines (checked in; run again only to change
# them): each line names a file below samples/, its file and product version and company.
set -euo pipefail
cd "$(dirname "$0")/../.."
make=tools/sample-pe/make-sample-pe.sh
xp=samples/winxp_de/drive_c
w98=samples/win98se_de/drive_c
# The Windows 10 x64 sample's files are 32-bit images like the others, also those of the
# 64-bit driver and monitor: the report reads no more of them than their version resource.
w10=samples/win10x64_de/drive_c
while IFS='|' read -r path file_version product_version company; do
  [[ -z $path || $path == \#* ]] && continue
  mkdir -p "$(dirname "$path")"
  "$make" "$path" "$file_version" "$product_version" "$company"
done <<$w10/Windows/System32/kdxmonx.dll|2.1.0.3|2.1|Kelmo Instruments GmbH
$w10/Windows/System32/drivers/kdxusb.sys|1.3.0.2|1.3|Kelmo Instruments GmbH
$w10/Windows/System32/drivers/usbprint.sys|10.0.19041.1 (WinBuild.160101.0800)|10.0.19041.1|Microsoft Corporation
$w10/Windows/SysWOW64/kdxmonx.dll|2.0.0.14|2.0|Kelmo Instruments GmbH
$w10/Windows/System32/spool/drivers/x64/3/KDX410.DLL|3.2.0.4|3.2|Kelmo Instruments GmbH
$w10/Windows/System32/spool/drivers/x64/3/KDX410UI.DLL|3.2.0.4|3.2|Kelmo Instruments GmbH
$w10/Windows/System32/spool/drivers/x64/3/kdxres.dll|3.2.0.4|3.2|Kelmo Instruments GmbH
$w10/Windows/System32/spool/drivers/x64/4/mxdwdui.dll|10.0.19041.1 (WinBuild.160101.0800)|10.0.19041.1|Microsoft Corporation
$w10/Windows/System32/spool/drivers/w32x86/3/KDX200.DLL|2.0.1.0|2.0|Kelmo Instruments GmbH
$w10/Program Files (x86)/Kelmo/KDX5/KDX5.EXE|5.4.0.12|5.4|Kelmo Instruments GmbH
$w10/Program Files (x86)/Kelmo/KDX5/kdxprint.exe|5.4.0.12|5.4|Kelmo Instruments GmbH
$w10/Program Files (x86)/Common Files/Dexta Label v5/dxlcore.dll|5.4.0.3|5.4|Kelmo Instruments GmbH
EOF_LIST
$xp/WINDOWS/system32/kdxmonx.dll|2.0.0.14|2.0|Kelmo Instruments GmbH
$xp/WINDOWS/kdxmonx.dll|1.5.0.0|1.5|Kelmo Instruments GmbH
$xp/WINDOWS/system32/drivers/kdxusb.sys|1.2.0.5|1.2|Kelmo Instruments GmbH
$xp/WINDOWS/system32/drivers/usbprint.sys|5.1.2600.2180 (xpsp_sp2_rtm.040803-2158)|5.1.2600.2180|Microsoft Corporation
$xp/WINDOWS/system32/spool/drivers/w32x86/KDX410UI.DLL|3.1.0.2|3.1|Kelmo Instruments GmbH
$xp/WINDOWS/system32/spool/drivers/w32x86/2/KDX410UI.DLL|3.0.0.9|3.0|Kelmo Instruments GmbH
$xp/WINDOWS/system32/spool/drivers/w32x86/3/KDX410.DLL|3.1.0.2|3.1|Kelmo Instruments GmbH
$xp/WINDOWS/system32/spool/drivers/w32x86/3/KDXMONX.DLL|1.0.0.3|1.0|Kelmo Instruments GmbH
$xp/WINDOWS/KELMO/kdxlang.dll|4.31.0.7|4.31|Kelmo Instruments GmbH
$xp/Programme/Kelmo/Dexta Label 4/KDXWIN.EXE|4.31.0.7|4.31|Kelmo Instruments GmbH
$xp/Programme/Kelmo/Dexta Label 4/kdxprn.dll|4.31.0.7|4.31|Kelmo Instruments GmbH
$xp/Programme/Kelmo/KDX5/KDX5.EXE|5.2.0.118|5.2|Kelmo Instruments GmbH
$xp/Programme/Kelmo/KDX5/kdxprint.exe|5.2.0.118|5.2|Kelmo 'Print' Tools
$xp/Programme/Kelmo/KDX5/KDXMONX.DLL|2.0.0.15|2.0|Kelmo Instruments GmbH
$xp/Programme/Gemeinsame Dateien/Dexta Label v5/dxlcore.dll|5.2.0.100|5.2|Kelmo Instruments GmbH
$w98/WINDOWS/SYSTEM/KDX9X.DRV|3.0.0.1|3.0|Kelmo Instruments GmbH
$w98/WINDOWS/KELMO/kdxlang.dll|4.20.0.3|4.20|Kelmo Instruments GmbH
$w98/KDX4/KDXWIN.EXE|4.20.0.3|4.20|Kelmo Instruments GmbH
EOF_LIST
