#!/usr/bin/env bash
# Checks an installation of the XJ-K52II Utility under PREFIX (what `cmake --install` or
# the Debian package laid out) against the build's installation folder DIST:
#   - the program folder PREFIX/lib/xjk52util holds every file of DIST except the
#     printer simulator (or it is installed elsewhere below PREFIX), and SETTING.INI
#     there is a link to the configuration file
#     (PREFIX/etc/xjk52util, /etc/xjk52util for the prefix /usr);
#   - PREFIX/bin/xjk52util and xjcomm-ports lead to the programs of the program folder;
#   - every program and library there finds its libraries (ldd) and looks for ours only
#     beside itself (RUNPATH $ORIGIN);
#   - the desktop entry, the icon at each size and the AppStream metainfo are in place
#     (with --validate also checked by desktop-file-validate and appstreamcli);
#   - the program, started through PREFIX/bin/xjk52util in file mode without a display,
#     shows its main window with every installed setting page, and on SIGTERM ends
#     normally and writes the settings command file.
# The program's folders (common and user data, runtime, locks) are private to the run.
#
# Usage: scripts/check-installation.sh PREFIX DIST [--validate]
set -euo pipefail

if [ $# -lt 2 ] || [ $# -gt 3 ] || { [ $# = 3 ] && [ "$3" != --validate ]; }; then
  echo "usage: $0 PREFIX DIST [--validate]" >&2
  exit 2
fi
prefix="${1%/}"
dist="${2%/}"
validate="${3:-}"
app_id=org.xjk52.Utility
program_dir="$prefix/lib/xjk52util"
if [ "$prefix" = /usr ]; then config_dir=/etc/xjk52util; else config_dir="$prefix/etc/xjk52util"; fi

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# --- the program folder ---------------------------------------------------------------
[ -d "$program_dir" ] || { echo "FAIL: no program folder $program_dir" >&2; exit 1; }
[ -d "$dist" ] || { echo "FAIL: no installation folder $dist" >&2; exit 1; }
# A file of dist/ that a rule installs elsewhere (a print filter, say) counts when a file
# of its name is found below the prefix.
installed_elsewhere() {
  local folder
  for folder in bin sbin lib libexec share; do
    [ -d "$prefix/$folder" ] || continue
    [ -n "$(find "$prefix/$folder" -name "$1" -print -quit 2>/dev/null)" ] && return 0
  done
  return 1
}
while IFS= read -r -d '' file; do
  name="${file#"$dist"/}"
  [ "$name" = xjk52-sim ] && continue
  [ -e "$program_dir/$name" ] || installed_elsewhere "$(basename "$name")" \
    || fail "$name of $dist is not installed in $program_dir"
done < <(find "$dist" \( -type f -o -type l \) -print0)
[ -e "$program_dir/xjk52-sim" ] && fail "the printer simulator is installed"

if [ ! -L "$program_dir/SETTING.INI" ]; then
  fail "$program_dir/SETTING.INI is not a link to the configuration file"
elif [ "$(readlink -f "$program_dir/SETTING.INI")" != "$(readlink -f "$config_dir/SETTING.INI")" ] \
     || [ ! -f "$config_dir/SETTING.INI" ]; then
  fail "$program_dir/SETTING.INI does not lead to $config_dir/SETTING.INI"
fi

for tool in xjk52util xjcomm-ports; do
  if [ "$(readlink -f "$prefix/bin/$tool")" != "$(readlink -f "$program_dir/$tool")" ] \
     || [ ! -x "$prefix/bin/$tool" ]; then
    fail "$prefix/bin/$tool does not lead to $program_dir/$tool"
  fi
done

# --- libraries ------------------------------------------------------------------------
elf_count=0
while IFS= read -r -d '' file; do
  [ "$(head -c 4 "$file" | od -An -c | tr -d ' ')" = '177ELF' ] || continue
  elf_count=$((elf_count + 1))
  missing="$(env -u LD_LIBRARY_PATH ldd "$file" 2>&1 | grep 'not found' || true)"
  [ -z "$missing" ] || fail "${file#"$prefix"/}: $missing"
  runpath="$(readelf -d "$file" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')"
  [ "$runpath" = '$ORIGIN' ] || fail "${file#"$prefix"/} has the RUNPATH '$runpath' instead of \$ORIGIN"
done < <(find "$program_dir" -type f -print0)
[ "$elf_count" -ge 3 ] || fail "only $elf_count programs and libraries in $program_dir"

# --- desktop integration --------------------------------------------------------------
desktop="$prefix/share/applications/$app_id.desktop"
metainfo="$prefix/share/metainfo/$app_id.metainfo.xml"
[ -f "$desktop" ] || fail "no desktop entry $desktop"
[ -f "$metainfo" ] || fail "no AppStream metainfo $metainfo"
if [ -f "$desktop" ]; then
  grep -qx "Exec=xjk52util" "$desktop" || fail "the desktop entry does not start xjk52util"
  grep -qx "Icon=$app_id" "$desktop" || fail "the desktop entry does not name the icon $app_id"
fi
# A PNG's width and height: big-endian at bytes 16 and 20.
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d", $3 * 256 + $4, $7 * 256 + $8 }'; }
for size in 16 24 32 48 64 128 256; do
  icon="$prefix/share/icons/hicolor/${size}x$size/apps/$app_id.png"
  if [ ! -f "$icon" ]; then
    fail "no icon $icon"
  elif [ "$(png_size "$icon")" != "${size}x$size" ]; then
    fail "$icon is $(png_size "$icon") pixels"
  fi
done
grep -q '<svg' "$prefix/share/icons/hicolor/scalable/apps/$app_id.svg" 2>/dev/null \
  || fail "no scalable icon"
if [ -n "$validate" ]; then
  desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $desktop"
  appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects $metainfo"
fi

# --- the program starts from the installation ----------------------------------------
run="$(mktemp -d "${TMPDIR:-/tmp}/xjk52-install-check.XXXXXX")"
pid=""
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill -KILL "$pid" 2>/dev/null || true; fi
  rm -rf "$run"
}
trap cleanup EXIT
mkdir -p "$run/common" "$run/user" "$run/runtime" "$run/locks"
chmod 700 "$run/runtime"
events="$run/events.log"
settings="$run/settings.bin"
QT_QPA_PLATFORM=offscreen XJ_EVENT_LOG="$events" XJ_MESSAGE_BOX_ANSWER=yes \
  XJ_COMMON_APPDATA="$run/common" XDG_DATA_HOME="$run/user" XDG_RUNTIME_DIR="$run/runtime" \
  XJ_LOCK_FOLDER="$run/locks" DBUS_SESSION_BUS_ADDRESS=disabled: \
  "$prefix/bin/xjk52util" "/mF$settings" < /dev/null > "$run/out" 2>&1 &
