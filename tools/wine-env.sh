#!/usr/bin/env bash
# 32-bit Wine for the Windows test run.
#
#   tools/wine-env.sh setup              make sure Wine can run here; create the prefix
#   tools/wine-env.sh run PROGRAM ARGS   setup, then run PROGRAM under Wine once and
#                                        exit with its exit code
#   tools/wine-env.sh prefix             print the prefix folder
#
# Wine's 32-bit loader is an i386 ELF program, and the kernel here cannot start
# those itself ("Exec format error"): binfmt_misc hands them to qemu-i386-static.
# The F flag makes the kernel open the interpreter at registration time, so it
# also works inside other mount namespaces and chroots.
#
# Everything is idempotent; each step checks before it changes anything. What
# cannot be set up is reported with what is missing, and the script fails: the
# Windows run is never skipped quietly.
#
# The prefix lives outside the work tree and is kept between runs: creating one
# takes minutes under emulation, a later launch well under one. A second setup
# started while one is creating the prefix waits for it (a lock in the cache
# folder), so the prefix can be made in the background while other things build.
set -uo pipefail

cache_root=${XDG_CACHE_HOME:-$HOME/.cache}/ostrel-binary
export WINEPREFIX=${OSTREL_WINEPREFIX:-$cache_root/wine32}
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
# Console programs only: no desktop, and no .NET or HTML engine to install.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY

# Upper bounds, so a hung Wine fails the run instead of holding it forever.
boot_timeout=${OSTREL_WINE_BOOT_TIMEOUT:-1500}
run_timeout=${OSTREL_WINE_RUN_TIMEOUT:-1800}

binfmt_dir=/proc/sys/fs/binfmt_misc
binfmt_name=qemu-i386
qemu=/usr/bin/qemu-i386-static
# The i386 ELF header of an executable or shared object (e_type 2 or 3, e_machine 3).
i386_magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
i386_mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

die() {
  echo "wine-env: $*" >&2
  exit 1
}
say() { echo "wine-env: $*" >&2; }

is_root() { [ "$(id -u)" = 0 ]; }

