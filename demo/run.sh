#!/usr/bin/env bash
# Builds the Linux program and runs it on the demo request A01 in a sandbox
# under build/demo, then prints the run log. The sandbox holds the program
# beside its J6MailerCfg.ini and the transfer library, drive C: and the
# J6 server's spool share as folders (see "Off Windows" in the README), the
# area file in C:\Temp\mqbox\ and the document on the server.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

cmake --preset linux >/dev/null
cmake --build --preset linux --target J6Mailer J6TFN >/dev/null

sandbox=$root/build/demo
rm -rf "$sandbox"
mkdir -p "$sandbox/bin" "$sandbox/drives/c/Temp/mqbox" "$sandbox/drives/c/Temp/SPOOL" \
  "$sandbox/drives/unc/j6demo"
cp build/linux/bin/J6Mailer build/linux/bin/libJ6TFN.so demo/J6MailerCfg.ini "$sandbox/bin/"
cp demo/mqbox/A01 "$sandbox/drives/c/Temp/mqbox/"
cp -r demo/spool "$sandbox/drives/unc/j6demo/"

export J6MAILER_DRIVES=$sandbox/drives
export J6MAILER_REGISTRY=$root/demo/user.reg
"$sandbox/bin/J6Mailer" A01

echo "--- run log (C:\\Temp\\J6Mailer.log)"
tr -d '\r' < "$J6MAILER_DRIVES/c/Temp/J6Mailer.log"
echo "--- fetched document (C:\\Temp\\SPOOL\\DOCA01)"
if [ -f "$J6MAILER_DRIVES/c/Temp/SPOOL/DOCA01" ]; then
  cmp -s demo/spool/FATTURE/F2026-0117.PDF "$J6MAILER_DRIVES/c/Temp/SPOOL/DOCA01" &&
    echo "$(wc -c < "$J6MAILER_DRIVES/c/Temp/SPOOL/DOCA01") bytes, the same as the server's"
else
  echo "not fetched"
fi
