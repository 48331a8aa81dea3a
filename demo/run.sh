#!/usr/bin/env bash
# Builds the Linux program and runs it on the demo request A01, in a sandbox
# under build/demo: the program beside its J6MailerCfg.ini, drive C: as a
# folder, the area file in C:\Temp\mqbox\, then prints the run log.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

cmake --preset linux >/dev/null
cmake --build --preset linux --target J6Mailer >/dev/null

sandbox=$root/build/demo
rm -rf "$sandbox"
mkdir -p "$sandbox/bin" "$sandbox/drives/c/Temp/mqbox" "$sandbox/drives/c/Temp/SPOOL"
cp build/linux/bin/J6Mailer "$sandbox/bin/"
cp demo/J6MailerCfg.ini "$sandbox/bin/"

export J6MAILER_DRIVES=$sandbox/drives
export J6MAILER_REGISTRY=$root/demo/user.reg
export J6MAILER_OUTBOX=$sandbox/outbox
bash demo/make-area-record.sh > "$J6MAILER_DRIVES/c/Temp/mqbox/A01"

"$sandbox/bin/J6Mailer" A01
echo "--- run log (C:\\Temp\\J6Mailer.log)"
tr -d '\r' < "$J6MAILER_DRIVES/c/Temp/J6Mailer.log"
