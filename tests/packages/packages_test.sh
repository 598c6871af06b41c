#!/usr/bin/env bash
# The Debian packages (cmake/packages.cmake) as a distribution would ship
# them, and as a machine uses them once they are installed.
#
#   bash packages_test.sh contents  NAME=VALUE...
#   bash packages_test.sh installed NAME=VALUE...
#
# contents: builds the packages with cpack from the build tree into
# WORK/debs and checks each one: its exact file list, owner, conffiles and
# control fields, the configuration line, the man pages, and that no file
# names the build or source tree.
#
# installed: installs those packages with dpkg as an administrator would,
# onto the machine's own /usr, /etc and /var seen through overlays whose
# writable layers are a tmpfs, in a private mount namespace: dpkg resolves
# the packages' dependencies against the machine's packages, and everything
# it writes vanishes with the namespace; the machine's files are never
# touched. Then, with no GSS_MECH_CONFIG, the C client reaches the mechanism
# through MIT's glue reading the installed /etc/gss/mech.d/orbi.conf, and the
# installed tool runs; both must load the installed libraries. Exits 77
# (skipped) where a private mount namespace or an overlay is not permitted.
#
# NAME=VALUE: work (scratch dir), build and source (the trees), cpack,
# libdir, cmake_dir and pc_dir (relative install dirs), config (the build
# type), version, oid (the mechanism OID), heimdal (1 when orbi_mech_heimdal.so
# is built), sanitized (1 in a sanitizer build, whose binaries name their
# sources), client (the MIT client), heimdal_client (the Heimdal client, if
# built), krb5_conf (the Kerberos configuration for the client).
set -uo pipefail

mode=${1:-}
shift || true
work='' build='' source='' cpack='' libdir='' cmake_dir='' pc_dir=''
config='' version='' oid='' heimdal=0 sanitized=0 client='' heimdal_client=''
krb5_conf=''
for arg in "$@"; do
  case ${arg%%=*} in
    work | build | source | cpack | libdir | cmake_dir | pc_dir | config | \
      version | oid | heimdal | sanitized | client | heimdal_client | krb5_conf)
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
deb_version=$version-1
runtime=liborbi-name$major
packages=("$runtime" liborbi-name-dev orbi-name orbi-mech)

