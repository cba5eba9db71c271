#!/usr/bin/env bash
# The main job: installs what is missing, builds the module and runs the
# example script, which writes workbooks, reads them back and prints them.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/tools/install-deps.sh"
bash "$root/tools/build.sh" "$root/build" -DCELVO_TESTS=OFF
out="$root/build/example-output"
mkdir -p "$out"
cd "$out"
LUA_CPATH="$root/build/module/?.so;;" lua5.1 "$root/examples/main.lua" "$out"
