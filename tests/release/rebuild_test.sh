#!/usr/bin/env bash
# Reproducible build: the sources copied to another folder and built there
# from clean with the shipped program's toolchain and build type must give
# a program file byte-identical to the one built in the source tree. A
# link time, a source path or a build path in the file would differ.
#   rebuild_test.sh SOURCE_DIR TOOLCHAIN_FILE PROGRAM
set -euo pipefail
source_dir=$1
toolchain=$(basename "$2")
program=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A folder name of another length, so that any path left in the file shifts
# what follows it too.
copy="$work/another-checkout"
mkdir "$copy"
tar -C "$source_dir" --exclude=./build --exclude=./.git -cf - . | tar -C "$copy" -xf -
cmake -S "$copy" -B "$work/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$copy/cmake/$toolchain" \
  -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
cmake --build "$work/build" --target melvox >/dev/null
rebuilt="$work/build/$(basename "$program")"
if cmp "$program" "$rebuilt"; then
  echo "ok: the rebuild in another folder is byte-identical ($(stat -c %s "$program") bytes)"
else
  echo "FAILED: the rebuild in another folder differs from $program"
  exit 1
fi
