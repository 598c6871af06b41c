#!/usr/bin/env bash
# Installs what a build of this project needs and the machine lacks, with
# apt-get (through sudo when not run as root), after saying what it will
# install. Debian and Ubuntu only; elsewhere it says what is missing.
#
#   bash scripts/setup.sh tool     CMake, Ninja and a C++17 compiler: the tool
#                                  preset (README command 1)
#   bash scripts/setup.sh test     and the test packages: the default preset
#                                  (README command 2)
#   bash scripts/setup.sh ci       and clang, its fuzzing runtime, the lint
#                                  tools and lintian: every step of .ci/run
#
# Exits 0 when nothing is missing or everything missing was installed.
set -euo pipefail

profile=${1:-}
case "$profile" in
  tool | test | ci) ;;
  *)
    echo "usage: bash scripts/setup.sh tool|test|ci" >&2
    exit 2
    ;;
esac

# Commands, each with the Debian package that provides it; a command already
# on PATH counts, however it was installed.
commands=(cmake:cmake ninja:ninja-build c++:g++)
# Packages that provide libraries and data rather than one command.
packages=()
if [[ $profile != tool ]]; then
  # abidw and abidiff (libabigail) pin the libraries' ABI (tests/abi).
  commands+=(pkg-config:pkg-config valgrind:valgrind python3:python3
    dpkg-shlibdeps:dpkg-dev abidiff:abigail-tools)
  # GoogleTest, Google Benchmark, OpenSSL's libcrypto (an oracle), MIT krb5's
  # GSS-API glue and Heimdal's (the module's hosts), and the clients and
  # mechanisms the module is tested beside.
  packages+=(libgtest-dev libbenchmark-dev libssl-dev libkrb5-dev
    heimdal-multidev python3-gssapi gss-ntlmssp)
fi
if [[ $profile == ci ]]; then
  # lintian judges the Debian packages as the distribution would.
  commands+=(clang++:clang clang-format:clang-format clang-tidy:clang-tidy
    lintian:lintian)
  packages+=(libclang-rt-14-dev)
fi

# check_cmake fails when cmake is older than the 3.25 that the presets
# need, as an older distribution's is.
check_cmake() {
  local version
  version=$(cmake --version | sed -n 's/^cmake version \([0-9]*\.[0-9]*\).*/\1/p')
  if [[ -n $version ]] && ! printf '%s\n%s\n' 3.25 "$version" | sort -V -C; then
    echo "setup: cmake $version is older than 3.25, which the presets need" >&2
    exit 1
  fi
}

missing=()
for entry in "${commands[@]}"; do
  command -v "${entry%%:*}" >/dev/null 2>&1 || missing+=("${entry#*:}")
done
for pkg in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'ok installed' ||
    missing+=("$pkg")
done

if ((${#missing[@]} == 0)); then
  echo "setup: nothing to install for '$profile'"
  check_cmake
  exit 0
fi
if ! command -v apt-get >/dev/null 2>&1; then
  echo "setup: missing: ${missing[*]} (Debian package names); install them" \
    "with your system's package manager" >&2
  exit 1
fi

as_root=()
if [[ $(id -u) != 0 ]]; then
  if ! command -v sudo >/dev/null 2>&1; then
    echo "setup: missing: ${missing[*]}; run as root or install sudo" >&2
    exit 1
  fi
  as_root=(sudo)
fi
echo "setup: installing ${missing[*]} with ${as_root[*]:+${as_root[*]} }apt-get"
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update
"${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"

check_cmake
