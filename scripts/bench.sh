#!/usr/bin/env bash
# Measures whole runs of the program side by side in one table: each row's
# median wall time over a few runs, its peak resident memory, and for the
# start-up rows the ratio to the cost of starting a trivial program (the
# floor). Not a test: it measures, it does not judge; the goals are printed
# beside the rows and never fail the script.
#
# A row is one function named row_*, listed in `rows` below. It makes its
# input and calls `measure` once per line of the table; `floor` records a
# line that later lines compare against.
#
#   J6_BENCH_RUNS   runs per line (11)
#   J6_BENCH_BIN    a folder holding J6Mailer, the stand-ins and doubles/
#                   to measure instead of build/linux/bin (another build)
#   J6_BENCH_ROWS   the rows to run, by name without row_ (all of them)
set -Eeuo pipefail
trap 'echo "bench.sh: failed at line $LINENO" >&2' ERR
cd "$(dirname "$0")/.."
root=$PWD
runs=${J6_BENCH_RUNS:-11}

bin=${J6_BENCH_BIN:-}
if [ -z "$bin" ]; then
  cmake --preset linux >/dev/null
  cmake --build --preset linux --target J6Mailer J6TFN MAPI32 MAPIEx J6MailerNet j6tfn_cdecl mapi32 \
    >/dev/null
  bin=$root/build/linux/bin
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Starts a command with its output thrown away and prints its wall time in
# microseconds, its peak resident memory in kilobytes and its exit status.
# Written here so that nothing has to be installed, and so that starting it
# costs the measurement next to nothing.
cat >"$scratch/probe.c" <<'EOF'
#include <fcntl.h>
#include <stdio.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  struct timespec start, end;
  struct rusage usage;
  int status = 0;
  clock_gettime(CLOCK_MONOTONIC, &start);
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_RDWR);
    dup2(null, 1);
    dup2(null, 2);
    execvp(argv[1], argv + 1);
    _exit(127);
  }
  if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) return 1;
  clock_gettime(CLOCK_MONOTONIC, &end);
  const long long micros =
      (end.tv_sec - start.tv_sec) * 1000000LL + (end.tv_nsec - start.tv_nsec) / 1000;
  printf("%lld %ld %d\n", micros, usage.ru_maxrss,
         WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
  return 0;
}
EOF
cc -O2 -o "$scratch/probe" "$scratch/probe.c"

# --- the table -------------------------------------------------------------

declare -A floors  # the command of each floor, quoted, by its name

printf '%-14s %-44s %10s %9s %8s  %s\n' row what "wall" "peak RSS" "x floor" "goal (not enforced)"
printf '%-14s %-44s %10s %9s %8s  %s\n' "" "" "(median)" "(max)" "" ""

# The hooks of the next `measure`: `setup` runs before each run and
# `check` after it, neither timed; `check` fails when the run did not do
# its work.
setup() { :; }
check() { true; }

