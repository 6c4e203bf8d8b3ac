#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a scratch root and starts the unpacked program the way a desktop
# menu would, with nothing from the build around it: offscreen, a fresh home, a clean environment. The program
# must make its database and end cleanly on a close request, writing its settings and leaving no lock or
# session file behind.
# Usage: package_test.sh <build folder> [cpack]
set -euo pipefail
build=$1
cpack=${2:-cpack}
scratch=$(mktemp -d)
pid=
cleanup() {
  if [ -n "$pid" ]; then kill -KILL "$pid" 2>/dev/null || true; fi
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  for log in "$scratch"/*.log; do [ -s "$log" ] && { echo "--- $log"; cat "$log"; } >&2; done
  exit 1
}

# The package, with its dependencies found by dpkg-shlibdeps.
"$cpack" -G DEB -B "$scratch/deb" --config "$build/CPackConfig.cmake" >"$scratch/cpack.log" 2>&1 || fail "cpack failed"
shopt -s nullglob
debs=("$scratch"/deb/grocelle_*.deb)
[ "${#debs[@]}" -eq 1 ] || fail "expected one grocelle_*.deb, found ${#debs[@]}"
deb=${debs[0]}
[ "$(dpkg-deb --field "$deb" Package)" = grocelle ] || fail "wrong package name"
depends=$(dpkg-deb --field "$deb" Depends)
names=$(sed 's/ *([^)]*)//g; s/, */\n/g' <<<"$depends")
for lib in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 libqt6svg6 libsqlite3-0 \
  libzip4 libicu72 libqrencode4; do
  grep -qxF "$lib" <<<"$names" || fail "Depends lacks $lib: $depends"
done
grep -Eq 'libc6 \(>= [0-9.]+\)' <<<"$depends" || fail "Depends has no versions from the libraries: $depends"
grep -qxF sqlite3 <<<"$names" || fail "Depends lacks sqlite3, which salvages damaged table files: $depends"

# What the package puts where, and nothing else: no test or benchmark program, no build-tree file.
root=$scratch/root
dpkg -x "$deb" "$root"
expected=(
  usr/bin/grocelle
  usr/lib/grocelle/grocelle_dbpage.so
  usr/share/applications/org.grocelle.Grocelle.desktop
  usr/share/metainfo/org.grocelle.Grocelle.metainfo.xml
  usr/share/icons/hicolor/scalable/apps/org.grocelle.Grocelle.svg
)
for size in 16 32 48 64 128 256; do
  png=usr/share/icons/hicolor/${size}x${size}/apps/org.grocelle.Grocelle.png
  expected+=("$png")
  [ -f "$root/$png" ] || fail "missing $png"
  file -b "$root/$png" | grep -q "PNG image data, $size x $size," || fail "$png is not a $size x $size PNG"
done
for f in "${expected[@]}"; do [ -f "$root/$f" ] || fail "missing $f"; done
[ -x "$root/usr/bin/grocelle" ] || fail "usr/bin/grocelle is not executable"
unexpected=$(cd "$root" && find . -type f | sed 's|^\./||' |
  grep -Ev '^usr/bin/grocelle(-updater)?$|^usr/lib/grocelle/grocelle_dbpage\.so$|^usr/share/(applications|metainfo|icons/hicolor|grocelle)/' ||
  true)
[ -z "$unexpected" ] || fail "files the package should not hold: $unexpected"
if readelf -d "$root/usr/bin/grocelle" | grep -Eq 'R(UN)?PATH'; then fail "the installed program keeps a library path"; fi

# The installed desktop entry, metainfo and icon agree with each other.
appstreamcli validate-tree --no-net "$root" >"$scratch/validate.log" 2>&1 || fail "appstreamcli validate-tree"
desktop-file-validate "$root/usr/share/applications/org.grocelle.Grocelle.desktop" >"$scratch/desktop.log" 2>&1 ||
  fail "desktop-file-validate"
grep -qx 'Exec=grocelle' "$root/usr/share/applications/org.grocelle.Grocelle.desktop" || fail "Exec is not grocelle"

# Runs the unpacked program in the scratch home, in a clean environment with no library path.
home=$scratch/home
data=$home/.local/share/Grocelle
mkdir -p "$home"
start_program() {
  env -i PATH=/usr/bin:/bin HOME="$home" LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen \
    "$root/usr/bin/grocelle" >"$scratch/program.log" 2>&1 &
  pid=$!
}
# Waits up to 30 s for a file matching the pattern in the data folder while the program runs.
wait_for_file() {
  for _ in $(seq 300); do
    compgen -G "$data/$1" >/dev/null && return 0
    kill -0 "$pid" 2>/dev/null || fail "the program ended before $1 appeared"
    sleep 0.1
  done
  fail "no $1 in $data within 30 s"
}
# Sends SIGTERM, which the program takes as a close request, and expects a normal end within 15 s: exit code
# 0, the settings written, no lock, session file or journal left.
close_program() {
  kill -TERM "$pid"
  local status=
  for _ in $(seq 150); do
    if ! kill -0 "$pid" 2>/dev/null; then
      status=0
      wait "$pid" || status=$?
      break
    fi
    sleep 0.1
  done
  [ -n "$status" ] || fail "the program did not end within 15 s of the close request"
  pid=
  [ "$status" -eq 0 ] || fail "the program ended with $status"
  [ -s "$data/Grocelle.ini" ] || fail "the program ended without writing its settings"
  local left
  left=$(cd "$data" && ls -A | grep -E '\.lock$|^Grocelle-session-|-journal$' || true)
  [ -z "$left" ] || fail "left behind: $left"
}

# First start in a fresh home: the program says it makes a new database and waits for OK. The close request
# comes as soon as the program holds its lock, before its window may even exist: it dismisses the message,
# lets the database be made and then closes the window.
start_program
wait_for_file Grocelle.lock
close_program
dats=("$data"/*.dat)
[ "${#dats[@]}" -eq 5 ] || fail "expected the five table files in $data, found ${#dats[@]}"

# Second start: the database opens without a question; a close request ends the running program.
rm "$data/Grocelle.ini"
start_program
wait_for_file 'Grocelle-session-*'
close_program
# A damaged table file is salvaged by the installed program, through the sqlite3 program and the page table
# extension the package puts in usr/lib/grocelle.
printf '%0100d' 0 | dd of="$data/Categories.dat" bs=1 count=100 conv=notrunc status=none
env -i PATH=/usr/bin:/bin HOME="$home" LANG=C.UTF-8 "$root/usr/bin/grocelle" --check >"$scratch/check.log" 2>&1 ||
  fail "grocelle --check did not salvage the damaged Categories.dat"
grep -q '^Categories.dat was repaired: 0 rows recovered, 0 lost\.' "$scratch/check.log" ||
  fail "grocelle --check did not say what it salvaged"
echo "package $(basename "$deb") installs and runs"