# deb_of PACKAGE: the .deb file of PACKAGE in $debs.
deb_of() {
  local file
  for file in "$debs"/*.deb; do
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
  case $1 in
    "$runtime")
      local name
      for name in liborbi_name liborbi_services; do
        echo "$lib/$name.so.$version"
        echo "$lib/$name.so.$major -> $name.so.$version"
      done
      echo /usr/share/doc/orbi_name/LICENSE
      ;;
    liborbi-name-dev)
      local header
      for header in "$source"/orbi_name/include/orbi_name/*.h \
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
  esac | LC_ALL=C sort
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

    mkdir -p "$work/contents/$package"
    dpkg-deb -x "$deb" "$work/contents/$package"
  done

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
  # orbi_mech(8) names the installed files, the lines of both glues and the
  # attributes under the build's OID.
  text=$(gzip -dc "$contents/orbi-mech/usr/share/man/man8/orbi_mech.8.gz" 2>/dev/null)
  local wants=("orbi $oid $lib/gss/orbi_mech.so" /etc/gss/mech.d/orbi.conf
    ".BI urn:oid: $oid .2.1" ".BI urn:oid: $oid .2.2")
  ((heimdal)) && wants+=("orbi $oid $lib/gss/orbi_mech_heimdal.so \\-")
  for want in "${wants[@]}"; do
    grep -qF -- "$want" <<<"$text" || fail "orbi_mech.8 does not name '$want'"
  done
  finish
}

# --- installed ----------------------------------------------------------------

# in_namespace: runs inside the private mount namespace (as `installed`
# re-executes itself).
in_namespace() {
  local layers=$work/layers dir
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

  echo "== dpkg -i"
  local all=() package
  for package in "${packages[@]}"; do all+=("$(deb_of "$package")"); done
  if ! dpkg -i "${all[@]}" >"$work/dpkg.log" 2>&1; then
    cat "$work/dpkg.log"
    fail "dpkg -i failed"
    finish
  fi
  sed 's/^/   /' "$work/dpkg.log"
  local registered
  registered=$(dpkg-query -W -f='${Conffiles}' orbi-mech)
  [[ $registered == " /etc/gss/mech.d/orbi.conf "* ]] ||
    fail "dpkg registered the conffiles '$registered'"

  # The system's configuration alone: the Kerberos mechanism, which the
  # client compares with, reads /etc/krb5.conf; GSS_MECH_CONFIG and
  # KRB5_CONFIG are unset.
  cp "$krb5_conf" /etc/krb5.conf
  unset GSS_MECH_CONFIG KRB5_CONFIG

  # run_loaded LABEL EXPECTED_LIBRARIES COMMAND...: runs COMMAND with
  # LD_DEBUG=libs and fails unless it succeeds and loads each library (a
  # file name) from $lib.
  run_loaded() {
    local label=$1 libraries=$2 status library
    shift 2
    LD_DEBUG=libs LD_DEBUG_OUTPUT=$work/ld "$@" >"$work/out" 2>&1
    status=$?
    echo "== $label"
    sed 's/^/   /' "$work/out"
    ((status == 0)) || fail "$label: exit status $status"
    # The loader names a library by the path it found it under
    # (/usr/bin/../lib/..., <libdir>/gss/../...): compared as real paths.
    sed -n 's/^.*calling init: //p' "$work"/ld.* | xargs -r realpath -m \
      >"$work/loaded"
    for library in $libraries; do
      grep -qxF -- "$(realpath -m "$lib/$library")" "$work/loaded" ||
        fail "$label: $lib/$library not loaded; loaded: $(tr '\n' ' ' <"$work/loaded")"
    done
    rm -f "$work"/ld.*
  }
  run_loaded "the MIT client" \
    "gss/orbi_mech.so liborbi_name.so.$major liborbi_services.so.$major" \
    "$client"
  run_loaded "orbi-name show" "liborbi_name.so.$major liborbi_services.so.$major" \
    /usr/bin/orbi-name show 'db/users\nalice\nbob'
  grep -q "^mechanism: .*$oid" "$work/out" ||
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
  if dpkg -r "$runtime" >"$work/dpkg.log" 2>&1; then
    fail "dpkg removed $runtime while orbi-name and orbi-mech need it"
  fi
  dpkg -r orbi-mech >"$work/dpkg.log" 2>&1 || fail "dpkg -r orbi-mech: $(cat "$work/dpkg.log")"
  [[ ! -e $lib/gss/orbi_mech.so ]] || fail "dpkg -r orbi-mech left the module"
  [[ -e /etc/gss/mech.d/orbi.conf ]] || fail "dpkg -r orbi-mech removed orbi.conf"
  dpkg -P orbi-mech orbi-name liborbi-name-dev "$runtime" >"$work/dpkg.log" 2>&1 ||
    fail "dpkg -P: $(cat "$work/dpkg.log")"
  local path
  for path in /etc/gss/mech.d/orbi.conf /usr/bin/orbi-name \
    "$lib/liborbi_name.so.$major" "/usr/$pc_dir/orbi_name.pc"; do
    [[ ! -e $path ]] || fail "dpkg -P left $path"
  done
  finish
}

case $mode in
  contents)
    check_contents
    ;;
  installed)
    if [[ $(id -u) != 0 ]] || ! unshare -m --propagation private true 2>/dev/null; then
      echo "SKIP: a private mount namespace (unshare -m) is not permitted here"
      exit 77
    fi
    if [[ -z $(ls "$debs"/*.deb 2>/dev/null) ]]; then
      fail "no packages in $debs (the packages_contents test builds them)"
      finish
    fi
    exec unshare -m --propagation private bash "$0" in_namespace "$@"
    ;;
  in_namespace)
    in_namespace
    ;;
  *)
    echo "usage: packages_test.sh contents|installed NAME=VALUE..." >&2
    exit 2
    ;;
esac
