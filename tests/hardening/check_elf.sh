#!/usr/bin/env bash
# Reads the ELF headers, dynamic symbols and code of installed binaries (as
# built, or as shipped in the packages) and fails when one lacks a hardening
# feature the build promises (cmake/hardening.cmake).
#
#   bash check_elf.sh [--expect FEATURES] [--packaged] FILE...
#
# FEATURES, comma-separated (cmake/hardening.cmake lists which a build has):
#   stack-protector  __stack_chk_fail is imported
#   fortify          a binary that imports a function glibc has a checked
#                    variant of (printf, snprintf, read, ...) imports at least
#                    one checked variant (__*_chk): lintian's rule, since a
#                    call whose buffer size the compiler cannot see stays
#                    unchecked in a fortified build too
#   cf-protection    every function the binary exports, and an executable's
#                    main, starts with an endbr64 (endbr32) landing pad. The
#                    IBT/SHSTK property note is not asked for: the linker drops
#                    it when any object linked in (a distribution's crt
#                    files) lacks it
#   relro            a GNU_RELRO segment
#   bindnow          DT_FLAGS_1 holds NOW
#   noexecstack      a GNU_STACK segment that is not executable
#   pie              an executable (a file with an interpreter) is
#                    position-independent (ELF type DYN, DT_FLAGS_1 PIE)
# --packaged: as shipped, also stripped (no .symtab, no debug sections) and
# without a .comment section (the compilers' version strings).
#
# Prints one line per file and feature checked; "FAIL: " lines name what is
# missing. Exits 1 when anything is.
set -uo pipefail

expect=stack-protector,fortify,cf-protection,relro,bindnow,noexecstack,pie
packaged=0
files=()
while (($#)); do
  case $1 in
    --expect)
      expect=$2
      shift 2
      ;;
    --packaged)
      packaged=1
      shift
      ;;
    -*)
      echo "check_elf.sh: unknown option $1" >&2
      exit 2
      ;;
    *)
      files+=("$1")
      shift
      ;;
  esac