# measure ROW WHAT [--rss] [--floor NAME] [--record NAME] [--runs N]
#         [--goal-ratio N] [--goal-rss-mb N] -- COMMAND...
# Runs COMMAND `runs` times (or N) and prints one line: the median wall
# time, with --rss the highest peak resident memory, and with --floor the
# ratio to the floor recorded under NAME. The ratio is the median over
# pairs: each run of COMMAND follows a run of the floor's command, both
# after the same `setup`, so that both meet the machine in the same state.
# --record keeps this line's command as the floor NAME.
measure() {
  local row=$1 what=$2
  shift 2
  local floor="" record="" goal_ratio="" goal_rss="" show_rss=0 count=$runs
  while [ "$1" != -- ]; do
    case $1 in
      --runs) count=$2; shift 2 ;;
      --floor) floor=$2; shift 2 ;;
      --record) record=$2; shift 2 ;;
      --goal-ratio) goal_ratio=$2; shift 2 ;;
      --goal-rss-mb) goal_rss=$2; show_rss=1; shift 2 ;;
      --rss) show_rss=1; shift ;;
      *) echo "measure: unknown option $1" >&2; return 2 ;;
    esac
  done
  shift
  [ -n "$record" ] && floors[$record]=$(printf '%q ' "$@")
  local floor_command=()
  [ -n "$floor" ] && eval "floor_command=(${floors[$floor]})"
  local times=() ratios=() peak=0 failed=0 micros kb status floor_micros
  for ((i = 0; i < count; i++)); do
    setup
    if [ -n "$floor" ]; then
      read -r floor_micros kb status < <("$scratch/probe" "${floor_command[@]}")
    fi
    read -r micros kb status < <("$scratch/probe" "$@")
    if [ "$status" != 0 ] || ! check; then failed=$((failed + 1)); fi
    times+=("$micros")
    [ -n "$floor" ] && ratios+=("$(awk -v a="$micros" -v b="$floor_micros" 'BEGIN { print a / b }')")
    ((kb > peak)) && peak=$kb
  done
  local median
  median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((count + 1) / 2))p")

  local wall rss="" ratio="" goal="" ratio_value=""
  wall=$(awk -v us="$median" 'BEGIN { printf us < 1e6 ? "%.2f ms" : "%.2f s", us < 1e6 ? us / 1e3 : us / 1e6 }')
  ((show_rss)) && rss=$(awk -v kb="$peak" 'BEGIN { printf "%.1f MB", kb / 1024 }')
  if [ -n "$floor" ]; then
    ratio_value=$(printf '%s\n' "${ratios[@]}" | sort -g | sed -n "$(((count + 1) / 2))p" |
      awk '{ printf "%.2f", $1 }')
    ratio="${ratio_value}x"
  fi
  if [ -n "$goal_ratio" ]; then
    goal="under ${goal_ratio}x $floor: "
    goal+=$(awk -v r="${ratio_value:-inf}" -v g="$goal_ratio" 'BEGIN { print (r < g ? "met" : "missed") }')
  elif [ -n "$goal_rss" ]; then
    goal="under $goal_rss MB: "
    goal+=$(awk -v kb="$peak" -v g="$goal_rss" 'BEGIN { print (kb < g * 1024 ? "met" : "missed") }')
  fi
  ((failed)) && goal+="  ($failed of $count runs did not do their work)"
  printf '%-14s %-44s %10s %9s %8s  %s\n' "$row" "$what" "$wall" "$rss" "$ratio" "$goal"
  setup() { :; }
  check() { true; }
}

# Prints a line for a row that cannot be measured here.
skip() { printf '%-14s %-44s %10s %9s %8s  %s\n' "$1" "$2" "-" "" "" "skipped: $3"; }

# --- the demo's world -------------------------------------------------------

# The demo's sandbox (as demo/run.sh builds it), made once: the program
# beside the stand-ins in bin/, beside the recording test libraries in
# bin-doubles/ (Simple MAPI, since the double is a MAPI32).
sandbox=$scratch/sandbox
mkdir -p "$sandbox/bin" "$sandbox/bin-doubles" "$sandbox/drives/c/Temp/mqbox" \
  "$sandbox/drives/c/Temp/SPOOL" "$sandbox/drives/c/J6/SYS" "$sandbox/drives/unc/j6demo"
cp "$bin/J6Mailer" "$bin/libJ6TFN.so" "$bin/libMAPI32.so" "$bin/libMAPIEx.so" \
  demo/J6MailerCfg.ini "$sandbox/bin/"
cp "$bin/J6Mailer" "$bin/doubles/j6tfn_cdecl/libJ6TFN.so" "$bin/doubles/mapi32/libMAPI32.so" \
  "$sandbox/bin-doubles/"
