#!/usr/bin/env bash
# Writes the demo request to standard output: one 512-byte area record as the
# host writes it, fixed-width blank-padded fields at their offsets.
set -euo pipefail

record=$(printf '%512s' '')
put() {  # offset length text
  local field
  field=$(printf "%-$2.$2s" "$3")
  record="${record:0:$1}${field}${record:$(($1 + $2))}"
}

put 1 99 '..\FATTURE\F2026-0117.PDF'
put 109 8 '*MAIL'
put 147 15 ''
put 228 50 '!anna.rossi@example.com;ufficio.acquisti@example.com'
put 278 50 'Fattura 2026/0117'
put 328 50 'Gentile cliente,'
put 378 50 'in allegato la fattura di dicembre.'
put 428 50 'Cordiali saluti'
printf '%s' "$record"
