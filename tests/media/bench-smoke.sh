#!/bin/sh
# The media bench on a two-disk medium of two small files: every side must run to its last line.
# It keeps the bench honest between measurements (its scripted user answers the kit's disk box).
set -eu
bench=$1
work=$2
rm -rf "$work"
mkdir -p "$work/payload/EXE" "$work/payload/HELP"
head -c 300000 /dev/urandom >"$work/payload/EXE/A.BIN"
seq 1 50000 >"$work/payload/HELP/T.TXT"
out=$("$bench" --work "$work" --runs 1 --case smoke --payload "$work/payload" --disks 2)
echo "$out"
echo "$out" | grep -q '^unpacked: 2 files, 0.6 MB'
echo "$out" | grep -q '^media smoke: ours '
rm -rf "$work"
