#!/usr/bin/env bash
# Installs the build folder BUILD into a private prefix and checks the installation.
# Usage: install-and-check.sh CMAKE BUILD
set -euo pipefail
cmake="$1"
build="$2"
root="$(cd "$(dirname "$0")/../.." && pwd)"
prefix="$(mktemp -d "${TMPDIR:-/tmp}/xjk52-install.XXXXXX")"
trap 'rm -rf "$prefix"' EXIT
if ! "$cmake" --install "$build" --prefix "$prefix" > "$prefix/install.log" 2>&1; then
  cat "$prefix/install.log" >&2
  exit 1
fi
rm "$prefix/install.log"
"$root/scripts/check-installation.sh" "$prefix" "$build/dist"
