#!/usr/bin/env bash
# Builds the Linux program and runs it on the demo request A01 in a sandbox
# under build/demo, then prints the run log and where the mail went. The
# sandbox holds the program beside its J6MailerCfg.ini and the stand-in
# libraries, drive C: and the J6 server's spool share as folders (see "Off
# Windows" in the README), the area file in C:\Temp\mqbox\, the document on
# the server and the second attachment in C:\J6\SYS\.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

cmake --preset linux >/dev/null
cmake --build --preset linux --target J6Mailer J6MailerCheck J6TFN MAPI32 MAPIEx >/dev/null

sandbox=$root/build/demo
rm -rf "$sandbox"
mkdir -p "$sandbox/bin" "$sandbox/drives/c/Temp/mqbox" "$sandbox/drives/c/Temp/SPOOL" \
  "$sandbox/drives/c/J6/SYS" "$sandbox/drives/unc/j6demo"
cp build/linux/bin/J6Mailer build/linux/bin/libJ6TFN.so build/linux/bin/libMAPI32.so \
  build/linux/bin/libMAPIEx.so demo/J6MailerCfg.ini "$sandbox/bin/"
cp demo/mqbox/A01 "$sandbox/drives/c/Temp/mqbox/"
cp -r demo/spool "$sandbox/drives/unc/j6demo/"
cp demo/sys/* "$sandbox/drives/c/J6/SYS/"

export J6MAILER_DRIVES=$sandbox/drives
export J6MAILER_REGISTRY=$root/demo/user.reg
export J6MAILER_OUTBOX=$sandbox/outbox
"$sandbox/bin/J6Mailer" A01

echo "--- run log (C:\\Temp\\J6Mailer.log)"
tr -d '\r' < "$J6MAILER_DRIVES/c/Temp/J6Mailer.log"
echo "--- outbox"
shopt -s nullglob
mails=("$J6MAILER_OUTBOX"/*.eml)
if [ ${#mails[@]} -eq 0 ]; then
  echo "no mail was written"
  exit 1
fi
for mail in "${mails[@]}"; do echo "$mail"; done