grep -v -i '^MAPI=' demo/J6MailerCfg.ini >"$sandbox/bin-doubles/J6MailerCfg.ini"
cp -r demo/spool "$sandbox/drives/unc/j6demo/"
cp demo/sys/* "$sandbox/drives/c/J6/SYS/"
document=$sandbox/drives/unc/j6demo/spool/FATTURE/F2026-0117.PDF
export J6MAILER_DRIVES=$sandbox/drives
export J6MAILER_OUTBOX=$sandbox/outbox
export J6MAILER_REGISTRY=$root/demo/user.reg

# A run deletes the request's area file; each run gets it back, and an
# outbox of its own, which then holds its mail.
request_setup() {
  cp "$root/demo/mqbox/A01" "$sandbox/drives/c/Temp/mqbox/"
  rm -rf "$J6MAILER_OUTBOX"
}
mailed() { [ "$(find "$J6MAILER_OUTBOX" -name '*.eml' 2>/dev/null | wc -l)" -eq 1 ]; }

# The demo's settings without the header line, as CR LF lines.
demo_keys() { tail -n +2 "$root/demo/user.reg" | tr -d '\r' | sed 's/$/\r/'; }

# --- rows ---------------------------------------------------------------------

# Every ratio depends on it, and it is short enough for a busy machine to
# blur: more runs.
row_floor() {
  measure floor "exec of /bin/true" --record floor --runs $((runs * 3)) --rss -- /bin/true
}

row_demo() {
  setup() { request_setup; }
  check() { mailed; }
  measure demo "request A01 through the stand-ins (GMime)" --floor floor --goal-ratio 5 --rss \
    -- "$sandbox/bin/J6Mailer" A01
}

row_recording() {
  local -x J6TEST_TRANSFER_RECORD=$scratch/transfer.record J6TEST_MAPI_RECORD=$scratch/mapi.record
  setup() {
    cp "$root/demo/mqbox/A01" "$sandbox/drives/c/Temp/mqbox/"
    rm -f "$J6TEST_MAPI_RECORD"
  }
  check() { grep -q '^MAPISendMail' "$J6TEST_MAPI_RECORD"; }
  measure recording "request A01 through the recording doubles" --floor floor --goal-ratio 2 \
    --rss -- "$sandbox/bin-doubles/J6Mailer" A01
}

# The same request with a document of 1, 10 and 50 MB: the outbox streams
# it, so memory stays flat and time grows with the size.
row_document() {
  local saved=$scratch/demo-document
  cp "$document" "$saved"
  for mb in 1 10 50; do
    head -c $((mb << 20)) /dev/urandom >"$document"
    setup() { request_setup; }
    check() { mailed; }
    measure "document" "request A01 with a $mb MB document" --goal-rss-mb 30 \
      -- "$sandbox/bin/J6Mailer" A01
  done
  cp "$saved" "$document"
  rm -rf "$J6MAILER_OUTBOX"
}

# Whole runs with a registry export of their own. The program reads a file
# changed in the last two seconds again at every key it opens (its time
# stamp could hide a second change); a user's export is older than that.
registry_measure() {
  local label=$1 export=$2
  local -x J6MAILER_REGISTRY=$export
  sleep 2
  setup() { request_setup; }
  check() { mailed; }
  measure registry "$label ($(du -h "$export" | cut -f1))" --rss -- "$sandbox/bin/J6Mailer" A01
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
  registry_measure "UTF-16LE export, 88,500 keys" "$export"
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
  registry_measure "key 5,000 levels deep" "$export"
}

# The 32-bit Windows program's usage run under Wine against a trivial
# Windows program of the same kind (GUI subsystem, static). Without a
# display the usage box returns at once. Wine's prefix is made once under
# build/bench/ and kept; its server stays up while the row runs, so that
# only warm starts are timed. A subshell, so that what it sets stays here.
row_wine() (
  local what="J6Mailer.exe usage run under Wine"
  if ! command -v wine >/dev/null || ! command -v i686-w64-mingw32-gcc-posix >/dev/null; then
    skip wine "$what" "needs wine and i686-w64-mingw32-gcc-posix"
    exit 0
  fi
  local exe=$root/build/windows-x86/bin/J6Mailer.exe
  if [ ! -f "$exe" ]; then
    cmake --preset windows-x86 >/dev/null
    cmake --build --preset windows-x86 --target J6Mailer >/dev/null
  fi
  local win=$scratch/win
  mkdir -p "$win"
  cp "$exe" "$win/"
  printf 'int main(void) { return 0; }\n' >"$win/trivial.c"
  i686-w64-mingw32-gcc-posix -O2 -mwindows -static -o "$win/trivial.exe" "$win/trivial.c"

  export WINEPREFIX=$root/build/bench/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  unset DISPLAY WAYLAND_DISPLAY
  # A server writes the prefix's registry as it ends; a persistent one
  # starts only when none runs.
  wineserver -w
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    wineserver -w
  fi
  wineserver -p
  wine "$win/trivial.exe" >/dev/null 2>&1 || true  # warms the server and the file cache
  wine "$win/J6Mailer.exe" >/dev/null 2>&1 || true
  measure wine-floor "trivial .exe under Wine" --record wine-floor --runs $((runs * 3)) --rss \
    -- wine "$win/trivial.exe"
  measure wine "$what" --floor wine-floor --rss -- wine "$win/J6Mailer.exe"
  wineserver -k
)

# The demo request handed to the tests' SMTP server on the loopback
# (tests/smtp/smtp_server.py, Debian's Python with aiosmtpd) over STARTTLS:
# the cost of loading libcurl and its TLS library only where SMTP is used,
# and the whole exchange. A subshell, so that the server it starts ends with
# it.
row_smtp() (
  local what="request A01 over SMTP (STARTTLS, loopback)"
  if ! /usr/bin/python3 -c 'import aiosmtpd' 2>/dev/null; then
    skip smtp "$what" "needs /usr/bin/python3 with aiosmtpd (python3-aiosmtpd)"
    exit 0
  fi
  local server=$scratch/smtp-server
  /usr/bin/python3 "$root/tests/smtp/smtp_server.py" start "$server" >/dev/null
  trap '/usr/bin/python3 "$root/tests/smtp/smtp_server.py" stop "$server"' EXIT
  local port
  port=$(awk '$1 == "starttls" { print $2 }' "$server/ports.txt")
  mkdir -p "$sandbox/bin-smtp"
  cp "$bin/J6Mailer" "$bin/libJ6TFN.so" "$bin/libJ6MailerNet.so" "$sandbox/bin-smtp/"
  printf '[MAILCLIENT]\r\nLOGFILE=C:\\Temp\\J6Mailer.log\r\nMAPI=SMTP\r\n[SMTP]\r\n' \
    >"$sandbox/bin-smtp/J6MailerCfg.ini"
  printf 'SERVER=smtp://localhost:%s\r\nCAFILE=%s\r\n' "$port" "$server/ca.pem" \
    >>"$sandbox/bin-smtp/J6MailerCfg.ini"
  setup() { cp "$root/demo/mqbox/A01" "$sandbox/drives/c/Temp/mqbox/"; }
  check() { tail -n 3 "$J6MAILER_DRIVES/c/Temp/J6Mailer.log" | grep -q 'Sent successfully'; }
  measure smtp "$what" --floor floor --rss -- "$sandbox/bin-smtp/J6Mailer" A01
)

# --- over a wide-area link ---------------------------------------------------
# The network routes through a relay that passes every byte on 25 ms late
# each way (a 50 ms round trip) at 100 Mbit/s, the kernel's netem not being
# available here (J6_BENCH_SHARED, else ../shared/bench: delay_relay.py and
# peer_graph.py), side by side with what a user would reach for instead:
# msmtp for SMTP, a script with one requests.Session for Graph. Each line:
# the median wall time, the connections the run opened (the relay counts
# them), and the protocol's floor: the bytes at the link's rate and the
# fewest round trips the exchange can take.
wan_delay_ms=25
wan_rate_mbit=100
shared=${J6_BENCH_SHARED:-$root/../shared/bench}

# Prints the floor in seconds: round trips, then bytes.
wan_floor() {
  awk -v trips="$1" -v bytes="$2" -v d="$wan_delay_ms" -v r="$wan_rate_mbit" \
    'BEGIN { printf "%.2f s", trips * 2 * d / 1000 + bytes * 8 / (r * 1e6) }'
}

# measure_wan ROW WHAT COUNTFILE FLOOR -- COMMAND...: a line of `measure`
# with the connections of the median run's kind (the last run's) after it.
measure_wan() {
  local row=$1 what=$2 count=$3 floor=$4
  shift 5
  measure "$row" "$what" -- "$@"
  printf '%-14s %-44s %10s %9s %8s  %s\n' "" "  connections, floor" \
    "$(($(wc -l <"$count") / runs))" "" "" "floor $floor"
  : >"$count"
}

row_wan() (
  local what="wide-area link"
  if [ ! -f "$shared/delay_relay.py" ] || ! /usr/bin/python3 -c 'import aiosmtpd, requests' \
    2>/dev/null || ! command -v msmtp >/dev/null; then
    skip wan "$what" "needs $shared/delay_relay.py, python3-aiosmtpd, python3-requests, msmtp"
    exit 0
  fi
  local server=$scratch/wan-server relays=()
  /usr/bin/python3 "$root/tests/smtp/smtp_server.py" start "$server" >/dev/null
  trap '/usr/bin/python3 "$root/tests/smtp/smtp_server.py" stop "$server"; kill "${relays[@]}" 2>/dev/null' EXIT
  local https smtp near_https near_smtp
  https=$(awk '$1 == "https" { print $2 }' "$server/ports.txt")
  smtp=$(awk '$1 == "pipelining" { print $2 }' "$server/ports.txt")
  [ -n "$smtp" ] || smtp=$(awk '$1 == "starttls" { print $2 }' "$server/ports.txt")
  read -r near_https near_smtp near_token < <(/usr/bin/python3 -c '
import socket
s = [socket.socket() for _ in range(3)]
for x in s: x.bind(("127.0.0.1", 0))
print(*[x.getsockname()[1] for x in s])')
  # The token endpoint behind a relay of its own: another host, as Microsoft's
  # login host is not Graph's, so that neither side shares a connection
  # between them that no real run could share.
  local port
  for port in "$near_https" "$near_token"; do
    /usr/bin/python3 "$shared/delay_relay.py" "$port" 127.0.0.1 "$https" $wan_delay_ms \
      $wan_rate_mbit --count "$scratch/https.count" &
    relays+=($!)
  done
  /usr/bin/python3 "$shared/delay_relay.py" "$near_smtp" 127.0.0.1 "$smtp" $wan_delay_ms \
    $wan_rate_mbit --count "$scratch/smtp.count" &
  relays+=($!)
  echo "$near_https" >"$server/upload-port"  # upload URLs through the relay too
  sleep 1
  : >"$scratch/https.count"
  : >"$scratch/smtp.count"
  local base=https://localhost:$near_https login=https://localhost:$near_token
  mkdir -p "$sandbox/bin-wan"
  cp "$bin/J6Mailer" "$bin/libJ6TFN.so" "$bin/libJ6MailerNet.so" "$sandbox/bin-wan/"
  local -x J6MAILER_NETRC=$scratch/wan.netrc J6MAILER_SECRETS=$scratch/wan-secrets
  printf 'machine localhost login j6-bench password "Cl+ient&secret=7 \xc3\xa8"\n' >"$J6MAILER_NETRC"
  chmod 600 "$J6MAILER_NETRC"
  local attachment=$sandbox/drives/c/J6/SYS/CONDIZIONI.PDF
  cp "$attachment" "$scratch/CONDIZIONI.PDF"
  local size
  for size in 100000 20000000; do
    head -c "$size" /dev/urandom >"$attachment"
    # Graph: a token each run (none kept), sendMail or a draft, its upload, send.
    printf '[MAILCLIENT]\r\nMAPI=GRAPH\r\nLOGFILE=C:\\Temp\\J6Mailer.log\r\n[GRAPH]\r\n' \
      >"$sandbox/bin-wan/J6MailerCfg.ini"
    printf 'URL=%s/graph/v1.0\r\nUSER=bench@example.com\r\nCAFILE=%s\r\n' "$base" \
      "$server/ca.pem" >>"$sandbox/bin-wan/J6MailerCfg.ini"
    printf 'TOKEN_URL=%s/oauth/token\r\nCLIENT_ID=j6-bench\r\nGRANT=CLIENT_CREDENTIALS\r\n' \
      "$login" >>"$sandbox/bin-wan/J6MailerCfg.ini"
    setup() {
      cp "$root/demo/mqbox/A01" "$sandbox/drives/c/Temp/mqbox/"
      rm -rf "$J6MAILER_SECRETS"
    }
    check() { tail -n 3 "$J6MAILER_DRIVES/c/Temp/J6Mailer.log" | grep -q 'Sent successfully'; }
    local label=$((size / 1000)) trips bytes
    if ((size < 1000000)); then
      # For each host (the login's, Graph's) a connection and TLS 1.3; the
      # token, sendMail: the message in base64.
      trips=6 bytes=$((size * 16 / 9 + 4000))
      label="${label} KB"
    else
      # Both hosts' connections and TLS, the token, draft, upload session,
      # each piece, send.
      trips=$((8 + (size + 3932159) / 3932160)) bytes=$((size + 4000))
      label="$((size / 1000000)) MB"
    fi
    measure_wan wan "Graph, $label: J6Mailer" "$scratch/https.count" "$(wan_floor $trips $bytes)" \
      -- "$sandbox/bin-wan/J6Mailer" A01
    # The peer: the same requests from one requests.Session.
    printf 'From: fatturazione@example.com\r\nTo: anna.rossi@example.com\r\nSubject: Fattura\r\n\r\nx\r\n' \
      >"$scratch/bare.eml"
    local peer=("$scratch/bare.eml")
    ((size >= 1000000)) && peer+=("$attachment")
    if ((size < 1000000)); then
      # A whole message of the attachment's size, as sendMail takes it.
      { cat "$scratch/bare.eml"; base64 "$attachment"; } >"$scratch/whole.eml"
      peer=("$scratch/whole.eml")
    fi
    setup() { :; }
    check() { true; }
    measure_wan wan "Graph, $label: requests.Session script" "$scratch/https.count" \
      "$(wan_floor $trips $bytes)" -- /usr/bin/python3 "$shared/peer_graph.py" "$base/graph/v1.0" \
      "$login/oauth/token" j6-bench "Cl+ient&secret=7 è" bench@example.com "$server/ca.pem" \
      "${peer[@]}"
  done
  # SMTP, 100 KB: STARTTLS, then the envelope and the data.
  head -c 100000 /dev/urandom >"$attachment"
  printf '[MAILCLIENT]\r\nMAPI=SMTP\r\nLOGFILE=C:\\Temp\\J6Mailer.log\r\n[SMTP]\r\n' \
    >"$sandbox/bin-wan/J6MailerCfg.ini"
  printf 'SERVER=smtp://localhost:%s\r\nCAFILE=%s\r\n' "$near_smtp" "$server/ca.pem" \
    >>"$sandbox/bin-wan/J6MailerCfg.ini"
  setup() { cp "$root/demo/mqbox/A01" "$sandbox/drives/c/Temp/mqbox/"; }
  check() { tail -n 3 "$J6MAILER_DRIVES/c/Temp/J6Mailer.log" | grep -q 'Sent successfully'; }
  # No login: the netrc's entry for localhost is the Graph client's secret.
  : >"$J6MAILER_NETRC"
  # Connection, greeting, EHLO, STARTTLS, TLS, EHLO, the envelope (pipelined:
  # one), the data's end, QUIT.
  local floor
  floor=$(wan_floor 9 $((100000 * 4 / 3 + 4000)))
  measure_wan wan "SMTP, 100 KB: J6Mailer" "$scratch/smtp.count" "$floor" \
    -- "$sandbox/bin-wan/J6Mailer" A01
  local sent
  sent=$(find "$server/mail/fatturazione@example.com" -name message.eml | head -n 1)
  measure_wan wan "SMTP, 100 KB: msmtp (the same message)" "$scratch/smtp.count" "$floor" \
    -- sh -c "msmtp --host=localhost --port=$near_smtp --tls=on --tls-starttls=on \
      --tls-trust-file=$server/ca.pem --auth=off --from=fatturazione@example.com \
      anna.rossi@example.com acquisti@example.com <$sent"
  cp "$scratch/CONDIZIONI.PDF" "$attachment"
)

rows=(row_floor row_demo row_recording row_document row_utf16_export_40mb row_deep_key row_smtp
  row_wine row_wan)
if [ -n "${J6_BENCH_ROWS:-}" ]; then
  # The floor comes first whatever is chosen: the ratios need it.
  rows=(row_floor)
  for name in $J6_BENCH_ROWS; do [ "$name" != floor ] && rows+=("row_$name"); done
fi

for row in "${rows[@]}"; do "$row"; done
