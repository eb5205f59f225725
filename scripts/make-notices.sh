#!/usr/bin/env bash
# Writes packaging/THIRD-PARTY-NOTICES.txt: the terms of what the packages
# carry besides Orlet itself (Qt's DLLs and the MinGW-w64 run-time DLLs in the
# Windows zip and installer), with the licence texts Debian ships.  Run it
# on Debian 12 after a change of the Qt or the MinGW-w64 used for Windows and
# commit the result; the build only uses the committed file.
# Usage: scripts/make-notices.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh base-files libqt6core6 gcc-12-base mingw-w64-common >/dev/null
out=packaging/THIRD-PARTY-NOTICES.txt
qt_version=$(dpkg-query -W -f='${Version}' libqt6core6)
mingw_version=$(dpkg-query -W -f='${Version}' mingw-w64-common)
licences=/usr/share/common-licenses
rule() { printf '\n%s\n%s\n\n' "$1" "$(printf '=%.0s' $(seq ${#1}))"; }
# The text of a stand-alone licence paragraph ("License: NAME" followed by
# the indented text) of a Debian copyright file, unindented.
licence_text() { # FILE NAME
  awk -v head="License: $2" '$0 == head {maybe = 1; next}
    maybe && /^ / {on = 1} {maybe = 0} on && !/^ / {exit} on' "$1" | sed -e 's/^ //' -e 's/^\.$//'
}
{
  cat <<TEXT
Third-party software in Orlet's packages
========================================

Orlet itself is under the MIT licence (LICENSE.txt beside this file).  The Windows zip and
installer also carry, unchanged in function, the following programs of others
in bin\\ beside orlet.exe and orlet-gen.exe.  The Debian package carries none
of them: there Orlet uses the system's Qt.

1. Qt 6.4.2 (qtbase): Qt6Core.dll, Qt6Gui.dll, Qt6Widgets.dll,
   platforms\\qwindows.dll and styles\\qwindowsvistastyle.dll.
   Copyright (C) The Qt Company Ltd. and other contributors.
   Used under the GNU Lesser General Public License version 3 (LGPL-3, below,
   which adds to the GNU General Public License version 3, also below).
   Qt's own third-party parts and their terms are listed in section 4.

   Orlet links to these DLLs dynamically: you may replace them with your own
   build of Qt 6.4 (same compiler, MinGW-w64 GCC 12 with POSIX threads) and
   Orlet will use it.

   Source of exactly this Qt: Debian 12's source package qt6-base, version
   ${qt_version}, with one patch, cross-built with a script; both are in
   Orlet's source tree in packaging/qt-mingw/.
     - apt-get source qt6-base=${qt_version}   (on Debian 12), or
     - https://snapshot.debian.org/package/qt6-base/${qt_version/+/%2B}/
     - upstream: https://download.qt.io/archive/qt/6.4/6.4.2/submodules/qtbase-everywhere-src-6.4.2.tar.xz

2. The GCC run-time libraries: libstdc++-6.dll and libgcc_s_seh-1.dll, from
   GCC 12 as Debian's gcc-mingw-w64 packages build it.
   Copyright (C) Free Software Foundation, Inc.
   GNU General Public License version 3 with the GCC Runtime Library Exception
   version 3.1 (both below): the exception allows these libraries to be
   combined with and shipped beside a program of any licence.
   Source: Debian 12's source package gcc-mingw-w64, or https://gcc.gnu.org/.

3. The MinGW-w64 POSIX threads library: libwinpthread-1.dll, from
   mingw-w64 ${mingw_version} (Debian 12).
   Copyright (c) 2011-2016 mingw-w64 project; pthread.h Copyright (c) 2010
   Lockless Inc.  MIT (Expat) licence and BSD 3-clause licence, below.
   Source: Debian 12's source package mingw-w64, or https://www.mingw-w64.org/.

4. Qt's own copyright and licence statement, as Debian's qt6-base
   ${qt_version} carries it (debian/copyright): every part of the Qt source
   with its copyright holders and licence, including the parts built into the
   DLLs above (zlib, libpng, FreeType, HarfBuzz, PCRE2, double-conversion,
   md4c, TinyCBOR, the easing equations, SHA-3, the Unicode data).
TEXT
  rule "GNU Lesser General Public License version 3"
  cat "$licences/LGPL-3"
  rule "GNU General Public License version 3"
  cat "$licences/GPL-3"
  rule "GCC Runtime Library Exception version 3.1"
  awk '/^GCC RUNTIME LIBRARY EXCEPTION$/ {on = 1} on && /^libquadmath/ {exit} on' \
    /usr/share/doc/gcc-12-base/copyright | sed -e :a -e '/^\n*$/{$d;N;ba' -e '}'
  rule "MIT (Expat) licence of the MinGW-w64 POSIX threads library"
  echo "Copyright (c) 2011-2016 mingw-w64 project"
  echo
  licence_text /usr/share/doc/mingw-w64-common/copyright expat
  rule "BSD 3-clause licence of pthread.h (Lockless Inc.)"
  echo "Copyright (c) 2010 Lockless Inc."
  echo
  licence_text /usr/share/doc/mingw-w64-common/copyright BSD-3-clause-Lockless
  rule "Qt: debian/copyright of qt6-base ${qt_version}"
  cat /usr/share/doc/libqt6core6/copyright
} >"$out"
echo "$out: $(wc -c <"$out") bytes"
