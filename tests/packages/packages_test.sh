#!/usr/bin/env bash
# The Debian packages (cmake/packages.cmake) as a distribution would ship
# them, and as a machine uses them once they are installed.
#
#   bash packages_test.sh contents  NAME=VALUE...
#   bash packages_test.sh installed NAME=VALUE...
#   bash packages_test.sh upgrade   NAME=VALUE...
#
# contents: builds the packages with cpack from the build tree into
# WORK/debs and checks each one: its exact file list, owner, conffiles and
# control fields, the control files (shlibs, the symbols file as checked in,
# the ldconfig trigger, no maintainer script), the configuration line, the
# man pages, the hardening of the binaries as shipped (check_elf.sh
# --packaged), and that no file names the build or source tree.
#
# installed: installs those packages with dpkg as an administrator would,
# onto the machine's own /usr, /etc and /var seen through overlays whose
# writable layers are a tmpfs, in a private mount namespace: dpkg resolves
# the packages' dependencies against the machine's packages, and everything
# it writes vanishes with the namespace; the machine's files are never
# touched. Then, with no GSS_MECH_CONFIG, the C client reaches the mechanism
# through MIT's glue reading the installed /etc/gss/mech.d/orbi.conf, and the
# installed tool runs; both must load the installed libraries. Then removal
# and purge must leave nothing behind.
#
# upgrade: the next version (WORK/next: this build's packages repacked as
# that release, make_next), installed in the same way over the packages of
# this build, with orbi.conf edited or not, with that release's orbi.conf
# the same or changed (check_upgrades); the mechanism must answer after
# each, and removal and purge leave nothing behind.
#
# installed and upgrade exit 77 (skipped) where a private mount namespace or
# an overlay is not permitted.
#
# NAME=VALUE: work (scratch dir), build and source (the trees), cpack,
# libdir, cmake_dir and pc_dir (relative install dirs), config (the build
# type), version, deb_version (the packages' version: cmake/debian/changelog),
# oid (the mechanism OID), heimdal (1 when orbi_mech_heimdal.so is built),
# sanitized (1 in a sanitizer build, whose binaries name their sources),
# hardening (the features check_elf.sh --expect takes), client (the MIT
# client), heimdal_client (the Heimdal client, if built), krb5_conf (the
# Kerberos configuration for the client); for upgrade: next_version,
# next_library (liborbi_name of this build's objects linked as
# next_version), library (this build's liborbi_name), strip, objcopy and nm.
set -uo pipefail

mode=${1:-}
shift || true
work='' build='' source='' cpack='' libdir='' cmake_dir='' pc_dir=''
config='' version='' deb_version='' oid='' heimdal=0 sanitized=0
hardening='' client='' heimdal_client='' krb5_conf='' next_version=''
next_library='' library='' strip='' objcopy='' nm=''
for arg in "$@"; do
  case ${arg%%=*} in
    work | build | source | cpack | libdir | cmake_dir | pc_dir | config | \
      version | deb_version | oid | heimdal | sanitized | hardening | \
      client | heimdal_client | krb5_conf | next_version | next_library | \
      library | strip | objcopy | nm)
      printf -v "${arg%%=*}" '%s' "${arg#*=}"
      ;;
    *)
      echo "packages_test.sh: unknown argument '$arg'" >&2
      exit 2
      ;;
  esac
done

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
finish() {
  if ((failures > 0)); then
    echo "$failures check(s) failed"
    exit 1
  fi
  echo "all checks passed"
  exit 0
}

