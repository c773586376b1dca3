#!/usr/bin/env bash
# tools/install-deps and tools/can-run-wine32 against a package mirror in the
# middle of a sync, played by stand-ins for apt-get, dpkg, dpkg-query, sudo and
# sleep on PATH: an index that fails a few times or every time, 32-bit Wine
# or another package that no index offers, installs that keep failing.
#   test_install_deps.sh SOURCE_DIR
set -uo pipefail
source_dir=$(cd "${1:?source dir}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/tree/tools" "$work/bin"
cp "$source_dir/tools/install-deps" "$source_dir/tools/can-run-wine32" "$work/tree/tools/"
state=$work/state

# Each stand-in logs its call; the case's settings live in $state.
cat >"$work/bin/apt-get" <<'EOF'
#!/usr/bin/env bash
echo "apt-get $*" >>"$STATE/log"
count() { local n; n=$(cat "$STATE/$1" 2>/dev/null || echo 0); [ "$n" = always ] && return 0
  [ "$n" -gt 0 ] && { echo $((n - 1)) >"$STATE/$1"; return 0; }; return 1; }
if [ "$1" = update ]; then
  count update-failures && { echo "E: File has unexpected size. Mirror sync in progress?" >&2; exit 100; }
  exit 0
fi
for p in "$@"; do
  grep -qx -- "$p" "$STATE/unavailable" 2>/dev/null && { echo "E: Unable to locate package $p" >&2; exit 100; }
done
[ "$2" = -s ] && exit 0
count install-failures && { echo "E: Failed to fetch" >&2; exit 100; }
for p in "$@"; do [[ $p == -* ]] || echo "$p" >>"$STATE/installed"; done
EOF
cat >"$work/bin/dpkg-query" <<'EOF'
#!/usr/bin/env bash
grep -qx -- "${@: -1}" "$STATE/installed" && echo "install ok installed" || echo "unknown ok not-installed"
EOF
for logged in dpkg sleep; do
  # shellcheck disable=SC2016 # $* and $STATE are the stand-in's, expanded when it runs.
  printf '#!/usr/bin/env bash\necho "%s $*" >>"$STATE/log"\n' "$logged" >"$work/bin/$logged"
done
cat >"$work/bin/sudo" <<'EOF'
#!/usr/bin/env bash
[ "$1" = -n ] && shift
exec "$@"
EOF
chmod +x "$work/bin/"*

failures=0
fail() {
  echo "FAILED: $case_name: $*"
  failures=$((failures + 1))
}

# run_case NAME 32BIT MISSING UNAVAILABLE UPDATE_FAILURES INSTALL_FAILURES STATUS:
# install-deps where the machine runs 32-bit code or not (yes, no), with the
# packages MISSING, those UNAVAILABLE from every index, the index failing a
# number of times (or always), the install too; it must exit with STATUS. The
# checks after each case read what it said and did.
run_case() {
  case_name=$1
  rm -rf "$state"
  mkdir -p "$state"
  printf '#!/bin/sh\nexit %d\n' "$([ "$2" = yes ] && echo 0 || echo 1)" >"$work/tree/tools/can-run-32bit"
  chmod +x "$work/tree/tools/can-run-32bit"
  # Every package of install-deps' list is there but those missing.
  { sed -n '/^packages=(/,/^)/p' "$source_dir/tools/install-deps" | sed '1d;$d'; echo wine32:i386; } |
    tr ' ' '\n' | grep . | grep -vxF -f <(tr ' ' '\n' <<<"$3" | grep . || true) >"$state/installed"
  tr ' ' '\n' <<<"$4" | grep . >"$state/unavailable"
  echo "$5" >"$state/update-failures"
  echo "$6" >"$state/install-failures"
  touch "$state/log"
  STATE=$state PATH="$work/bin:$PATH" "$work/tree/tools/install-deps" >"$state/out" 2>&1
  status=$?
  [ "$status" -eq "$7" ] || fail "exit status $status, not $7: $(cat "$state/out")"
}
said() { grep -qF -- "$1" "$state/out" || fail "output lacks '$1': $(cat "$state/out")"; }
called() { [ "$(grep -cF -- "$1" "$state/log")" -eq "$2" ] || fail "'$1' called $(grep -cF -- "$1" "$state/log") times, not $2"; }
now_installed() { grep -qx -- "$1" "$state/installed" || fail "$1 is not installed"; }
not_installed() { ! grep -qx -- "$1" "$state/installed" || fail "$1 was installed"; }
wine32_answer() {
  local answer
  answer=$(STATE=$state PATH="$work/bin:$PATH" "$work/tree/tools/can-run-wine32")
  if [ "$?" -ne "$1" ] || [ "$answer" != "$2" ]; then fail "can-run-wine32 says '$answer', not '$2'"; fi
}

run_case "an index fails twice, then comes" yes "sox wine32:i386" "" 2 0 0
called "apt-get update" 3
called "sleep 20" 2
now_installed sox
now_installed wine32:i386
wine32_answer 0 ""

run_case "the i386 index never comes" yes "sox wine32:i386" "wine32:i386" always 0 0
called "apt-get update" 3
said "could not all be fetched"
said "32-bit Wine (wine32:i386) cannot be installed now: tools/test runs the Windows suites on the x86_64 build only."
now_installed sox
not_installed wine32:i386
wine32_answer 1 "32-bit Wine (wine32:i386) is not installed"

run_case "32-bit Wine alone missing and not to be had" yes "wine32:i386" "wine32:i386" 0 0 0
said "32-bit Wine (wine32:i386) cannot be installed now"
called "apt-get install -y" 0

run_case "a package no index offers" yes "sox ffmpeg wine32:i386" "ffmpeg wine32:i386" always 0 1
said "not to be had from this machine's package sources: ffmpeg"
called "apt-get install -y" 0
not_installed sox

run_case "installs that keep failing" yes "sox" "" 0 always 1
called "apt-get install -y" 3
said "installing failed 3 times: sox"

run_case "no 32-bit code" no "sox" "" 0 0 0
now_installed sox
wine32_answer 1 "This machine cannot execute 32-bit code"

[ $failures -eq 0 ] && echo "install-deps: every case as expected"
exit $((failures > 0))