done
if ((${#files[@]} == 0)); then
  echo "usage: check_elf.sh [--expect FEATURES] [--packaged] FILE..." >&2
  exit 2
fi

# glibc's functions that _FORTIFY_SOURCE replaces by a __NAME_chk variant
# where it can (lintian's list, data/binaries/hardened-functions; memcpy and
# the like are left out, as there: the compiler expands most of them inline).
fortifiable=" asprintf confstr dprintf fdelt fgets fgets_unlocked fgetws
  fgetws_unlocked fprintf fread fread_unlocked fwprintf getcwd getdomainname
  getgroups gethostname getlogin_r gets getwd longjmp mbsnrtowcs mbsrtowcs
  mbstowcs mempcpy obstack_printf obstack_vprintf poll ppoll pread64 pread
  printf ptsname_r read readlink readlinkat realpath recv recvfrom snprintf
  sprintf stpcpy stpncpy strcat strcpy strncat strncpy swprintf syslog
  ttyname_r vasprintf vdprintf vfprintf vfwprintf vprintf vsnprintf vsprintf
  vswprintf vsyslog vwprintf wcpcpy wcpncpy wcrtomb wcscat wcscpy wcsncat
  wcsncpy wcsnrtombs wcsrtombs wcstombs wctomb wmempcpy wprintf "
fortifiable=$(tr -s ' \n' ' ' <<<"$fortifiable")

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
wants() { [[ ,$expect, == *",$1,"* ]]; }

# landing_pads FILE ADDRESS...: prints "ADDRESS INSTRUCTION" for each
# address (hex, no 0x), the first instruction there.
landing_pads() {
  local file=$1
  shift
  objdump -d --no-show-raw-insn "$file" 2>/dev/null | awk -v want="$*" '
    BEGIN { n = split(want, list, " "); for (i = 1; i <= n; i++) wanted[list[i]] = 1 }
    /^ *[0-9a-f]+:\t/ {
      address = $1; sub(/:$/, "", address)
      if (address in wanted && !(address in seen)) {
        seen[address] = 1
        insn = $0; sub(/^ *[0-9a-f]+:\t/, "", insn)
        print address, insn
      }
    }'
}

check_file() {
  local file=$1 name
  name=$(basename "$file")
  if [[ ! -f $file ]]; then
    fail "$name: no such file ($file)"
    return
  fi
  local header segments dynamic symbols sections
  header=$(readelf -hW "$file" 2>&1) || {
    fail "$name: not an ELF file: $header"
    return
  }
  segments=$(readelf -lW "$file" 2>/dev/null)
  dynamic=$(readelf -dW "$file" 2>/dev/null)
  # "NAME NDX TYPE" of each dynamic symbol, version suffix dropped.
  symbols=$(readelf --dyn-syms -W "$file" 2>/dev/null |
    awk '$1 ~ /^[0-9]+:$/ && NF >= 8 { sub(/@.*/, "", $8); print $8, $7, $4, $2 }')
  sections=$(readelf -SW "$file" 2>/dev/null)
  local executable=0
  grep -q '^ *INTERP ' <<<"$segments" && executable=1
  local checked=()

  if wants stack-protector; then
    checked+=(stack-protector)
    awk '$2 == "UND" && $1 == "__stack_chk_fail"' <<<"$symbols" | grep -q . ||
      fail "$name: no stack protector (__stack_chk_fail not imported)"
  fi

  if wants fortify; then
    checked+=(fortify)
    local imported plain=() checked_variants=() symbol
    imported=$(awk '$2 == "UND" { print $1 }' <<<"$symbols")
    while read -r symbol; do
      [[ -z $symbol ]] && continue
      if [[ $symbol =~ ^__(.+)_chk$ && $fortifiable == *" ${BASH_REMATCH[1]} "* ]]; then
        checked_variants+=("$symbol")
      elif [[ $fortifiable == *" $symbol "* ]]; then
        plain+=("$symbol")
      fi
    done <<<"$imported"
    if ((${#plain[@]} > 0 && ${#checked_variants[@]} == 0)); then
      fail "$name: not fortified: imports ${plain[*]} and no __*_chk variant"
    fi
  fi

  if wants cf-protection; then
    checked+=(cf-protection)
    local entries=() address main=""
    # Functions the binary defines and exports.
    while read -r address; do
      entries+=("$address")
    done < <(awk '$2 != "UND" && $3 == "FUNC" { print $4 }' <<<"$symbols" |
      sed 's/^0*//' | sort -u)
    if ((executable)); then
      # main: the address _start hands to __libc_start_main in %rdi
      # (lea off %rip in a PIE, an immediate otherwise).
      local entry
      entry=$(awk '/Entry point address/ { print $4 }' <<<"$header")
      main=$(objdump -d --no-show-raw-insn --start-address="$entry" \
        --stop-address=$((entry + 64)) "$file" 2>/dev/null |
        sed -n -e 's/.*(%rip),%rdi *# \([0-9a-f]*\).*/\1/p' \
          -e 's/.*mov *\$0x\([0-9a-f]*\),%rdi.*/\1/p' | head -n 1)
      if [[ -z $main ]]; then
        fail "$name: main not found from the entry point $entry"
        entries=()
        main=none
      else
        entries+=("$main")
      fi
    fi
    if [[ ${main:-} == none ]]; then
      :
    elif ((${#entries[@]} == 0)); then
      fail "$name: no exported function or main to look for landing pads at"
    else
      local pads without
      pads=$(landing_pads "$file" "${entries[@]}")
      without=$(awk '$2 !~ /^endbr(64|32)$/ { print $1 }' <<<"$pads" | head -n 5)
      if [[ -n $without ]]; then
        fail "$name: functions without an endbr landing pad (no -fcf-protection?), at: $(tr '\n' ' ' <<<"$without")"
      elif (($(grep -c . <<<"$pads") != ${#entries[@]})); then
        fail "$name: the code at some of ${#entries[@]} function addresses was not found"
      fi
    fi
  fi

  if wants relro; then
    checked+=(relro)
    grep -q '^ *GNU_RELRO ' <<<"$segments" || fail "$name: no RELRO (no GNU_RELRO segment)"
  fi

  if wants bindnow; then
    checked+=(bindnow)
    grep -qE '\(FLAGS_1\) +Flags:.* NOW( |$)' <<<"$dynamic" ||
      fail "$name: not bound now (no NOW in DT_FLAGS_1; link with -z now)"
  fi

  if wants noexecstack; then
    checked+=(noexecstack)
    local stack
    stack=$(grep '^ *GNU_STACK ' <<<"$segments")
    if [[ -z $stack ]]; then
      fail "$name: no GNU_STACK segment (an executable stack by default)"
    elif [[ $stack == *RWE* ]]; then
      fail "$name: executable stack: $stack"
    fi
  fi

  if wants pie && ((executable)); then
    checked+=(pie)
    if ! grep -q 'Type: *DYN ' <<<"$header" ||
      ! grep -qE '\(FLAGS_1\) +Flags:.* PIE( |$)' <<<"$dynamic"; then
      fail "$name: executable not position-independent: $(grep 'Type:' <<<"$header" | tr -s ' ')"
    fi
  fi

  if ((packaged)); then
    checked+=(stripped no-comment)
    grep -qE '\] \.symtab |\] \.debug_' <<<"$sections" &&
      fail "$name: not stripped (a .symtab or debug section)"
    grep -qE '\] \.comment ' <<<"$sections" && fail "$name: has a .comment section"
  fi
  echo "$name: checked ${checked[*]}"
}

for file in "${files[@]}"; do
  check_file "$file"
done
if ((failures)); then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"
