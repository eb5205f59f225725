#!/usr/bin/env bash
# Installs Orlet's Windows installer silently under Wine into a folder of its
# own, checks what it installed (the programs, the notices, the Start-menu
# entry, the uninstaller), runs the installed orlet-gen.exe against the Linux
# orlet-gen, uninstalls silently and checks that nothing is left: no file, no
# shortcut, no registry key.  scripts/windows.sh runs it with its Wine prefix.
# Usage: scripts/windows-installer-test.sh SETUP.exe LINUX_ORLET_GEN
set -euo pipefail
setup=${1:?usage: windows-installer-test.sh SETUP.exe LINUX_ORLET_GEN}
linux_gen=${2:?usage: windows-installer-test.sh SETUP.exe LINUX_ORLET_GEN}
: "${WINEPREFIX:?run it with the Wine prefix of scripts/windows.sh}"
export WINEDEBUG=-all
# No menu entries or icons of the Linux desktop for what the installer adds.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}winemenubuilder.exe=d"

drive_c=$WINEPREFIX/drive_c
folder='C:\orlet-installer-test'
installed=$drive_c/orlet-installer-test
problems=()
problem() { problems+=("$1"); echo "   installer test: $1"; }
shortcuts() { find "$drive_c" -path '*Start Menu/Programs/Orlet*' -print 2>/dev/null; }
# Registry lines that name Orlet; Wine writes its registry out once idle.
registry() { wineserver -w; cat "$WINEPREFIX"/{system,user}.reg | grep -ci orlet || true; }

rm -rf "$installed"
registry_before=$(registry)
shortcuts_before=$(shortcuts | wc -l)

# /D= comes last and unquoted, as NSIS wants it.
wine "$setup" /S "/D=$folder" || problem "the installer ended with status $?"
wineserver -w
for f in bin/orlet.exe bin/orlet-gen.exe bin/Qt6Core.dll bin/platforms/qwindows.dll \
  LICENSE.txt THIRD-PARTY-NOTICES.txt README.txt Uninstall.exe; do
  [[ -f $installed/$f ]] || problem "not installed: $f"
done
shortcuts | grep -q '/Orlet\.lnk$' || problem "no Start-menu entry Orlet.lnk"
(($(registry) > registry_before)) || problem "no uninstall entry in the registry"

if [[ -f $installed/bin/orlet-gen.exe ]]; then
  args=(--comments --int0 level --timer0 1:1000 --uart 9600 --uart-interrupt)
  cmp -s <(wine "$installed/bin/orlet-gen.exe" "${args[@]}") <("$linux_gen" "${args[@]}") ||
    problem "the installed orlet-gen.exe writes other bytes than the Linux build"
fi

if [[ -f $installed/Uninstall.exe ]]; then
  # The uninstaller copies itself to a temporary folder and runs from there.
  wine "$installed/Uninstall.exe" /S || problem "the uninstaller ended with status $?"
  wineserver -w
fi
[[ ! -e $installed ]] || problem "left behind: $(cd "$installed" && find . -mindepth 1 | head -5 | xargs)"
(($(shortcuts | wc -l) == shortcuts_before)) || problem "Start-menu entries left behind: $(shortcuts | xargs)"
(($(registry) <= registry_before)) || problem "registry keys naming Orlet left behind"

((${#problems[@]} == 0))