pid=$!
# Waits (at most a minute, for a slow machine) for the main window.
for _ in $(seq 1 600); do
  grep -q "	main-window-shown	" "$events" 2>/dev/null && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if ! grep -q "	main-window-shown	XJ-K52II Utility" "$events" 2>/dev/null; then
  fail "the installed program showed no main window"
  cat "$run/out" "$events" >&2 2>/dev/null || true
else
  # A menu item whose library is installed must not have been left out.
  while IFS=$'\t' read -r _ _ _ library reason; do
    if [ -e "$program_dir/${library%.[dD][lL][lL]}.so" ]; then
      fail "the installed plug-in $library was not loaded: $reason"
    fi
  done < <(grep "	plugin-dropped	" "$events" || true)
fi
kill -TERM "$pid" 2>/dev/null || true
status=0
wait "$pid" || status=$?
pid=""
[ "$status" = 0 ] || fail "the installed program ended with status $status"
grep -q "	exit	0$" "$events" 2>/dev/null || fail "the installed program logged no normal exit"
[ -s "$settings" ] || fail "the installed program wrote no settings command file"

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) of the installation under $prefix failed." >&2
  exit 1
fi
echo "The installation under $prefix is complete: $elf_count programs and libraries, desktop entry, icons, metainfo; the program started and wrote its settings file."
