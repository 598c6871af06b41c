#!/usr/bin/env bash
# Runs orbi-name as a process and checks its output and exit status.
#
# usage: tool_test.sh TOOL VERSION GROUP
#   GROUP is one of: show export inspect expand oid trace usage
# Expected tokens are put together here from the documented token layout,
#   04 01 | M (2) | mechanism OID | N (4) | name | T (2) | name type OID
# not copied from the tool's output.
set -u

tool=$1
version=$2
group=$3

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0

# DER content octets of the table OIDs used below
# (orbi_services/oid_table.h: 1.3.6.1.4.1.32473.1 and .1.1).
mech_hex=2b0601040181fd5901
default_type_hex=2b0601040181fd590101

# hex_of TEXT: the bytes of TEXT (with printf %b escapes) as lowercase hex.
hex_of() { printf '%b' "$1" | od -An -tx1 -v | tr -d ' \n'; }
# len_hex WIDTH HEX: the byte count of HEX as a big-endian field of WIDTH bytes.
len_hex() { printf "%0$(($1 * 2))x" $((${#2} / 2)); }
# token NAME_HEX [TYPE_HEX]: an exported name token of the library's mechanism.
token() {
  local out="0401$(len_hex 2 "$mech_hex")$mech_hex$(len_hex 4 "$1")$1"
  if (($# > 1)); then out+="$(len_hex 2 "$2")$2"; fi
  printf '%s' "$out"
}
# bytes HEX: writes the bytes that HEX spells.
bytes() { printf '%b' "$(printf '%s' "$1" | sed 's/../\\x&/g')"; }

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# run [--stdin FILE] ARGS...: runs the tool; sets rc, and out/err files.
run() {
  local input=/dev/null
  if [[ ${1-} == --stdin ]]; then
    input=$2
    shift 2
  fi
  "$tool" "$@" <"$input" >"$scratch/out" 2>"$scratch/err"
  rc=$?
}

# expect_ok NAME EXPECTED_STDOUT ARGS...: exit 0, exactly that stdout, no stderr.
expect_ok() {
  local name=$1 expected=$2
  shift 2
  run "$@"
  [[ $rc == 0 ]] || fail "$name: exit $rc, expected 0; stderr: $(cat "$scratch/err")"
  [[ $(cat "$scratch/out") == "$expected" ]] ||
    fail "$name: stdout differs"$'\n'"--- expected"$'\n'"$expected"$'\n'"--- got"$'\n'"$(cat "$scratch/out")"
  [[ ! -s $scratch/err ]] || fail "$name: unexpected stderr: $(cat "$scratch/err")"
}

# expect_fail NAME RC STDERR_REGEX ARGS...: exit RC and one stderr line that
# matches STDERR_REGEX (grep -E).
expect_fail() {
  local name=$1 expected_rc=$2 pattern=$3
  shift 3
  run "$@"
  [[ $rc == "$expected_rc" ]] || fail "$name: exit $rc, expected $expected_rc"
  grep -Eq -- "$pattern" "$scratch/err" ||
    fail "$name: stderr does not match /$pattern/: $(cat "$scratch/err")"
}

# stdout_has NAME REGEX: the last run's stdout has a line matching REGEX.
stdout_has() {
  grep -Eq -- "$2" "$scratch/out" || fail "$1: stdout lacks /$2/: $(cat "$scratch/out")"
}

mech_line='mechanism:     {1 3 6 1 4 1 32473 1} = 1.3.6.1.4.1.32473.1 (the library'"'"'s mechanism)'
type_line='name type:     {1 3 6 1 4 1 32473 1 1} = 1.3.6.1.4.1.32473.1.1 (default name type)'

case $group in
show)
  # The README's sample: a database path and two entries.
  name_hex=$(hex_of 'db/users\nalice\nbob')
  expect_ok show_path_and_entries "name:          db/users\\nalice\\nbob
$type_line
$mech_line
token:         $(token "$name_hex" "$default_type_hex")" \
    show 'db/users\nalice\nbob'
  # Escapes in TEXT: \\ is one backslash; it is shown escaped again.
  expect_ok show_backslash "name:          a\\\\b
$type_line
$mech_line
token:         $(token "$(hex_of 'a\\b')" "$default_type_hex")" \
    show 'a\\b'
  expect_ok show_empty_name "name:          
$type_line
$mech_line
token:         $(token "" "$default_type_hex")" show ''
  expect_ok show_after_double_dash "name:          -x
$type_line
$mech_line
token:         $(token "$(hex_of '-x')" "$default_type_hex")" show -- -x
  # The anonymous name cannot be bound to the mechanism.
  expect_fail show_anonymous 1 'CanonicalizeName refuses the name: BAD_NAME_TYPE \(36\)' \
    show '!@#$%&:ORBI-ANONYMOUS:!@#$%&'
  [[ ! -s $scratch/out ]] || fail "show_anonymous: stdout not empty"
  ;;

export)
  expected=$(token "$(hex_of 'alice')" "$default_type_hex")
  expect_ok export_hex "$expected" export alice
  # --raw writes the same token as bytes, nothing else.
  run export --raw alice
  [[ $rc == 0 ]] || fail "export_raw: exit $rc"
  got=$(od -An -tx1 -v "$scratch/out" | tr -d ' \n')
  [[ $got == "$expected" ]] || fail "export_raw: bytes $got, expected $expected"
  expect_fail export_two_texts 2 'usage: orbi-name export' export a b
  ;;

inspect)
  good=$(token "$(hex_of 'db\nalice')" "$default_type_hex")
  expect_ok inspect_hex "identifier:    0401 (exported name)
$mech_line
name length:   8
name:          db\\nalice
$type_line
import:        accepted" inspect "$good"
  # Raw bytes on stdin, with a NUL and a byte above 0x7e in the name.
  bytes "$(token 61008062 "$default_type_hex")" >"$scratch/raw"
  expect_ok inspect_stdin "identifier:    0401 (exported name)
$mech_line
name length:   4
name:          a\\x00\\x80b
$type_line
import:        accepted" --stdin "$scratch/raw" inspect -
  # No argument reads stdin too; a token may end after the name.
  bytes "$(token "$(hex_of 'bob')")" >"$scratch/raw"
  run --stdin "$scratch/raw" inspect
  [[ $rc == 0 ]] || fail "inspect_no_type: exit $rc: $(cat "$scratch/err")"
  stdout_has inspect_no_type '^name type: +none'
  stdout_has inspect_no_type '^import: +accepted$'
  # Blanks between hex pairs are allowed.
  run inspect "04 01 $(printf '%s' "${good:4}" | sed 's/../& /g')"
  [[ $rc == 0 ]] || fail "inspect_blanks: exit $rc: $(cat "$scratch/err")"

  # Malformed tokens: each message names the field that is wrong.
  other_mech=2b0e0302  # 1.3.14.3.2, a decodable OID that is not the mechanism
  while IFS='|' read -r case_name hex pattern; do
    [[ -z $case_name ]] && continue
    expect_fail "$case_name" 1 "$pattern" inspect "$hex"
  done <<EOF
inspect_empty_hex||^orbi-name: inspect: token identifier: the token has 0 bytes
inspect_one_byte|04|^orbi-name: inspect: token identifier
inspect_wrong_identifier|0402${good:4}|^orbi-name: inspect: token identifier: 0401 expected, found 0402
inspect_no_mech_length|0401|^orbi-name: inspect: mechanism OID length:
inspect_short_mech|0401000a${mech_hex}|^orbi-name: inspect: mechanism OID: the length field gives 10 bytes, 9 are left
inspect_mech_not_decoding|04010002${mech_hex:0:2}800000000161|^orbi-name: inspect: mechanism OID: bytes 2b80 do not decode
inspect_empty_mech|040100000000000161|^orbi-name: inspect: mechanism OID: no bytes
inspect_other_mech|04010004${other_mech}0000000161|^orbi-name: inspect: mechanism OID: not the library's mechanism: MECH_NOT_SUPPORTED \(24\)
inspect_short_name_length|04010009${mech_hex}000000|^orbi-name: inspect: name length: the token ends at offset 13
inspect_long_name|04010009${mech_hex}0000000661|^orbi-name: inspect: name: the length field gives 6 bytes, 1 are left
inspect_name_length_near_max|04010009${mech_hex}ffffffff61|^orbi-name: inspect: name: the length field gives 4294967295 bytes
inspect_half_type_length|$(token 61)00|^orbi-name: inspect: name type OID length: the token ends at offset 18
inspect_short_type|$(token 61)000b${default_type_hex}|^orbi-name: inspect: name type OID: the length field gives 11 bytes, 10 are left
inspect_trailing_bytes|${good}00|^orbi-name: inspect: name type OID: 1 bytes follow the end of the token
inspect_type_not_decoding|$(token 61 2b06ff)|^orbi-name: inspect: name type OID: bytes 2b06ff do not decode
inspect_type_not_in_table|$(token 61 2b0601)|^orbi-name: inspect: name type OID: not in the OID table: BAD_NAME_TYPE \(36\)
inspect_odd_hex|040|^orbi-name: inspect: HEX: odd number of hex digits
inspect_bad_hex_digit|04zz|^orbi-name: inspect: HEX: 'z' at offset 2 is not a hex digit
EOF
  # An endless stdin is cut off at 64 MiB.
  expect_fail inspect_stdin_too_long 1 'token: more than 67108864 bytes on standard input' \
    --stdin <(head -c $((64 * 1024 * 1024 + 1)) /dev/zero) inspect
  # What could be read before the wrong field is still shown.
  # A mechanism other than the library's is said to be so.
  expect_fail inspect_other_mech_fields 1 'not the library' \
    inspect "04010008${default_type_hex:0:16}0000000161"
  stdout_has inspect_other_mech_fields '^mechanism: +\{1 3 6 1 4 1 32473\} = 1\.3\.6\.1\.4\.1\.32473 \(not in the OID table\), not the library'"'"'s mechanism$'
  expect_fail inspect_partial_fields 1 'name type OID: not in the OID table' \
    inspect "$(token "$(hex_of 'carol')" 2b0601)"
  stdout_has inspect_partial_fields '^name: +carol$'
  stdout_has inspect_partial_fields '^name type: +\{1 3 6 1\} = 1\.3\.6\.1 \(not in the OID table\)$'
  expect_fail inspect_two_args 2 'usage: orbi-name inspect' inspect 0401 0401
  ;;

expand)
  run expand 'db/users\nalice\nbob'
  [[ $rc == 0 ]] || fail "expand_two_entries: exit $rc: $(cat "$scratch/err")"
  # An expanded name may count its NUL in its length; Display shows it.
  expected_lines=(
    '^database path: db/users$'
    '^entry 1: +alice$'
    '^entry 2: +bob$'
    '^expanded 1: +db/users\\nalice(\\x00)?$'
    '^expanded 2: +db/users\\nbob(\\x00)?$'
  )
  [[ $(wc -l <"$scratch/out") == "${#expected_lines[@]}" ]] ||
    fail "expand_two_entries: $(wc -l <"$scratch/out") lines: $(cat "$scratch/out")"
  for i in "${!expected_lines[@]}"; do
    line=$(sed -n "$((i + 1))p" "$scratch/out")
    [[ $line =~ ${expected_lines[$i]} ]] ||
      fail "expand_two_entries: line $((i + 1)) '$line' does not match /${expected_lines[$i]}/"
  done

  run expand 'db'
  [[ $rc == 0 ]] || fail "expand_no_entries: exit $rc"
  stdout_has expand_no_entries '^database path: db$'
  stdout_has expand_no_entries '^entries: +none$'
  stdout_has expand_no_entries '^expanded 1: +db(\\x00)?$'

  expect_fail expand_empty 1 'expand: the name has no database path' expand ''
  expect_fail expand_leading_line_feed 1 'expand: the name has no database path' \
    expand '\nalice'
  expect_fail expand_no_text 2 'usage: orbi-name expand' expand
  ;;

oid)
  # RFC 8018 / RFC 2630: des-ede3-cbc is 1.2.840.113549.3.7; DES-CBC
  # (OIW) is 1.3.14.3.2.7; the library's mechanism is table entry 7.
  des3='text:          {1 2 840 113549 3 7}
dotted:        1.2.840.113549.3.7
der:           2a864886f70d0307
algorithm:     256
OID table:     entry 18 (DES-EDE3-CBC)'
  expect_ok oid_dotted "$des3" oid 1.2.840.113549.3.7
  expect_ok oid_braces "$des3" oid '{1 2 840 113549 3 7}'
  expect_ok oid_hex "$des3" oid 2A864886F70D0307
  expect_ok oid_des_cbc 'text:          {1 3 14 3 2 7}
dotted:        1.3.14.3.2.7
der:           2b0e030207
algorithm:     512
OID table:     entry 19 (DES-CBC)' oid 2b0e030207
  expect_ok oid_mechanism 'text:          {1 3 6 1 4 1 32473 1}
dotted:        1.3.6.1.4.1.32473.1
der:           2b0601040181fd5901
algorithm:     none
OID table:     entry 7 (the library'"'"'s mechanism)' oid 1.3.6.1.4.1.32473.1
  # A large arc, base 128 over five bytes.
  expect_ok oid_large_arc 'text:          {1 2 4294967295}
dotted:        1.2.4294967295
der:           2a8fffffff7f
algorithm:     none
OID table:     not held' oid 1.2.4294967295

  while IFS='|' read -r case_name arg pattern; do
    [[ -z $case_name ]] && continue
    expect_fail "$case_name" 1 "$pattern" oid "$arg"
  done <<'EOF'
oid_zero_arc|1.2.0|^orbi-name: oid: '1\.2\.0' is not an OID text: BAD_OID \(38\)
oid_arc_too_large|1.2.4294967296|is not an OID text: BAD_OID \(38\)
oid_open_brace|{1 2|is not an OID text: BAD_OID \(38\)
oid_doubled_dot|1..2|is not an OID text: BAD_OID \(38\)
oid_not_encodable|3.1|^orbi-name: oid: the arcs have no DER encoding: BAD_OID \(38\)
oid_truncated_der|2b86|^orbi-name: oid: the DER bytes do not decode: BAD_OID \(38\)
oid_not_hex|xyz|^orbi-name: oid: not a dotted OID, an OID text in braces or hex DER
oid_empty||^orbi-name: oid: no DER bytes given
EOF
  ;;

trace)
  run show alice
  plain=$(cat "$scratch/out")
  [[ ! -s $scratch/err ]] || fail "trace_off: stderr without --trace: $(cat "$scratch/err")"
  for where in before after; do
    if [[ $where == before ]]; then run --trace show alice; else run show alice --trace; fi
    [[ $rc == 0 ]] || fail "trace_$where: exit $rc"
    [[ $(cat "$scratch/out") == "$plain" ]] || fail "trace_$where: stdout changed by --trace"
    # One record per line, every line a record.
    if grep -Evq '^trace (entry [^ ]+:[0-9]+|exit|level1 [^ ]+:[0-9]+) [^ ]' "$scratch/err"; then
      fail "trace_$where: lines that are not records: $(grep -Ev '^trace ' "$scratch/err")"
    fi
    for text in CanonicalizeName Export; do
      grep -Eq "^trace entry orbi_name/src/internal_name:[0-9]+ PLVORBIInternalName::$text\\(\\)\$" \
        "$scratch/err" || fail "trace_$where: no entry record of $text"
      grep -Fxq "trace exit PLVORBIInternalName::$text()" "$scratch/err" ||
        fail "trace_$where: no exit record of $text"
    done
  done
  # Name set records come through as well.
  run --trace expand 'db\na\nb'
  grep -Fq 'PLVORBIInternalNameSet' "$scratch/err" || fail "trace_set: no name set records"
  ;;

usage)
  run --version
  [[ $rc == 0 ]] || fail "version: exit $rc"
  [[ $(head -n 1 "$scratch/out") == "orbi-name $version" ]] ||
    fail "version: first line '$(head -n 1 "$scratch/out")', expected 'orbi-name $version'"
  stdout_has version 'The orbi_name authors'

  run --help
  [[ $rc == 0 ]] || fail "help: exit $rc"
  for command in show export inspect expand oid; do
    stdout_has help "^  orbi-name $command "
  done
  for command in show export inspect expand oid; do
    run "$command" --help
    [[ $rc == 0 ]] || fail "help_$command: exit $rc"
    stdout_has "help_$command" "^usage: orbi-name $command "
  done

  while IFS='|' read -r case_name args pattern; do
    [[ -z $case_name ]] && continue
    read -ra argv <<<"$args"
    expect_fail "$case_name" 2 "$pattern" "${argv[@]}"
  done <<'EOF'
usage_no_command||^orbi-name: no command given
usage_unknown_command|frobnicate|^orbi-name: unknown command 'frobnicate'
usage_unknown_option|--frob show a|^orbi-name: unknown option '--frob'
usage_unknown_command_option|show --frob a|^orbi-name: show: unknown option '--frob'
usage_raw_on_show|show --raw a|^orbi-name: show: unknown option '--raw'
usage_missing_text|show|^orbi-name: usage: orbi-name show
usage_extra_text|oid 1.2 1.3|^orbi-name: usage: orbi-name oid
EOF
  ;;

*)
  echo "unknown group '$group'"
  exit 2
  ;;
esac

if ((failures > 0)); then
  echo "$failures failure(s) in group $group"
  exit 1
fi
echo "group $group passed"
