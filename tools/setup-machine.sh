#!/usr/bin/env bash
# Installs what the build and the test targets need, from Debian packages.
# Idempotent: a package already present is not fetched again. Needs root.
set -euo pipefail

need_native=(cmake g++ make googletest libgtest-dev libbenchmark-dev
             g++-multilib qemu-user qemu-user-static binfmt-support
             g++-mingw-w64-i686-posix binutils-mingw-w64-i686
             libsndfile1-dev gnuplot-nox zip valgrind file
             clang libclang-rt-14-dev)
need_i386=(wine wine32:i386)

missing=()
for p in "${need_native[@]}" "${need_i386[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  if [ "$(id -u)" != 0 ]; then
    echo "setup: missing packages (${missing[*]}) and not root: run 'sudo $0'" >&2
    exit 1
  fi
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
echo "setup: packages present"
