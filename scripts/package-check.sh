#!/usr/bin/env bash
# Installs the Debian package built by `make package` on this machine, checks the
# installation, then purges the package and checks that it left nothing behind.
# `make package-check` runs it; it changes the system (needs root, or sudo), so it is
# meant for a throw-away machine such as CI's. It refuses to run when a package
# xjk52util is installed already, and always purges the package it installed.
#
#   1. The package: its control fields (name, version, dependencies found by
#      dpkg-shlibdeps), the configuration file it marks.
#   2. Installed with apt-get (which also installs dependencies that are missing):
#      scripts/check-installation.sh /usr against the build's dist/ folder, with the
#      desktop entry and metainfo validated; `xjk52util` is found on the PATH.
#   3. Purged: every file the package had installed is gone, and so is every folder it
#      had created.
#
# Usage: scripts/package-check.sh BUILD   (the build folder that holds package/*.deb)
set -euo pipefail

if [ $# != 1 ]; then
  echo "usage: $0 BUILD" >&2
  exit 2
fi
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "$1" && pwd)"
package=xjk52util
shopt -s nullglob
debs=("$build"/package/"$package"_*.deb)
shopt -u nullglob
if [ "${#debs[@]}" != 1 ]; then
  echo "Expected one package $build/package/${package}_*.deb, found ${#debs[@]}: run make package." >&2
  exit 1
fi
deb="${debs[0]}"

SUDO=""
[ "$(id -u)" = 0 ] || SUDO=sudo
# apt-get waits for the package database while another installation holds it.
apt_get() { $SUDO env DEBIAN_FRONTEND=noninteractive apt-get -y -q -o DPkg::Lock::Timeout=600 "$@"; }

# dpkg's status of the package: "ii " installed, "rc " removed with its configuration
# files left, "un " or nothing when it is not there.
installed_status() { dpkg-query -W -f='${db:Status-Abbrev}' "$package" 2>/dev/null || true; }
is_present() {
  local status
  status="$(installed_status)"
  [ -n "${status// /}" ] && [ "${status:1:1}" != n ]
}
if is_present; then
  echo "The package $package is installed on this machine already (status '$(installed_status)')." >&2
  echo "This check installs and purges its own build; remove the installed one first: dpkg --purge $package" >&2
  exit 1
fi

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# --- 1. the package -------------------------------------------------------------------
field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = "$package" ] || fail "package name '$(field Package)'"
version="$(sed -n 's/^project(XJK52IIUtility VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")"
[[ "$(field Version)" == "$version"-* ]] || fail "version '$(field Version)', the project's is $version"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "architecture '$(field Architecture)'"
for dependency in libqt6widgets6 libc6 qt6-qpa-plugins; do
  field Depends | grep -q "$dependency" || fail "the package does not depend on $dependency: $(field Depends)"
done
conffiles="$(dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./conffiles)"
[ "$conffiles" = /etc/xjk52util/SETTING.INI ] || fail "configuration files '$conffiles'"

# What the package will install, and which of its folders exist before it does.
mapfile -t paths < <(dpkg-deb --fsys-tarfile "$deb" | tar -t | sed -e 's|^\./|/|' -e 's|/$||' | grep -v '^\.\?$')
existed_before=()
for path in "${paths[@]}"; do
  if [ -e "$path" ] || [ -L "$path" ]; then existed_before+=("$path"); fi
done
for path in "${existed_before[@]}"; do
  [ -d "$path" ] && [ ! -L "$path" ] && continue
  fail "$path is on this machine before the package is installed"
done

# --- 2. installed ---------------------------------------------------------------------
purge() {
  if is_present; then apt_get purge "$package" > /dev/null || $SUDO dpkg --purge "$package"; fi
}
trap purge EXIT
echo "Installing $deb"
apt_get install --no-install-recommends "$deb" > /dev/null
[ "$(installed_status)" = "ii " ] || fail "the package is not installed after the installation: '$(installed_status)'"
[ "$(dpkg-query -W -f='${Conffiles}' "$package" | awk 'NF { print $1 }')" = /etc/xjk52util/SETTING.INI ] \
  || fail "dpkg keeps no configuration file /etc/xjk52util/SETTING.INI"
[ "$(command -v xjk52util)" = /usr/bin/xjk52util ] || fail "xjk52util on the PATH is '$(command -v xjk52util)'"
mapfile -t listed < <(dpkg -L "$package" | grep -v '^/\.$')
"$root/scripts/check-installation.sh" /usr "$build/dist" --validate || fail "the installation is not complete"

# --- 3. purged ------------------------------------------------------------------------
echo "Purging $package"
apt_get purge "$package" > /dev/null
trap - EXIT
is_present && fail "the package is still known to dpkg after the purge: '$(installed_status)'"
for path in "${listed[@]}"; do
  if [ -e "$path" ] || [ -L "$path" ]; then
    if [ -d "$path" ] && [ ! -L "$path" ] && printf '%s\n' "${existed_before[@]}" | grep -qxF "$path"; then
      continue
    fi
    fail "$path is left after the purge"
  fi
done
[ "${#listed[@]}" -gt 20 ] || fail "dpkg listed only ${#listed[@]} paths of the package"

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) of the package $deb failed." >&2
  exit 1
fi
echo "The package $(basename "$deb") installs, works from /usr and purges without leftovers."
