#!/usr/bin/env bash
# The Windows build, cross-compiled with MinGW-w64 and checked under Wine:
#   1. installs what is missing (MinGW-w64, Wine, icoutils, NSIS, a CJK font,
#      Xvfb);
#   2. unpacks the cross-built Qt outside the work tree;
#   3. cross-builds GoogleTest, orlet.exe, orlet-gen.exe and the tests, with
#      the Qt and MinGW DLLs and the plugins beside them (build-win/bin);
#   4. runs the tests under Wine (the window tests on the offscreen platform,
#      the native frame on the windows platform in Xvfb);
#   5. compares orlet-gen.exe's output byte for byte with the Linux build's,
#      and checks that a console shows its Chinese whatever its code page;
#   6. packages the ZIP (build-win/Orlet-VERSION-win64.zip) and the installer
#      (Orlet-VERSION-win64-setup.exe), and installs, runs and uninstalls
#      that under Wine (scripts/windows-installer-test.sh).
# Usage: scripts/windows.sh [LINUX_BUILD_DIR]   (default build; make windows
# builds it first).  The Qt comes from ORLET_QT_MINGW (an unpacked prefix or
# the .tar.xz), else from ../shared/toolchains/ beside the project.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
linux_build=${1:-build}
build=${ORLET_WINDOWS_BUILD:-$root/build-win}
cache=${ORLET_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/orlet}
qt_archive_name=qt6.4.2-mingw-w64-x86_64.tar.xz

declare -a step_names=() step_seconds=()
step_start=0
begin() {
  step_start=$SECONDS
  echo "== $1"
  step_names+=("$1")
}
end() { step_seconds+=($((SECONDS - step_start))); }
report() {
  echo "== Step times (seconds):"
  for i in "${!step_seconds[@]}"; do printf '   %-28s %4d\n' "${step_names[$i]}" "${step_seconds[$i]}"; done
}

begin "install"
packages=(g++-mingw-w64-x86-64-posix wine wine64 icoutils nsis fonts-wqy-microhei xvfb xauth cmake ninja-build)
missing=()
for p in "${packages[@]}"; do
  [[ $(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true) == "install ok installed" ]] || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo=""
  [[ $(id -u) -eq 0 ]] || sudo=sudo
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
end

begin "unpack Qt"
qt_source=${ORLET_QT_MINGW:-$root/../shared/toolchains/$qt_archive_name}
if [[ -d $qt_source/lib/cmake/Qt6 ]]; then
  qt=$(cd "$qt_source" && pwd)
elif [[ -f $qt_source ]]; then
  qt=$cache/qt-mingw
  stamp="$(stat -c '%s %Y' "$qt_source")"
  if [[ ! -f $qt/.orlet-stamp || $(cat "$qt/.orlet-stamp") != "$stamp" ]]; then
    rm -rf "$qt" && mkdir -p "$cache"
    tar -xJf "$qt_source" -C "$cache"
    echo "$stamp" >"$qt/.orlet-stamp"
  fi
else
  cat >&2 <<MSG