check_packages() {
  local missing=()
  if ! dpkg --print-foreign-architectures 2>/dev/null | grep -qx i386; then
    die "i386 is not a foreign architecture of dpkg (run: dpkg --add-architecture i386 && apt-get update, or 'make setup' as root)"
  fi
  for p in wine wine32:i386 qemu-user-static; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  ((${#missing[@]} == 0)) ||
    die "packages missing: ${missing[*]} (run 'make setup' as root)"
  [ -x "$qemu" ] || die "$qemu is missing (package qemu-user-static)"
  [ -x /usr/lib/wine/wine ] || die "/usr/lib/wine/wine is missing (package wine32:i386)"
  command -v wineserver >/dev/null || die "wineserver is missing (package wine)"
}

# An i386 ELF program runs if the kernel hands it to qemu.
i386_runs() { /usr/lib/wine/wine --version >/dev/null 2>&1 9>&-; }

setup_binfmt() {
  if [ ! -e "$binfmt_dir/register" ]; then
    is_root || die "binfmt_misc is not mounted at $binfmt_dir and this is not root (run as root)"
    mount -t binfmt_misc binfmt_misc "$binfmt_dir" 2>/dev/null ||
      die "cannot mount binfmt_misc at $binfmt_dir (no permission or no kernel support)"
  fi
  if [ "$(cat "$binfmt_dir/status" 2>/dev/null)" != enabled ]; then
    is_root || die "binfmt_misc is disabled and this is not root"
    echo 1 >"$binfmt_dir/status" || die "cannot enable binfmt_misc"
  fi
  if i386_runs; then return 0; fi
  is_root || die "i386 ELF programs do not run and this is not root: qemu-i386-static is not registered with binfmt_misc"
  if [ -e "$binfmt_dir/$binfmt_name" ]; then
    # A stale or disabled entry under our name: replace it.
    echo -1 >"$binfmt_dir/$binfmt_name" 2>/dev/null
  fi
  printf ':%s:M::%s:%s:%s:F\n' "$binfmt_name" "$i386_magic" "$i386_mask" "$qemu" \
    >"$binfmt_dir/register" 2>/dev/null ||
    die "cannot register $qemu for i386 ELF with binfmt_misc"
  i386_runs || die "i386 ELF programs still do not run after registering $qemu (try: $qemu /usr/lib/wine/wine --version)"
}

prefix_ready() { [ -f "$WINEPREFIX/.ostrel-ready" ] && [ -f "$WINEPREFIX/system.reg" ]; }
prefix_complete() {
  [ -f "$WINEPREFIX/system.reg" ] && grep -q '^#arch=win32' "$WINEPREFIX/system.reg" &&
    [ -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll" ] &&
    [ -f "$WINEPREFIX/drive_c/windows/system32/cmd.exe" ]
}

# Runs one wineboot pass and waits for every process it started. Under
# emulation on a busy machine the launcher can give up waiting for the boot
# (it waits five minutes) while the prefix's own wineboot is still working;
# the pass counts by what it leaves in the prefix, not by the launcher's status.
boot_pass() {
  local mode=$1
  timeout "$boot_timeout" wineboot "$mode" >>"$cache_root/wineboot.log" 2>&1 9>&-
  local rc=$?
  if ((rc == 124)); then
    wineserver -k 2>/dev/null 9>&-
    say "wineboot $mode did not finish within $boot_timeout s"
  fi
  # Without a display the boot can leave processes that never end on their own
  # (the desktop, a device host). Once the prefix is complete they get a grace,
  # then the server is stopped, which also saves the registry. The grace is
  # short when the launcher saw the boot finish, long when it gave up waiting.
  local waited=0 grace=90
  ((rc == 0)) || grace=600
  until timeout 30 wineserver -w 9>&-; do
    waited=$((waited + 30))
    if prefix_complete && ((waited >= grace)); then
      wineserver -k 2>/dev/null 9>&-
      break
    fi
    if ((waited >= boot_timeout)); then
      wineserver -k 2>/dev/null 9>&-
      say "wineserver still busy after $boot_timeout s"
      break
    fi
  done
  timeout 60 wineserver -w 9>&-
  return 0
}

# Every Wine session boots the prefix first, and each process it starts costs
# close to a minute under emulation. The event log and the mount manager are
# started on demand instead of at boot: the test program needs neither.
quiet_services() {
  local reg=$WINEPREFIX/system.reg
  awk '/^\[/ { svc = ($0 ~ /^\[System\\\\CurrentControlSet\\\\Services\\\\(Eventlog|MountMgr)\]/) }
       svc && /^"Start"=dword:00000002$/ { $0 = "\"Start\"=dword:00000003" }
       { print }' "$reg" >"$reg.new" && mv "$reg.new" "$reg" ||
    die "cannot edit $reg"
}

finish_prefix() {
  quiet_services
  touch "$WINEPREFIX/.ostrel-ready"
}

create_prefix() {
  prefix_ready && return 0
  # A run cut off earlier may have left Wine finishing the prefix: wait for it,
  # and keep what it completed.
  if [ -d "$WINEPREFIX" ]; then
    timeout 120 wineserver -w 2>/dev/null 9>&- || { wineserver -k 2>/dev/null 9>&-; timeout 60 wineserver -w 9>&-; }
    if prefix_complete; then
      finish_prefix
      return 0
    fi
  fi
  say "creating the 32-bit Wine prefix $WINEPREFIX (minutes, under emulation)"
  local started=$SECONDS
  rm -rf "$WINEPREFIX"
  : >"$cache_root/wineboot.log"
  boot_pass --init
  # A pass cut short leaves a prefix without its system files: update it once.
  prefix_complete || boot_pass --update
  if ! prefix_complete; then
    grep -v ':fixme:' "$cache_root/wineboot.log" | tail -n 20 >&2
    die "wineboot could not create a complete 32-bit prefix in $WINEPREFIX (log: $cache_root/wineboot.log)"
  fi
  finish_prefix
  say "prefix ready after $((SECONDS - started)) s"
}

# One setup at a time: a second one waits, then finds everything done. The
# lock's descriptor is closed for every Wine process, or a lingering
# wineserver would hold the lock after this script has gone.
setup() {
  mkdir -p "$cache_root" || die "cannot create $cache_root"
  exec 9>"$cache_root/setup.lock" || die "cannot open $cache_root/setup.lock"
  flock 9 || die "cannot lock $cache_root/setup.lock"
  check_packages
  setup_binfmt
  create_prefix
  flock -u 9
  exec 9>&-
}

cmd=${1:-}
shift || true
case "$cmd" in
  setup)
    setup
    ;;
  run)
    (($# >= 1)) || die "usage: $0 run PROGRAM [ARGS...]"
    setup
    started=$SECONDS
    timeout "$run_timeout" wine "$@"
    status=$?
    ((status == 124)) && { wineserver -k 2>/dev/null; say "$1 did not finish within $run_timeout s"; }
    # Wait for the server to go, so nothing it inherited stays open after us;
    # stop it if something Wine started lingers.
    timeout 300 wineserver -w || { wineserver -k 2>/dev/null; timeout 60 wineserver -w; }
    say "$1 exited with $status after $((SECONDS - started)) s under Wine"
    exit $status
    ;;
  prefix)
    echo "$WINEPREFIX"
    ;;
  *)
    die "usage: $0 setup | run PROGRAM [ARGS...] | prefix"
    ;;
esac
