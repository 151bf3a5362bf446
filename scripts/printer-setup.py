#!/usr/bin/env python3
"""Writes a large printer set-up for the whole-run benchmarks: 200 printers, printer i on
driver i mod 20. Each driver names six files of its own (the even ones lie in the driver
folder's folder 3) and six it shares with every other driver (the first three in folder 3,
the first also in the driver folder itself).
  printer-setup.py REG_FILE DRIVER_FOLDER SAMPLE_DLL
REG_FILE receives the printer and driver keys in REGEDIT4 form; the present files are copies
of SAMPLE_DLL in DRIVER_FOLDER and DRIVER_FOLDER/3."""
import pathlib
import shutil
import sys

DRIVERS = ("HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Print\\Environments\\"
           "Windows NT x86\\Drivers\\Version-3\\")
PRINTERS = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Print\\Printers\\"


def main(reg_file, driver_folder, sample):
    lines = ["REGEDIT4", ""]
    for d in range(20):
        names = [f"kdx{d:02}_{k}.dll" for k in range(6)] + [f"kdxcommon{k}.dll" for k in range(6)]
        data = b"".join(n.encode() + b"\0" for n in names) + b"\0"
        lines += [f"[{DRIVERS}Dexta Label Driver {d:02}]",
                  '"Dependent Files"=hex(7):' + ",".join(f"{b:02x}" for b in data), ""]
    for i in range(200):
        lines += [f"[{PRINTERS}Dexta Label Printer {i:03}]",
                  f'"Name"="Dexta Label Printer {i:03}"', f'"Port"="USB{i % 8 + 1:03}"',
                  f'"Printer Driver"="Dexta Label Driver {i % 20:02}"', ""]
    with open(reg_file, "w", newline="\r\n") as out:
        out.write("\n".join(lines) + "\n")
    folder = pathlib.Path(driver_folder)
    (folder / "3").mkdir(parents=True, exist_ok=True)
    present = [f"3/kdx{d:02}_{k}.dll" for d in range(20) for k in (0, 2, 4)]
    present += [f"3/kdxcommon{k}.dll" for k in range(3)] + ["kdxcommon0.dll"]
    for name in present:
        shutil.copyfile(sample, folder / name)


if __name__ == "__main__":
    main(*sys.argv[1:4])
