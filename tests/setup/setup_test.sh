#!/usr/bin/env bash
# scripts/setup.sh on a machine where the build tools and the test packages
# are hidden: PATH holds only the basic utilities and stand-ins for id, sudo,
# apt-get, dpkg-query and the tools themselves, so the script sees exactly
# what each case says is installed, and apt-get only records what it was
# asked. Nothing on the machine is installed or changed.
#
#   bash setup_test.sh SCRIPT
set -uo pipefail

script=$1
failures=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# machine NAME UID INSTALLED_COMMANDS INSTALLED_PACKAGES [CMAKE_VERSION]:
# makes $work/NAME/bin, whose PATH shows only the given commands and
# packages as installed. apt-get "installs" a package by making the command
# of the same name (and cmake, when asked for it, at the given version).
machine() {
  local name=$1 uid=$2 commands=$3 installed=$4 cmake_version=${5:-3.25.1}
  local bin=$work/$name/bin
  mkdir -p "$bin"
  local tool
  for tool in bash env sed sort grep cat mkdir rm touch chmod; do
    ln -s "$(command -v "$tool")" "$bin/$tool"
  done
  printf '#!/bin/bash\necho %s\n' "$uid" >"$bin/id"
  printf '#!/bin/bash\necho "sudo $*" >>%s/log\n"$@"\n' "$work/$name" >"$bin/sudo"
  cat >"$bin/apt-get" <<STUB
#!/bin/bash
echo "apt-get \$*" >>$work/$name/log
for pkg in "\$@"; do
  case \$pkg in
    -*|update|install) ;;
    cmake) printf '#!/bin/bash\necho "cmake version $cmake_version"\n' >$bin/cmake; chmod +x $bin/cmake ;;
    ninja-build) touch $bin/ninja; chmod +x $bin/ninja ;;
    g++) touch $bin/c++; chmod +x $bin/c++ ;;
    *) echo \$pkg >>$work/$name/installed ;;
  esac
done
STUB
  cat >"$bin/dpkg-query" <<STUB
#!/bin/bash
grep -qx "\${@: -1}" $work/$name/installed 2>/dev/null && printf 'install ok installed'
STUB
  touch "$work/$name/installed"
  local pkg
  for pkg in $installed; do echo "$pkg" >>"$work/$name/installed"; done
  for tool in $commands; do
    if [[ $tool == cmake ]]; then
      printf '#!/bin/bash\necho "cmake version %s"\n' "$cmake_version" >"$bin/cmake"
    else
      touch "$bin/$tool"
    fi
  done
  chmod +x "$bin"/*
}

# run NAME PROFILE: runs the script on machine NAME; sets out and status.
run() {
  out=$(PATH=$work/$1/bin bash "$script" "$2" 2>&1)
  status=$?
}

log_of() { cat "$work/$1/log" 2>/dev/null; }

all_test_packages="libgtest-dev libbenchmark-dev libssl-dev libkrb5-dev heimdal-multidev python3-gssapi gss-ntlmssp"
test_commands="cmake ninja c++ pkg-config valgrind python3 dpkg-shlibdeps abidiff"

# A bare machine, not root: the tool profile installs the three build tools
# through sudo, after saying so.
machine bare 1000 "" ""
run bare tool
[[ $status == 0 ]] || fail "bare tool: exit $status: $out"
[[ $out == *"setup: installing cmake ninja-build g++ with sudo apt-get"* ]] ||
  fail "bare tool: does not say what it installs: $out"
[[ $(log_of bare) == *"sudo apt-get install -y --no-install-recommends cmake ninja-build g++"* ]] ||
  fail "bare tool: apt-get not run through sudo as expected: $(log_of bare)"
[[ ${out%%apt-get update*} == *"setup: installing"* ]] ||
  fail "bare tool: installs before saying so"

# The same machine as root: no sudo.
machine root 0 "" ""
run root tool
[[ $status == 0 && $(log_of root) != *sudo* &&
  $(log_of root) == *"apt-get install -y --no-install-recommends cmake ninja-build g++"* ]] ||
  fail "root tool: $(log_of root)"

# Build tools present, the test packages hidden: the test profile installs
# exactly what is missing.
machine tools 1000 "$test_commands" "libssl-dev"
run tools test
expected="${all_test_packages/libssl-dev /}"
[[ $status == 0 && $(log_of tools) == *"install -y --no-install-recommends $expected"* ]] ||
  fail "tools test: expected to install '$expected': $(log_of tools)"

# Everything there: nothing is installed.
machine full 1000 "$test_commands" "$all_test_packages"
run full test
[[ $status == 0 && -z $(log_of full) && $out == *"nothing to install"* ]] ||
  fail "full test: $out / $(log_of full)"

# An old cmake is named, not used.
machine old 1000 "$test_commands" "$all_test_packages" 3.22.1
run old tool
[[ $status != 0 && $out == *"cmake 3.22 is older than 3.25"* ]] ||
  fail "old cmake: exit $status: $out"

# Not root and no sudo: it says what is missing instead.
machine nosudo 1000 "" ""
rm "$work/nosudo/bin/sudo"
run nosudo tool
[[ $status != 0 && $out == *"missing: cmake ninja-build g++"* && -z $(log_of nosudo) ]] ||
  fail "no sudo: exit $status: $out"

run bare nonsense
[[ $status == 2 ]] || fail "an unknown profile: exit $status"

if ((failures)); then
  echo "setup_test: $failures failed"
  exit 1
fi
echo "setup_test: all passed"
