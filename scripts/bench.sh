#!/usr/bin/env bash
# Times whole runs of the Linux program on the demo request, each row with a
# registry export of its own, and prints the median wall time of a few runs.
# Not a test: it measures, it does not judge. A row is one function named
# row_*, listed in `rows` below; it makes its input and calls `report`.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
runs=${J6_BENCH_RUNS:-5}

cmake --preset linux >/dev/null
cmake --build --preset linux --target J6Mailer J6TFN MAPI32 MAPIEx >/dev/null

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# The demo's sandbox (as demo/run.sh builds it), made once.
sandbox=$scratch/sandbox
mkdir -p "$sandbox/bin" "$sandbox/drives/c/Temp/mqbox" "$sandbox/drives/c/Temp/SPOOL" \
  "$sandbox/drives/c/J6/SYS" "$sandbox/drives/unc/j6demo"
cp build/linux/bin/J6Mailer build/linux/bin/libJ6TFN.so build/linux/bin/libMAPI32.so \
  build/linux/bin/libMAPIEx.so demo/J6MailerCfg.ini "$sandbox/bin/"
cp -r demo/spool "$sandbox/drives/unc/j6demo/"
cp demo/sys/* "$sandbox/drives/c/J6/SYS/"
export J6MAILER_DRIVES=$sandbox/drives
export J6MAILER_OUTBOX=$sandbox/outbox

# The demo's settings without the header line, as CR LF lines.
demo_keys() { tail -n +2 "$root/demo/user.reg" | tr -d '\r' | sed 's/$/\r/'; }

milliseconds() { echo $(($(date +%s%N) / 1000000)); }

# Prints one row: the median of `runs` whole runs on the export $2.
report() {
  local label=$1 export=$2 times=() start
  # The program reads a file changed in the last two seconds again at every
  # key it opens (its time stamp could hide a second change); a user's export
  # is older than that.
  sleep 2
  for ((i = 0; i < runs; i++)); do
    cp "$root/demo/mqbox/A01" "$sandbox/drives/c/Temp/mqbox/"  # a run may delete it
    start=$(milliseconds)
    J6MAILER_REGISTRY=$export "$sandbox/bin/J6Mailer" A01 >/dev/null 2>&1
    times+=($(($(milliseconds) - start)))
  done
  local median note=""
  median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p")
  # A run that stops early would time something else.
  if [ "$(find "$J6MAILER_OUTBOX" -name '*.eml' 2>/dev/null | wc -l)" -ne "$runs" ]; then
    note="  (not every run mailed the request)"
  fi
  rm -rf "$J6MAILER_OUTBOX"
  printf '%-44s %10s %8d ms%s\n' "$label" "$(du -h "$export" | cut -f1)" "$median" "$note"
}

# A desktop export: UTF-16LE with its mark, the demo's keys among many others.
row_utf16_export_40mb() {
  local export=$scratch/large.reg
  {
    printf '\xff\xfe'
    {
      printf 'Windows Registry Editor Version 5.00\r\n\r\n'
      demo_keys
      awk 'BEGIN {
        for (k = 0; bytes < 40 * 1024 * 1024; k++) {
          line = sprintf("\r\n[HKEY_CURRENT_USER\\Software\\J6Bench\\Group%03d\\Key%06d]\r\n" \
                         "\"Name\"=\"Value %d of the bench, città\"\r\n" \
                         "\"Count\"=dword:%08x\r\n" \
                         "\"Data\"=hex:01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10\r\n" \
                         "\"Path\"=hex(2):25,00,54,00,4d,00,50,00,25,00,00,00\r\n",
                         k % 1000, k, k, k)
          printf "%s", line
          bytes += 2 * length(line)
        }
      }'
    } | iconv -f UTF-8 -t UTF-16LE
  } >"$export"
  report "UTF-16LE export, 88,500 keys" "$export"
}

# One key 5,000 levels deep beside the demo's settings.
row_deep_key() {
  local export=$scratch/deep.reg
  {
    printf 'REGEDIT4\r\n\r\n'
    demo_keys
    printf '\r\n[HKEY_CURRENT_USER\\ORV\\J6A01\\J6Out\\Deep'
    for ((level = 1; level <= 5000; level++)); do printf '\\Level%04d' "$level"; done
    printf ']\r\n"Value"="at the bottom"\r\n'
  } >"$export"
  report "key 5,000 levels deep" "$export"
}

rows=(row_utf16_export_40mb row_deep_key)

printf '%-44s %10s %11s\n' "whole run of J6Mailer A01 (median of $runs)" "export" "wall time"
for row in "${rows[@]}"; do "$row"; done