debs=$work/debs
lib=/usr/$libdir
major=${version%%.*}
runtime=liborbi-name$major
packages=("$runtime" liborbi-name-dev orbi-name orbi-mech)
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# The next release, for the upgrades (next_version: the patch version
# raised), Debian revision 1.
next=$work/next
next_deb_version=$next_version-1
# Scratch files of the namespace tests, one dir each: they may run at once.
scratch=$work/${mode#in_namespace_}

# deb_of PACKAGE [DIR]: the .deb file of PACKAGE in DIR (default $debs).
deb_of() {
  local file
  for file in "${2:-$debs}"/*.deb; do
    if [[ $(dpkg-deb -f "$file" Package) == "$1" ]]; then
      echo "$file"
      return 0
    fi
  done
  return 1
}

# expected_files PACKAGE: every file and link PACKAGE ships, sorted, a link
# as "PATH -> TARGET".
expected_files() {
  {
    # What Debian asks of every package.
    echo "/usr/share/doc/$1/changelog.Debian.gz"
    echo "/usr/share/doc/$1/copyright"
    files_of "$1"
  } | LC_ALL=C sort
}
# files_of PACKAGE: the files of PACKAGE besides those two.
files_of() {
  case $1 in
    "$runtime")
      local name
      for name in liborbi_name liborbi_services; do
        echo "$lib/$name.so.$version"
        echo "$lib/$name.so.$major -> $name.so.$version"
      done
      ;;
    liborbi-name-dev)
      local header
      for header in "$source"/orbi_name/include/orbi_name/*.h \
        "$source"/orbi_name/include/orbi_name/*.def \
        "$source"/services/include/orbi_services/*.h; do
        echo "/usr/include/$(basename "$(dirname "$header")")/$(basename "$header")"
      done
      echo "$lib/liborbi_name.so -> liborbi_name.so.$major"
      echo "$lib/liborbi_services.so -> liborbi_services.so.$major"
      echo "/usr/$cmake_dir/orbi_name-config.cmake"
      echo "/usr/$cmake_dir/orbi_name-config-version.cmake"
      echo "/usr/$cmake_dir/orbi_name-targets.cmake"
      echo "/usr/$cmake_dir/orbi_name-targets-$config.cmake"
      echo "/usr/$pc_dir/orbi_name.pc"
      ;;
    orbi-name)
      echo /usr/bin/orbi-name
      echo /usr/share/man/man1/orbi-name.1.gz
      ;;
    orbi-mech)
      echo /etc/gss/mech.d/orbi.conf
      echo "$lib/gss/orbi_mech.so"
      ((heimdal)) && echo "$lib/gss/orbi_mech_heimdal.so"
      echo /usr/share/man/man8/orbi_mech.8.gz
      ;;
  esac
}

# shipped_files DEB: the files and links in DEB as expected_files writes
# them; directories left out.
shipped_files() {
  dpkg-deb -c "$1" | awk '$1 !~ /^d/ {
      path = substr($6, 2)
      if ($1 ~ /^l/) path = path " -> " $8
      print path
    }' | LC_ALL=C sort
}

# expected_depends PACKAGE: what PACKAGE's Depends must name, one per line: the
# other packages at this version exactly, and the system libraries that
# dpkg-shlibdeps finds for its binaries (at any version).
expected_depends() {
  case $1 in
    "$runtime") printf '%s\n' libc6 libstdc++6 ;;
    liborbi-name-dev) echo "$runtime (= $deb_version)" ;;
    orbi-name | orbi-mech)
      printf '%s\n' "$runtime (= $deb_version)" libc6 libstdc++6
      ;;
  esac
}

check_contents() {
  rm -rf "$work"
  mkdir -p "$debs"
  if ! "$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$debs" \
    >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    fail "cpack failed"
    finish
  fi

  local arch package deb conffiles depends want field found entry
  arch=$(dpkg --print-architecture)
  for package in "${packages[@]}"; do
    if ! deb=$(deb_of "$package"); then
      fail "$package: no package built (cpack wrote: $(ls "$debs"))"
      continue
    fi
    echo "== $package: $(basename "$deb")"
    if [[ $(basename "$deb") != "${package}_${deb_version}_$arch.deb" ]]; then
      fail "$package: file name $(basename "$deb")"
    fi
    dpkg-deb -c "$deb" | sed 's/^/   /'

    # The exact files: nothing missing, nothing else (no /usr/etc, no
    # /usr/local, no stray file of another package).
    if ! diff -u <(expected_files "$package") <(shipped_files "$deb") \
      >"$work/$package.diff"; then
      fail "$package: files differ from what it should ship (- expected, + shipped):"
      sed -n '3,$p' "$work/$package.diff"
    fi
    if dpkg-deb -c "$deb" | awk '$2 != "root/root"' | grep -q .; then
      fail "$package: entries not owned by root/root"
    fi

    # conffiles: orbi.conf, the one file in /etc, and nothing else.
    conffiles=$(dpkg-deb -I "$deb" conffiles 2>/dev/null)
    if [[ $package == orbi-mech ]]; then
      [[ $conffiles == /etc/gss/mech.d/orbi.conf ]] ||
        fail "$package: conffiles is '$conffiles', not /etc/gss/mech.d/orbi.conf"
    elif [[ -n $conffiles ]]; then
      fail "$package: conffiles '$conffiles'"
    fi

    for field in Version Architecture; do
      want=$deb_version
      [[ $field == Architecture ]] && want=$arch
      [[ $(dpkg-deb -f "$deb" "$field") == "$want" ]] ||
        fail "$package: $field is '$(dpkg-deb -f "$deb" "$field")', not '$want'"
    done
    depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/^ *//')
    while read -r want; do
      found=0
      while read -r entry; do
        [[ $entry == "$want" || $entry == "$want ("* ]] && found=1
      done <<<"$depends"
      if ((!found)); then
        if [[ $want == libc6 ]]; then
          fail "$package: Depends '$(dpkg-deb -f "$deb" Depends)' names no" \
            "system library: did dpkg-shlibdeps (dpkg-dev) run?"
        else
          fail "$package: Depends '$(dpkg-deb -f "$deb" Depends)' lacks '$want'"
        fi
      fi
    done < <(expected_depends "$package")

    # ldconfig runs by trigger, so no package has a maintainer script.
    local script
    for script in preinst postinst prerm postrm; do
      dpkg-deb -I "$deb" "$script" >/dev/null 2>&1 && fail "$package: has a $script script"
    done

    mkdir -p "$work/contents/$package"
    dpkg-deb -x "$deb" "$work/contents/$package"
  done

  # The libraries' package: dpkg runs ldconfig for it through the trigger,
  # and its symbols file is the one checked in (debian_symbols compares that
  # with the build).
  local control
  control=$(dpkg-deb -I "$(deb_of "$runtime")" triggers 2>/dev/null)
  [[ $control == "activate-noawait ldconfig" ]] || fail "$runtime: triggers is '$control'"
  if ! dpkg-deb -I "$(deb_of "$runtime")" symbols 2>/dev/null |
    cmp -s - "$source/cmake/debian/symbols"; then
    fail "$runtime: its symbols file is not cmake/debian/symbols"
  fi

  # The binaries as shipped: hardened as built, stripped, no .comment.
  local shipped=()
  shipped+=("$work/contents/$runtime$lib/liborbi_name.so.$version")
  shipped+=("$work/contents/$runtime$lib/liborbi_services.so.$version")
  shipped+=("$work/contents/orbi-name/usr/bin/orbi-name")
  shipped+=("$work/contents/orbi-mech$lib/gss/orbi_mech.so")
  ((heimdal)) && shipped+=("$work/contents/orbi-mech$lib/gss/orbi_mech_heimdal.so")
  echo "== the binaries as shipped"
  bash "$here/../hardening/check_elf.sh" --packaged --expect "$hardening" \
    "${shipped[@]}" | sed 's/^/   /'
  ((PIPESTATUS[0] == 0)) || fail "the shipped binaries lack hardening (above)"

  # No file names the trees the packages were built from (debug sections,
  # RUNPATHs, generated files).
  local tree hits
  if ((sanitized)); then
    echo "sanitizer build: its binaries name their sources; not checked"
  else
    for tree in "$build" "$source"; do
      hits=$(grep -rlF -- "$tree" "$work/contents" 2>/dev/null)
      [[ -z $hits ]] || fail "files name $tree: ${hits//$work\/contents\//}"
    done
  fi

  local contents=$work/contents
  # The runtime package tells packages built against it what to depend on.
  local shlibs want_shlibs
  shlibs=$(dpkg-deb -I "$(deb_of "$runtime")" shlibs 2>/dev/null)
  want_shlibs="liborbi_name $major $runtime (>= $version)
liborbi_services $major $runtime (>= $version)"
  [[ $shlibs == "$want_shlibs" ]] || fail "$runtime: shlibs is '$shlibs'"

  # The line that MIT's glue reads names the installed module.
  local conf=$contents/orbi-mech/etc/gss/mech.d/orbi.conf line
  line=$(cat "$conf" 2>/dev/null)
  [[ $line == "orbi $oid $lib/gss/orbi_mech.so" ]] ||
    fail "orbi.conf reads '$line'"

  # Man pages: gzip-compressed, every placeholder filled in, and (with
  # groff) formatted without a warning.
  local page text
  for page in "$contents/orbi-name/usr/share/man/man1/orbi-name.1.gz" \
    "$contents/orbi-mech/usr/share/man/man8/orbi_mech.8.gz"; do
    [[ -f $page ]] || continue
    if ! text=$(gzip -dc "$page"); then
      fail "$(basename "$page") is not gzip data"
      continue
    fi
    if grep -qE '@[A-Z_]+@' <<<"$text"; then
      fail "$(basename "$page") keeps placeholders: $(grep -oE '@[A-Z_]+@' <<<"$text" | sort -u | tr '\n' ' ')"
    fi
    grep -q "^\\.TH .* \"orbi_name $version\"" <<<"$text" ||
      fail "$(basename "$page"): no .TH line naming version $version"
    if command -v groff >/dev/null 2>&1; then
      local warnings
      warnings=$(groff -man -Tutf8 -ww -z <<<"$text" 2>&1)
      [[ -z $warnings ]] || fail "$(basename "$page"): groff warns: $warnings"
    fi
  done
  # orbi_mech(8) names the installed files, the lines of both glues, every
  # attribute of the module's list under the build's OID, and every minor
  # status of the module's list and the library's but SUCCESS.
  text=$(gzip -dc "$contents/orbi-mech/usr/share/man/man8/orbi_mech.8.gz" 2>/dev/null)
  local wants=("orbi $oid $lib/gss/orbi_mech.so" /etc/gss/mech.d/orbi.conf)
  ((heimdal)) && wants+=("orbi $oid $lib/gss/orbi_mech_heimdal.so \\-")
  local suffix code name list rows
  rows=$(sed -n 's/^ORBI_ATTRIBUTE([A-Za-z0-9_]*, *"\([^"]*\)".*/\1/p' \
    "$source/mech/name_attributes.def")
  [[ -n $rows ]] || fail "mech/name_attributes.def: no row read"
  for suffix in $rows; do
    wants+=(".BI urn:oid: $oid $suffix")
  done
  for list in orbi_name/include/orbi_name/status.def mech/minor_status.def; do
    rows=$(sed -n 's/^ORBI_[A-Z_]*(\([A-Z0-9_]*\), *\([0-9]*\),.*/\1 \2/p' \
      "$source/$list")
    [[ -n $rows ]] || fail "$list: no row read"
    while read -r name code; do
      [[ $name == SUCCESS ]] || wants+=(".BR $code \" $name\"")
    done <<<"$rows"
  done
  for want in "${wants[@]}"; do
    grep -qF -- "$want" <<<"$text" || fail "orbi_mech.8 does not name '$want'"
  done
  finish
}

# --- installed ----------------------------------------------------------------

# enter_namespace: inside the private mount namespace (as `installed` and
# `upgrade` re-execute themselves), lays the overlays over /usr, /etc and
# /var and leaves the system's configuration alone for the clients.
enter_namespace() {
  local layers=$scratch/layers dir
  rm -rf "$scratch"
  mkdir -p "$layers"
  mount -t tmpfs orbi-packages "$layers" || {
    echo "SKIP: no tmpfs mount in the namespace"
    exit 77
  }
  for dir in usr etc var; do
    mkdir -p "$layers/$dir/upper" "$layers/$dir/work"
    if ! mount -t overlay orbi-packages -o \
      "lowerdir=/$dir,upperdir=$layers/$dir/upper,workdir=$layers/$dir/work" \
      "/$dir"; then
      echo "SKIP: no overlay over /$dir in the namespace"
      exit 77
    fi
    # dpkg must not run unless the overlay is in place.
    if [[ $(findmnt -rn -o SOURCE --mountpoint "/$dir" | tail -n 1) != orbi-packages ]]; then
      fail "/$dir is not the overlay"
      finish
    fi
  done

  # man-db's trigger rebuilds the whole manual page index after each dpkg
  # run, for seconds, and tests nothing here (man -w finds a page without
  # it): off in this namespace.
  rm -f /var/lib/man-db/auto-update

  # The system's configuration alone: the Kerberos mechanism, which the
  # client compares with, reads /etc/krb5.conf; GSS_MECH_CONFIG and
  # KRB5_CONFIG are unset.
  cp "$krb5_conf" /etc/krb5.conf
  unset GSS_MECH_CONFIG KRB5_CONFIG
}

# run_loaded LABEL EXPECTED_LIBRARIES COMMAND...: runs COMMAND with
# LD_DEBUG=libs and fails unless it succeeds and loads each library (a
# file name) from $lib.
run_loaded() {
  local label=$1 libraries=$2 status library
  shift 2
  LD_DEBUG=libs LD_DEBUG_OUTPUT=$scratch/ld "$@" >"$scratch/out" 2>&1
  status=$?
  echo "== $label"
  sed 's/^/   /' "$scratch/out"
  ((status == 0)) || fail "$label: exit status $status"
  # The loader names a library by the path it found it under
  # (/usr/bin/../lib/..., <libdir>/gss/../...): compared as real paths.
  sed -n 's/^.*calling init: //p' "$scratch"/ld.* | xargs -r realpath -m \
    >"$scratch/loaded"
  for library in $libraries; do
    grep -qxF -- "$(realpath -m "$lib/$library")" "$scratch/loaded" ||
      fail "$label: $lib/$library not loaded; loaded: $(tr '\n' ' ' <"$scratch/loaded")"
  done
  rm -f "$scratch"/ld.*
}

# check_installed: the packages of this build installed, used, removed and
# purged.
check_installed() {
  new_dirs "$debs"
  echo "== dpkg -i"
  local all=() package
  for package in "${packages[@]}"; do all+=("$(deb_of "$package")"); done
  if ! dpkg -i "${all[@]}" >"$scratch/dpkg.log" 2>&1; then
    cat "$scratch/dpkg.log"
    fail "dpkg -i failed"
    finish
  fi
  sed 's/^/   /' "$scratch/dpkg.log"
  local registered
  registered=$(dpkg-query -W -f='${Conffiles}' orbi-mech)
  [[ $registered == " /etc/gss/mech.d/orbi.conf "* ]] ||
    fail "dpkg registered the conffiles '$registered'"
  # The ldconfig trigger ran: the loader's cache names the libraries.
  cached_in_lib "liborbi_name.so.$major" >/dev/null ||
    fail "the loader's cache does not list $lib/liborbi_name.so.$major (no ldconfig trigger?)"

  run_loaded "the MIT client" \
    "gss/orbi_mech.so liborbi_name.so.$major liborbi_services.so.$major" \
    "$client"
  run_loaded "orbi-name show" "liborbi_name.so.$major liborbi_services.so.$major" \
    /usr/bin/orbi-name show 'db/users\nalice\nbob'
  grep -q "^mechanism: .*$oid" "$scratch/out" ||
    fail "orbi-name show: no mechanism $oid"
  [[ $(/usr/bin/orbi-name --version | head -n 1) == "orbi-name $version" ]] ||
    fail "orbi-name --version: $(/usr/bin/orbi-name --version | head -n 1)"
  if [[ -e /usr/share/man/man8/orbi_mech.8.gz ]] && command -v man >/dev/null; then
    [[ $(man -w orbi_mech 2>&1) == /usr/share/man/man8/orbi_mech.8.gz ]] ||
      fail "man -w orbi_mech: $(man -w orbi_mech 2>&1)"
  fi

  # Heimdal's line in /etc/gss/mech, as orbi_mech(8) says: Heimdal's glue
  # takes orbi_mech_heimdal.so, and MIT's keeps orbi_mech.so.
  if ((heimdal)); then
    echo "orbi $oid $lib/gss/orbi_mech_heimdal.so -" >>/etc/gss/mech
    if [[ -n $heimdal_client ]]; then
      run_loaded "the Heimdal client" \
        "gss/orbi_mech_heimdal.so liborbi_name.so.$major" "$heimdal_client"
    fi
    run_loaded "the MIT client beside Heimdal's line" \
      "gss/orbi_mech.so liborbi_name.so.$major" "$client"
  fi

  # orbi.conf is a conffile: removing the package keeps it, purging it
  # removes it. The libraries cannot go while the packages that need them
  # stay.
  if dpkg -r "$runtime" >"$scratch/dpkg.log" 2>&1; then
    fail "dpkg removed $runtime while orbi-name and orbi-mech need it"
  fi
  dpkg -r orbi-mech >"$scratch/dpkg.log" 2>&1 || fail "dpkg -r orbi-mech: $(cat "$scratch/dpkg.log")"
  [[ ! -e $lib/gss/orbi_mech.so ]] || fail "dpkg -r orbi-mech left the module"
  [[ -e /etc/gss/mech.d/orbi.conf ]] || fail "dpkg -r orbi-mech removed orbi.conf"
  dpkg -P orbi-mech orbi-name liborbi-name-dev "$runtime" >"$scratch/dpkg.log" 2>&1 ||
    fail "dpkg -P: $(cat "$scratch/dpkg.log")"
  nothing_left "dpkg -P" "$debs"
  finish
}

# check_upgrades: the next release (make_next) installed over the packages
# of this build, dpkg running with no input, as an unattended upgrade does.
# orbi.conf as installed follows the new package; one edited here is kept:
# with no question asked where the release leaves orbi.conf as it was, and
# where the release changes it (dpkg asks, and stops at the end of its
# input: "end of file on stdin at conffile prompt") with --force-confdef,
# whose default is to keep it (--force-confold, as apt is told for
# unattended runs, says the same), the release's file beside it as
# orbi.conf.dpkg-dist.
check_upgrades() {
  upgrade "edited, the release's orbi.conf unchanged" "$next/debs" 1 0
  upgrade "as installed, the release's orbi.conf changed" "$next/changed" 0 1
  upgrade "edited, the release's orbi.conf changed" "$next/changed" 1 1 \
    --force-confdef --force-confold
  finish
}

# shipped_dirs DIR...: the directories the packages in DIRs ship.
shipped_dirs() {
  local dir package
  for dir in "$@"; do
    for package in "${packages[@]}"; do
      dpkg-deb -c "$(deb_of "$package" "$dir")" | awk '$1 ~ /^d/ { print substr($6, 2) }'
    done
  done | sed 's|/$||' | grep . | LC_ALL=C sort -u
}

# new_dirs DIR...: sets new_dirs to the directories the packages in DIRs
# ship that are not on the machine yet: purging must take them away again.
new_dirs=()
new_dirs() {
  local path
  new_dirs=()
  while read -r path; do
    [[ -e $path ]] || new_dirs+=("$path")
  done < <(shipped_dirs "$@")
}

# nothing_left LABEL DIR...: fails for anything of the packages in DIRs
# still on the machine: a file or link they ship, a directory they brought
# (new_dirs), orbi.conf or a copy dpkg made of it, their docs, dpkg's record
# of them, the libraries in the loader's cache.
nothing_left() {
  local label=$1 dir package path
  shift
  for dir in "$@"; do
    for package in "${packages[@]}"; do
      while read -r path; do
        [[ -e $path || -L $path ]] && fail "$label left $path"
      done < <(shipped_files "$(deb_of "$package" "$dir")" | sed 's/ -> .*//')
    done
  done
  for path in "${new_dirs[@]}"; do
    [[ -e $path ]] && fail "$label left the directory $path"
  done
  for path in /etc/gss/mech.d/orbi.conf*; do
    [[ -e $path ]] && fail "$label left $path"
  done
  for package in "${packages[@]}"; do
    [[ -e /usr/share/doc/$package ]] && fail "$label left /usr/share/doc/$package"
    compgen -G "/var/lib/dpkg/info/$package[.:]*" >/dev/null &&
      fail "$label left dpkg's files of $package: $(compgen -G "/var/lib/dpkg/info/$package[.:]*" | tr '\n' ' ')"
    [[ $(dpkg-query -W -f='${db:Status-Abbrev}' "$package" 2>/dev/null) == [a-z]n* ||
      -z $(dpkg-query -W -f='${db:Status-Abbrev}' "$package" 2>/dev/null) ]] ||
      fail "$label: dpkg still knows $package: $(dpkg-query -W -f='${db:Status-Abbrev}' "$package")"
  done
  local soname
  for soname in "liborbi_name.so.$major" "liborbi_services.so.$major"; do
    cached_in_lib "$soname" >/dev/null &&
      fail "$label: the loader's cache still lists $(cached_in_lib "$soname")"
  done
}

# cached_in_lib SONAME: prints the file (a real path) that the loader's
# cache gives for SONAME in $lib; fails when it has none there.
cached_in_lib() {
  local path
  while read -r path; do
    path=$(realpath -m "$path")
    if [[ $path == "$(realpath -m "$lib")"/* ]]; then
      echo "$path"
      return 0
    fi
  done < <(ldconfig -p | awk -v name="$1" '$1 == name { print $NF }')
  return 1
}

# upgrade LABEL DIR EDIT CHANGED [DPKG_OPTION...]: installs this build's
# packages, edits orbi.conf when EDIT is 1, installs the packages in DIR
# over them with dpkg -i and the options, checks orbi.conf (the release's
# is another than the one installed when CHANGED is 1, the same when 0),
# the versions, the files and the mechanism, then removes and purges
# everything.
upgrade() {
  local label=$1 dir=$2 edit=$3 changed=$4 conf=/etc/gss/mech.d/orbi.conf
  shift 4
  echo "== upgrade: $label ${*:+($*)}"
  local package old=() new=()
  for package in "${packages[@]}"; do
    old+=("$(deb_of "$package")")
    new+=("$(deb_of "$package" "$dir")")
  done
  new_dirs "$debs" "$dir"
  if ! dpkg -i "${old[@]}" >"$scratch/dpkg.log" 2>&1; then
    cat "$scratch/dpkg.log"
    fail "$label: dpkg -i of $deb_version failed"
    return
  fi
  local installed_conf release_conf kept
  installed_conf=$(cat "$conf")
  release_conf=$(dpkg-deb --fsys-tarfile "$(deb_of orbi-mech "$dir")" |
    tar -xOf - ./etc/gss/mech.d/orbi.conf)
  if ((changed)) && [[ $release_conf == "$installed_conf" ]]; then
    fail "$label: the release's orbi.conf is the one installed"
  elif ((!changed)) && [[ $release_conf != "$installed_conf" ]]; then
    fail "$label: the release's orbi.conf is not the one installed"
  fi
  ((edit)) && echo "# orbi.conf as this machine's administrator keeps it" >>"$conf"
  kept=$(cat "$conf")
  dpkg "$@" -i "${new[@]}" </dev/null >"$scratch/dpkg.log" 2>&1 ||
    fail "$label: dpkg -i of $next_deb_version over $deb_version failed (below)"
  sed 's/^/   /' "$scratch/dpkg.log"
  for package in "${packages[@]}"; do
    [[ $(dpkg-query -W -f='${Version}' "$package") == "$next_deb_version" ]] ||
      fail "$label: $package is at $(dpkg-query -W -f='${Version}' "$package")"
  done

  if ((edit)); then
    [[ $(cat "$conf") == "$kept" ]] ||
      fail "$label: the edited orbi.conf was not kept: $(cat "$conf")"
    if ((changed)); then
      [[ $(cat "$conf.dpkg-dist" 2>/dev/null) == "$release_conf" ]] ||
        fail "$label: the release's orbi.conf is not beside it as orbi.conf.dpkg-dist"
    else
      compgen -G "$conf.dpkg-*" >/dev/null &&
        fail "$label: dpkg left $(compgen -G "$conf.dpkg-*" | tr '\n' ' ')"
    fi
  else
    [[ $(cat "$conf") == "$release_conf" ]] ||
      fail "$label: orbi.conf did not follow the package: '$(cat "$conf")'"
    compgen -G "$conf.dpkg-*" >/dev/null &&
      fail "$label: dpkg left $(compgen -G "$conf.dpkg-*" | tr '\n' ' ')"
  fi
  # dpkg now counts the release's orbi.conf as the package's.
  [[ $(dpkg-query -W -f='${Conffiles}' orbi-mech | awk '{ print $2 }') == \
    "$(printf '%s\n' "$release_conf" | md5sum | cut -d' ' -f1)" ]] ||
    fail "$label: dpkg's record of orbi.conf is not the release's"

  # The new files are in place, the old library gone, the loader's cache
  # (the ldconfig trigger) names the new one, and the mechanism answers
  # through MIT's glue from the new module and libraries.
  [[ ! -e $lib/liborbi_name.so.$version ]] || fail "$label: $lib/liborbi_name.so.$version is still there"
  [[ $(cached_in_lib "liborbi_name.so.$major") == \
    "$(realpath -m "$lib/liborbi_name.so.$next_version")" ]] ||
    fail "$label: the loader's cache gives '$(cached_in_lib "liborbi_name.so.$major")' for liborbi_name.so.$major"
  run_loaded "$label: the MIT client" \
    "gss/orbi_mech.so liborbi_name.so.$next_version liborbi_services.so.$next_version" \
    "$client"
  [[ $(/usr/bin/orbi-name --version | head -n 1) == "orbi-name $next_version" ]] ||
    fail "$label: orbi-name --version: $(/usr/bin/orbi-name --version | head -n 1)"

  # Removing keeps orbi.conf; purging takes everything.
  dpkg -r "${packages[@]}" >"$scratch/dpkg.log" 2>&1 || fail "$label: dpkg -r: $(cat "$scratch/dpkg.log")"
  [[ -e $conf ]] || fail "$label: dpkg -r removed orbi.conf"
  dpkg -P "${packages[@]}" >"$scratch/dpkg.log" 2>&1 || fail "$label: dpkg -P: $(cat "$scratch/dpkg.log")"
  nothing_left "$label: dpkg -P" "$debs" "$dir"
}

# ere TEXT: TEXT as an extended regular expression that matches it alone.
ere() {
  sed 's/[][\.*^$+?(){}|/]/\\&/g' <<<"$1"
}

# names_version FILE: whether FILE (gzip data read decompressed) names
# $version as a version of its own, not as part of a longer number.
names_version() {
  local pattern
  pattern="(^|[^0-9])$(ere "$version")([^0-9]|\$)"
  if [[ $1 == *.gz ]]; then
    gzip -dc "$1" | grep -aqE -- "$pattern"
  else
    grep -aqE -- "$pattern" "$1"
  fi
}

# is_elf FILE: whether FILE is an ELF object.
is_elf() {
  [[ $(head -c 4 "$1" | od -An -c | tr -d ' ') == '177ELF' ]]
}

# raise_version TREE: the package unpacked in TREE (dpkg-deb -R) made the
# next release's, as building that release would make it: the control
# fields that name the version (Version, the exact versions of the
# project's own packages in Depends, the versions in shlibs; the symbols
# file names the versions that first exported each symbol, so it stays),
# the file names of the libraries and the links to them, the files that
# name the version (the CMake package, orbi_name.pc, the man pages),
# liborbi_name itself (next_library, stripped as cpack strips it), a
# changelog entry for the release on top, and md5sums. A file that still
# names $version after that fails: the repack would not make the release
# faithfully (a binary that has the version compiled in, say).
raise_version() {
  local tree=$1 package file target pattern text
  pattern="(^|[^0-9])$(ere "$version")([^0-9]|\$)"
  package=$(sed -n 's/^Package: //p' "$tree/DEBIAN/control")
  sed -i -E -e "s/^Version: $(ere "$deb_version")\$/Version: $next_deb_version/" \
    -e "/^(Pre-)?Depends:/s/\\(= $(ere "$deb_version")\\)/(= $next_deb_version)/g" \
    "$tree/DEBIAN/control"
  if [[ -f $tree/DEBIAN/shlibs ]]; then
    sed -i -E "s/\\(>= $(ere "$version")\\)/(>= $next_version)/" "$tree/DEBIAN/shlibs"
  fi

  while read -r file; do
    mv "$file" "${file%."$version"}.$next_version"
  done < <(find "$tree" -path "$tree/DEBIAN" -prune -o -name "*.so.$version" -print)
  while read -r file; do
    target=$(readlink "$file")
    if [[ $target == *".so.$version" ]]; then
      ln -sfn "${target%."$version"}.$next_version" "$file"
    fi
  done < <(find "$tree" -path "$tree/DEBIAN" -prune -o -type l -print)
  file=$tree$lib/liborbi_name.so.$next_version
  if [[ -f $file ]]; then
    { cp "$next_library" "$file" && chmod 644 "$file" && "$strip" "$file" &&
      "$objcopy" --remove-section=.comment "$file"; } ||
      fail "$package: liborbi_name.so.$next_version not made from $next_library"
  fi

  while read -r file; do
    if [[ $file == */changelog.Debian.gz ]]; then
      text=$(gzip -dc "$file")
      {
        printf 'orbi-name (%s) unstable; urgency=medium\n\n' "$next_deb_version"
        printf '  * The next release, as the packages test makes it.\n\n'
        printf ' -- The orbi_name authors <orbi-name@example.org>  %s\n\n' "$(date -R)"
        printf '%s\n' "$text"
      } | gzip -9n >"$file.new" && mv "$file.new" "$file"
    elif is_elf "$file" || ! names_version "$file"; then
      continue
    elif [[ $file == *.gz ]]; then
      text=$(gzip -dc "$file" | sed -E "s/$pattern/\\1$next_version\\2/g")
      printf '%s\n' "$text" | gzip -9n >"$file.new" && mv "$file.new" "$file"
    else
      sed -i -E "s/$pattern/\\1$next_version\\2/g" "$file"
    fi
  done < <(find "$tree" -path "$tree/DEBIAN" -prune -o -type f -print)

  (cd "$tree" && find . -path ./DEBIAN -prune -o -type f -printf '%P\n' |
    LC_ALL=C sort | xargs -r md5sum) >"$tree/DEBIAN/md5sums"

  while read -r file; do
    [[ $file == */changelog.Debian.gz || $file == "$tree/DEBIAN/symbols" ]] && continue
    if names_version "$file"; then
      fail "$package: ${file#"$tree"} still names $version in the repacked release"
    fi
  done < <(find "$tree" -type f)
}

# make_next: the next release, made from this build's packages instead of
# a second build of the tree: each one unpacked, raised to $next_version
# (raise_version) and packed again into $next/debs as cpack packs it (xz,
# owned by root). Files, maintainer scripts, triggers and conffiles are
# this build's; liborbi_name is this build's objects linked as the next
# version, so that the library and the tool report it. $next/changed holds
# the same packages, but orbi-mech's orbi.conf has one comment line more: a
# release that changes the file. Outside the namespace: nothing is
# installed.
make_next() {
  local package tree log=$next/repack.log
  rm -rf "$next"
  mkdir -p "$next/debs" "$next/changed"
  # The next library is the same objects linked the same way: it must
  # export what this build's does.
  if ! diff <("$nm" -D --defined-only "$library" | awk '{ print $NF }' | LC_ALL=C sort) \
    <("$nm" -D --defined-only "$next_library" | awk '{ print $NF }' | LC_ALL=C sort) \
    >"$log" 2>&1; then
    cat "$log"
    fail "$next_library does not export what $library does (< this build, > next)"
  fi
  echo "== repacking as $next_deb_version"
  for package in "${packages[@]}"; do
    tree=$next/$package
    if ! dpkg-deb -R "$(deb_of "$package")" "$tree" >>"$log" 2>&1; then
      fail "dpkg-deb -R of $package failed: $(cat "$log")"
      continue
    fi
    raise_version "$tree"
    dpkg-deb --root-owner-group -Zxz -b "$tree" "$next/debs" >>"$log" 2>&1 ||
      fail "packing $package as $next_deb_version failed: $(cat "$log")"
  done
  ((failures == 0)) || return

  # The same release, but its orbi.conf changed.
  tree=$next/orbi-mech
  sed -i '1i # The ORBI GSS-API mechanism for MIT Kerberos: orbi_mech(8).' \
    "$tree/etc/gss/mech.d/orbi.conf"
  sed -i "s|^[0-9a-f]*  etc/gss/mech.d/orbi.conf\$|$(md5sum <"$tree/etc/gss/mech.d/orbi.conf" |
    cut -d' ' -f1)  etc/gss/mech.d/orbi.conf|" "$tree/DEBIAN/md5sums"
  dpkg-deb --root-owner-group -Zxz -b "$tree" "$next/changed/orbi-mech.deb" >>"$log" 2>&1 ||
    fail "repacking orbi-mech with another orbi.conf failed: $(cat "$log")"
  for package in "${packages[@]}"; do
    [[ $package == orbi-mech ]] || ln -s "$(deb_of "$package" "$next/debs")" "$next/changed/"
  done
}

case $mode in
  contents)
    check_contents
    ;;
  installed | upgrade)
    if [[ $(id -u) != 0 ]] || ! unshare -m --propagation private true 2>/dev/null; then
      echo "SKIP: a private mount namespace (unshare -m) is not permitted here"
      exit 77
    fi
    if [[ -z $(ls "$debs"/*.deb 2>/dev/null) ]]; then
      fail "no packages in $debs (the packages_contents test builds them)"
      finish
    fi
    if [[ $mode == upgrade ]]; then
      make_next
      ((failures == 0)) || finish
    fi
    exec unshare -m --propagation private bash "$0" "in_namespace_$mode" "$@"
    ;;
  in_namespace_installed)
    enter_namespace
    check_installed
    ;;
  in_namespace_upgrade)
    enter_namespace
    check_upgrades
    ;;
  *)
    echo "usage: packages_test.sh contents|installed|upgrade NAME=VALUE..." >&2
    exit 2
    ;;
esac