No Qt for Windows: set ORLET_QT_MINGW to an unpacked Qt 6 prefix for x86_64-w64-mingw32 (or its
$qt_archive_name), or put the archive into ../shared/toolchains/.  To build it: run
build-qt-mingw.sh WORKDIR from ../shared/toolchains/ (Debian's qt6-base source; about 20 minutes).
MSG
  exit 1
fi
case "$qt" in "$root"/*) echo "The Qt prefix must lie outside the work tree: $qt" >&2; exit 1 ;; esac
end

toolchain=$root/cmake/mingw-w64-x86_64.cmake
begin "cross build"
gtest=$build/googletest-install
if [[ ! -f $gtest/lib/libgtest.a ]]; then
  cmake -G Ninja -S /usr/src/googletest -B "$build/googletest" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_GMOCK=OFF -DCMAKE_INSTALL_PREFIX="$gtest" >/dev/null
  cmake --build "$build/googletest" -j 2 >/dev/null
  cmake --install "$build/googletest" >/dev/null
fi
cmake -G Ninja -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" -DQT_CHAINLOAD_TOOLCHAIN_FILE="$toolchain" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DCMAKE_FIND_ROOT_PATH="$qt;$gtest" -DORLET_BUILD_BENCHMARKS=OFF \
  -DCMAKE_RUNTIME_OUTPUT_DIRECTORY="$build/bin" -DCMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE=PRE_TEST >/dev/null
cmake --build "$build" -j 2
end

begin "tests under Wine"
# Wine keeps its own prefix outside the work tree, and hands a Windows
# program no QT_* variable of the Linux side: WINEQT_X reaches it as QT_X.
export WINEPREFIX=${ORLET_WINEPREFIX:-$cache/wine} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [[ ! -f $WINEPREFIX/system.reg ]]; then
  mkdir -p "$WINEPREFIX"
  wine wineboot -i >/dev/null 2>&1
  wineserver -w # the new prefix's own settings first, or they overwrite those below
  # Wine draws the Windows frame itself (there is no window manager in
  # Xvfb), and the frame's font falls back on the CJK font for Chinese.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v Tahoma \
    /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1
fi
fonts=$WINEPREFIX/drive_c/windows/Fonts
mkdir -p "$fonts"
cp -u /usr/share/fonts/truetype/wqy/wqy-microhei.ttc "$fonts/"
# The offscreen platform reads its fonts from a folder.
export WINEQT_QPA_FONTDIR='C:\windows\Fonts'
wineserver -w
bin=$build/bin
failed=()
run() { # NAME COMMAND...: runs one test executable, keeps its log
  local name=$1
  shift
  if "$@" >"$build/$name.log" 2>&1; then
    echo "   passed: $name ($(grep -Eo '(PASSED  \] [0-9]+ tests|Totals: [0-9]+ passed)' "$build/$name.log" | tail -1))"
  else
    echo "   FAILED: $name (log: $build/$name.log)"
    tail -n 20 "$build/$name.log"
    failed+=("$name")
  fi
}
# A Qt Test under Wine writes its log into a file only: not to a pipe.
qt_test() { # NAME [COMMAND PREFIX...]
  local name=$1 log
  shift
  log=$build/$name.log
  # Wine's Z: is /; winepath would start a Wine session outside the X server.
  rm -f "$log"
  "$@" wine "$bin/$name.exe" -o "Z:${log//\//\\},txt" >"$build/$name.out" 2>&1 || true
  if [[ ! -s $log ]]; then
    # No log at all: Wine did not get the program going (seen once on a
    # loaded machine, the same executable passing at once when run again),
    # which is not a test result.
    echo "   $name wrote no log; once more"
    wineserver -w
    "$@" wine "$bin/$name.exe" -o "Z:${log//\//\\},txt" >"$build/$name.out" 2>&1 || true
  fi
  if grep -q '^Totals: [0-9]* passed, 0 failed' "$log" 2>/dev/null; then
    echo "   passed: $name ($(grep -Eo 'Totals: [0-9]+ passed' "$log"))"
  else
    echo "   FAILED: $name (log: $log)"
    grep -E '^(FAIL|Totals)|crash' "$log" "$build/$name.out" | head -n 20 || true
    failed+=("$name")
  fi
}
run orlet_core_tests wine "$bin/orlet_core_tests.exe"
run orlet_text_tests wine "$bin/orlet_text_tests.exe"
run orlet_cli_tests wine "$bin/orlet_cli_tests.exe"
for t in MainWindowTest TimerBlocksTest SerialPortTest CrystalTest ActionSequenceTest PrecisionTest DialogFrameTest; do
  qt_test "$t" env WINEQT_QPA_PLATFORM=offscreen
done
wineserver -w # the windows platform needs a Wine session that starts with the X server
# The Wine session ends before its X server does: a desktop process left
# behind would refuse every window of the next run.
qt_test WindowsFrameTest env WINEQT_QPA_PLATFORM=windows xvfb-run -a -s "-screen 0 1024x768x24" \
  sh -c '"$@"; status=$?; wineserver -w; exit $status' sh
echo "   resources of orlet.exe: $(wrestool -l "$bin/orlet.exe" | grep -Eo 'type=[a-z_]+' | sort | uniq -c | xargs)"
end

begin "orlet-gen.exe against Linux"
linux_gen=$linux_build/cli/orlet-gen
if [[ ! -x $linux_gen ]]; then
  echo "No Linux orlet-gen in $linux_build: run make build first" >&2
  exit 1
fi
# Every block and every Chinese comment, both encodings, both outputs.
configurations=(
  ""
  "--comments"
  "--comments --int0 level --int1 falling --timer0 1:1000 --timer1 2:100"
  "--comments --int0 falling --int1 level --counter0 2:10 --uart 9600 --double-baud --uart-interrupt"
  "--int0 level --int1 level --timer0 0:5000 --gate0 --counter1 1:300"
  "--comments --timer0 2:100 --uart 115200 --crystal 22.1184"
  "--comments --uart-interrupt"
  "--comments --int0 level --timer1 1:50000 --crystal 11.0592 --dialect sdcc"
  "--json --timer0 1:1000 --uart 4800 --crystal 11.0592"
  "--explain --timer0 1:1000 --counter1 2:7 --crystal 7.3728"
)
compare_dir=$build/compare
rm -rf "$compare_dir" && mkdir -p "$compare_dir"
mismatches=0
for i in "${!configurations[@]}"; do
  for encoding in gbk utf-8; do
    read -r -a args <<<"${configurations[$i]} --encoding $encoding"
    expected=$compare_dir/$i-$encoding.linux
    "$linux_gen" "${args[@]}" >"$expected" || echo "   orlet-gen refused: ${args[*]}"
    wine "$bin/orlet-gen.exe" "${args[@]}" >"$compare_dir/$i-$encoding.stdout" || true
    wine "$bin/orlet-gen.exe" "${args[@]}" -o "$(winepath -w "$compare_dir/$i-$encoding.file")" || true
    for got in "$compare_dir/$i-$encoding.stdout" "$compare_dir/$i-$encoding.file"; do
      if ! cmp -s "$expected" "$got"; then
        echo "   differs: orlet-gen ${args[*]} (${got##*.})"
        mismatches=$((mismatches + 1))
      fi
    done
  done
done
echo "   compared $((${#configurations[@]} * 4)) outputs: $mismatches differ"
((mismatches == 0)) || failed+=("orlet-gen.exe output")
end

begin "console"
# Started on a terminal, a Wine program gets a console whose code page is
# 437 unless chcp sets another: orlet-gen's Chinese error line reads right
# in each only when it reaches the console as characters. Redirected, the
# bytes stay those of the Linux build.
gen_path="Z:${bin//\//\\}\\orlet-gen.exe"
for cp in 437 936 65001; do
  shown=$(LC_ALL=C.UTF-8 timeout 120 script -qec "wine cmd /c 'chcp $cp >nul & $gen_path --timer0 1:1000000'" /dev/null || true)
  if [[ $shown == *"orlet-gen: 定时时间超出16位范围: timer0 mode 1"* ]]; then
    echo "   code page $cp: the console shows the Chinese error line"
  else
    echo "   code page $cp: the console shows: $(sed 's/\x1b\[[0-9;?]*[a-zA-Z]//g' <<<"$shown" | tr -d '\r' | head -c 300)"
    failed+=("console $cp")
  fi
done
# The console test of orlet_text_tests runs only where there is a console.
console_xml=$build/console-test.xml
rm -f "$console_xml"
LC_ALL=C.UTF-8 timeout 120 script -qec "wine '$bin/orlet_text_tests.exe' --gtest_filter='ConsoleWriter*' \
  --gtest_output=xml:Z:${console_xml//\//\\\\}" /dev/null >/dev/null 2>&1 || true
if grep -q 'failures="0" disabled="0" skipped="0"' "$console_xml" 2>/dev/null; then
  echo "   passed: ConsoleWriterTest on a console (code pages 437, 936, 65001, 1252)"
else
  echo "   FAILED: ConsoleWriterTest on a console (report: $console_xml)"
  failed+=("console test")
fi
if ! cmp -s <(wine "$bin/orlet-gen.exe" --timer0 1:1000000 2>&1 >/dev/null) \
  <("$linux_gen" --timer0 1:1000000 2>&1 >/dev/null); then
  echo "   the redirected error line differs from the Linux build's"
  failed+=("console redirected")
fi
version=$(wine "$bin/orlet.exe" --version | tr -d '\r')
[[ $version == "orlet $("$linux_gen" --version | sed 's/^orlet-gen //')" ]] || {
  echo "   orlet.exe --version said: $version"
  failed+=("orlet.exe --version")
}
end

begin "zip"
(cd "$build" && cpack -G ZIP >/dev/null)
zip_file=$(ls -t "$build"/Orlet-*-win64.zip | head -1)
echo "   $zip_file ($(du -k "$zip_file" | cut -f1) KiB)"
# What the zip holds starts on its own: orlet-gen.exe from it, as a user
# would run it, writes the Linux build's bytes.
unpacked=$build/zip-check
rm -rf "$unpacked" && mkdir -p "$unpacked" && (cd "$unpacked" && cmake -E tar xf "$zip_file")
zip_gen=$(ls "$unpacked"/*/bin/orlet-gen.exe)
if ! cmp -s <(wine "$zip_gen" --comments --int0 level --timer0 1:1000 --uart 9600 --uart-interrupt) \
  <("$linux_gen" --comments --int0 level --timer0 1:1000 --uart 9600 --uart-interrupt); then
  echo "   orlet-gen.exe from the zip differs from the Linux build"
  failed+=("zip")
fi
end

begin "installer"
# Silent install into a folder of the test's own, the installed programs and
# their Start-menu entry, then a silent uninstall that leaves nothing behind:
# no file, no shortcut, no registry key.
if (cd "$build" && cpack -G NSIS >"$build/cpack-nsis.log" 2>&1); then
  setup=$(ls -t "$build"/Orlet-*-win64-setup.exe | head -1)
  echo "   $setup ($(du -k "$setup" | cut -f1) KiB)"
  if scripts/windows-installer-test.sh "$setup" "$linux_gen"; then
    echo "   install, run and uninstall under Wine: passed"
  else
    failed+=("installer")
  fi
else
  echo "   cpack -G NSIS failed (log: $build/cpack-nsis.log)"
  tail -n 20 "$build/cpack-nsis.log"
  failed+=("installer")
fi
end

report
if ((${#failed[@]})); then
  echo "Windows build: failed: ${failed[*]}" >&2
  exit 1
fi
echo "Windows build: all tests passed under Wine, orlet-gen.exe matches the Linux build, package built."
