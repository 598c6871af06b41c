#!/usr/bin/env bash
# Runs orbi-name as a process and checks its output and exit status.
#
# usage: tool_test.sh TOOL VERSION GROUP
#   GROUP is one of: show export inspect expand oid input type json trace usage
# The environment gives the build's OID arc (ORBI_TEST_ARC, dotted, and
# ORBI_TEST_ARC_HEX) and, for the json group, ORBI_TEST_OID_TABLE_LIST, a
# program that prints the OID table (tests/tool/oid_table_list.cc).
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

# The build's OID arc (the environment names it; the documentation arc by
# default) and the table OIDs under it used below (orbi_services/oid_table.h:
# the mechanism ARC.1, its default name type ARC.1.1), dotted, in braces and
# as DER content octets in hex.
arc=${ORBI_TEST_ARC:-1.3.6.1.4.1.32473}
arc_hex=${ORBI_TEST_ARC_HEX:-2b0601040181fd59}
braces() { echo "{${1//./ }}"; }
mech_oid=$arc.1
default_type_oid=$arc.1.1
mech_hex=${arc_hex}01
default_type_hex=${arc_hex}0101
# regex_of TEXT: TEXT with the dots and braces of an OID escaped for grep -E.
# field2 N: N as a two-byte big-endian field in hex.
field2() { printf '%04x' "$1"; }
# The lengths in bytes of the mechanism and default name type OIDs.
m=$((${#mech_hex} / 2))
t=$((${#default_type_hex} / 2))
regex_of() { printf '%s' "$1" | sed 's/[.{}]/\\&/g'; }

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

# expect_fail NAME RC STDERR_REGEX ARGS...: exit RC, nothing on stdout and one
# stderr line that matches STDERR_REGEX (grep -E).
expect_fail() {
  local name=$1 expected_rc=$2 pattern=$3
  shift 3
  run "$@"
  [[ $rc == "$expected_rc" ]] || fail "$name: exit $rc, expected $expected_rc"
  grep -Eq -- "$pattern" "$scratch/err" ||
    fail "$name: stderr does not match /$pattern/: $(cat "$scratch/err")"
  [[ ! -s $scratch/out ]] || fail "$name: stdout not empty on failure: $(cat "$scratch/out")"
}

# expect_refusal NAME EXPECTED_STDERR ARGS...: exit 1, nothing on stdout and
# exactly that stderr.
expect_refusal() {
  local name=$1 expected=$2
  shift 2
  run "$@"
  [[ $rc == 1 ]] || fail "$name: exit $rc, expected 1"
  [[ $(cat "$scratch/err") == "$expected" ]] ||
    fail "$name: stderr differs"$'\n'"--- expected"$'\n'"$expected"$'\n'"--- got"$'\n'"$(cat "$scratch/err")"
  [[ ! -s $scratch/out ]] || fail "$name: stdout not empty on failure: $(cat "$scratch/out")"
}

# pipe NAME ARGS1... -- ARGS2...: runs "tool ARGS1 | tool ARGS2"; sets rc (of
# the second) and the out/err files.
pipe() {
  local name=$1 first=()
  shift
  while [[ $1 != -- ]]; do
    first+=("$1")
    shift
  done
  shift
  "$tool" "${first[@]}" 2>"$scratch/err1" | "$tool" "$@" >"$scratch/out" 2>"$scratch/err"
  local codes=("${PIPESTATUS[@]}")
  rc=${codes[1]}
  [[ ${codes[0]} == 0 ]] || fail "$name: first command exit ${codes[0]}: $(cat "$scratch/err1")"
}

# json_ok NAME FILE [CONDITION...]: FILE holds one JSON object (UTF-8) for
# which each CONDITION, a Python expression over the object d, is true.
json_ok() {
  local name=$1 file=$2 result
  shift 2
  result=$(python3 -c '
import json, sys
with open(sys.argv[1], encoding="utf-8") as f:
    d = json.load(f)
if not isinstance(d, dict):
    print("not an object")
for condition in sys.argv[2:]:
    if not eval(condition):
        print("false: " + condition + "; object: " + json.dumps(d))
' "$file" "$@" 2>&1) || fail "$name: not one JSON object: $result; text: $(cat "$file")"
  [[ -z $result ]] || fail "$name: $result"
}

# stdout_has NAME REGEX: the last run's stdout has a line matching REGEX.
stdout_has() {
  grep -Eq -- "$2" "$scratch/out" || fail "$1: stdout lacks /$2/: $(cat "$scratch/out")"
}
# stderr_has NAME REGEX: the last run's stderr has a line matching REGEX.
stderr_has() {
  grep -Eq -- "$2" "$scratch/err" || fail "$1: stderr lacks /$2/: $(cat "$scratch/err")"
}

mech_line="mechanism:     $(braces "$mech_oid") = $mech_oid (the library's mechanism)"
type_line="name type:     $(braces "$default_type_oid") = $default_type_oid (default name type)"

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
  # Blanks or colons between hex pairs are allowed, inside a pair they are not.
  run inspect "04 01 $(printf '%s' "${good:4}" | sed 's/../& /g')"
  [[ $rc == 0 ]] || fail "inspect_blanks: exit $rc: $(cat "$scratch/err")"
  run inspect "04:01:$(printf '%s' "${good:4}" | sed 's/../&:/g; s/:$//')"
  [[ $rc == 0 ]] || fail "inspect_colons: exit $rc: $(cat "$scratch/err")"

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
inspect_short_mech|0401$(field2 $((m + 1)))${mech_hex}|^orbi-name: inspect: mechanism OID: the length field gives $((m + 1)) bytes, $m are left
inspect_mech_not_decoding|04010002${mech_hex:0:2}800000000161|^orbi-name: inspect: mechanism OID: bytes ${mech_hex:0:2}80 do not decode
inspect_empty_mech|040100000000000161|^orbi-name: inspect: mechanism OID: no bytes
inspect_other_mech|04010004${other_mech}0000000161|^orbi-name: inspect: mechanism OID: not the library's mechanism: MECH_NOT_SUPPORTED \(24\)
inspect_short_name_length|04010009${mech_hex}000000|^orbi-name: inspect: name length: the token ends at offset 13
inspect_long_name|0401$(field2 $m)${mech_hex}0000000661|^orbi-name: inspect: name: the length field gives 6 bytes, 1 are left
inspect_name_length_near_max|0401$(field2 $m)${mech_hex}ffffffff61|^orbi-name: inspect: name: the length field gives 4294967295 bytes
inspect_half_type_length|$(token 61)00|^orbi-name: inspect: name type OID length: the token ends at offset $((9 + m))
inspect_short_type|$(token 61)$(field2 $((t + 1)))${default_type_hex}|^orbi-name: inspect: name type OID: the length field gives $((t + 1)) bytes, $t are left
inspect_trailing_bytes|${good}00|^orbi-name: inspect: name type OID: 1 bytes follow the end of the token
inspect_type_not_decoding|$(token 61 2b06ff)|^orbi-name: inspect: name type OID: bytes 2b06ff do not decode
inspect_type_not_in_table|$(token 61 2b0601)|^orbi-name: inspect: name type OID: not in the OID table: BAD_NAME_TYPE \(36\)
inspect_odd_hex|040|^orbi-name: inspect: HEX: odd number of hex digits
inspect_bad_hex_digit|04zz|^orbi-name: inspect: HEX: 'z' at offset 2 is not a hex digit
inspect_blank_inside_pair|0 401|^orbi-name: inspect: HEX: the hex digit '0' at offset 0 has no partner
EOF
  # An endless stdin is cut off at 64 MiB.
  expect_fail inspect_stdin_too_long 1 'token: more than 67108864 bytes on standard input' \
    --stdin <(head -c $((64 * 1024 * 1024 + 1)) /dev/zero) inspect
  # What could be read before the wrong field is still shown, on stderr; stdout
  # stays empty. A mechanism other than the library's is said to be so.
  expect_fail inspect_other_mech_fields 1 'not the library' \
    inspect "0401$(len_hex 2 "$arc_hex")${arc_hex}0000000161"
  stderr_has inspect_other_mech_fields "^mechanism: +$(regex_of "$(braces "$arc")") = $(regex_of "$arc") \(not in the OID table\), not the library's mechanism\$"
  expect_fail inspect_partial_fields 1 'name type OID: not in the OID table' \
    inspect "$(token "$(hex_of 'carol')" 2b0601)"
  stderr_has inspect_partial_fields '^name: +carol$'
  stderr_has inspect_partial_fields '^name type: +\{1 3 6 1\} = 1\.3\.6\.1 \(not in the OID table\)$'
  # The message comes last, after the fields.
  [[ $(tail -n 1 "$scratch/err") == "orbi-name: inspect: name type OID: not in the OID table: BAD_NAME_TYPE (36)" ]] ||
    fail "inspect_partial_fields: last stderr line: $(tail -n 1 "$scratch/err")"
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
  expect_fail expand_no_text 2 '^orbi-name: expand: no TEXT given' expand
  ;;

oid)
  # RFC 8018 / RFC 2630: des-ede3-cbc is 1.2.840.113549.3.7; DES-CBC
  # (OIW) is 1.3.14.3.2.7; the library's mechanism is table entry 7.
  des3='text:          {1 2 840 113549 3 7}
dotted:        1.2.840.113549.3.7
der:           2a864886f70d0307
algorithm:     256
OID table:     entry 18 (DES-EDE3-CBC)'
  expect_ok oid_dotted "input:         dotted text
$des3" oid 1.2.840.113549.3.7
  expect_ok oid_braces "input:         text in braces
$des3" oid '{1 2 840 113549 3 7}'
  expect_ok oid_hex "input:         content octets
$des3" oid 2A864886F70D0307
  expect_ok oid_des_cbc 'input:         content octets
text:          {1 3 14 3 2 7}
dotted:        1.3.14.3.2.7
der:           2b0e030207
algorithm:     512
OID table:     entry 19 (DES-CBC)' oid 2b0e030207
  expect_ok oid_mechanism "input:         dotted text
text:          $(braces "$mech_oid")
dotted:        $mech_oid
der:           $mech_hex
algorithm:     none
OID table:     entry 7 (the library's mechanism)" oid "$mech_oid"
  # A large arc, base 128 over five bytes.
  expect_ok oid_large_arc 'input:         dotted text
text:          {1 2 4294967295}
dotted:        1.2.4294967295
der:           2a8fffffff7f
algorithm:     none
OID table:     not held' oid 1.2.4294967295
  # A full DER encoding, as OpenSSL prints it: rsaEncryption (RFC 8017),
  # 1.2.840.113549.1.1.1. The same hex with --content is content octets
  # that spell another OID, and the output says which reading was used.
  expect_ok oid_full_der 'input:         full DER encoding (tag 06, length 9)
text:          {1 2 840 113549 1 1 1}
dotted:        1.2.840.113549.1.1.1
der:           2a864886f70d010101
algorithm:     none
OID table:     not held' oid '06 09 2A 86 48 86 F7 0D 01 01 01'
  expect_ok oid_full_der_as_content 'input:         content octets
text:          {0 6 9 42 840 113549 1 1 1}
dotted:        0.6.9.42.840.113549.1.1.1
der:           06092a864886f70d010101
algorithm:     none
OID table:     not held' oid --content 06092a864886f70d010101

  # Hex readings: CASE|OPTION|HEX|input line|dotted line.
  long_content="2a$(printf '01%.0s' {1..127})" # 1.2 and 127 arcs of 1
  long_dotted="1.2$(printf '.1%.0s' {1..127})"
  while IFS='|' read -r case_name option hex reading dotted; do
    [[ -z $case_name ]] && continue
    args=(oid)
    [[ -n $option ]] && args+=("$option")
    run "${args[@]}" "${hex//_/ }"
    [[ $rc == 0 ]] || fail "$case_name: exit $rc: $(cat "$scratch/err")"
    [[ $(sed -n 1p "$scratch/out") == "input:         $reading" ]] ||
      fail "$case_name: input line '$(sed -n 1p "$scratch/out")', expected '$reading'"
    [[ $(sed -n 3p "$scratch/out") == "dotted:        $dotted" ]] ||
      fail "$case_name: dotted line '$(sed -n 3p "$scratch/out")', expected '$dotted'"
  done <<END_OF_CASES
oid_full_der_no_blanks||06092a864886f70d010101|full DER encoding (tag 06, length 9)|1.2.840.113549.1.1.1
oid_full_der_colons||06:09:2a:86:48:86:f7:0d:01:01:01|full DER encoding (tag 06, length 9)|1.2.840.113549.1.1.1
oid_content_octets||2a864886f70d010101|content octets|1.2.840.113549.1.1.1
oid_content_blanks||2a_86_48|content octets|1.2.840
oid_full_der_long_form||068180${long_content}|full DER encoding (tag 06, length 128)|${long_dotted}
oid_content_long_form|--content|068180${long_content}|content octets|0.6.16426$(printf '.1%.0s' {1..127})
oid_content_empty_full|--content|0600|content octets|0.6.0
oid_content_zero_arcs||550400|content octets|2.5.4.0
END_OF_CASES
  # Line breaks between pairs, as od and openssl print longer encodings.
  run oid "$(printf '06 09 2a 86 48\n86 f7 0d 01 01 01')"
  stdout_has oid_full_der_line_breaks '^dotted: +1\.2\.840\.113549\.1\.1\.1$'

  # OpenSSL as the oracle: the full DER encoding it writes reads back as the
  # OID it was made from, in the short and the long length form.
  if command -v openssl >/dev/null; then
    long_oid="1.2$(printf '.16383%.0s' {1..70})" # 141 content octets
    for value in 1.2.840.113549.1.1.1 2.5.4.3 2.999.1234 "$mech_oid" \
      1.2.840.10045.3.1.7 "$long_oid"; do
      der=$(openssl asn1parse -genstr "OID:$value" -noout -out /dev/stdout | od -An -tx1 -v)
      run oid "$der"
      [[ $rc == 0 ]] || fail "oid_openssl $value: exit $rc: $(cat "$scratch/err")"
      stdout_has "oid_openssl $value" '^input: +full DER encoding \(tag 06, length [0-9]+\)$'
      [[ $(sed -n 3p "$scratch/out") == "dotted:        $value" ]] ||
        fail "oid_openssl $value: $(sed -n 3p "$scratch/out")"
    done
  else
    echo "note: openssl not found, OpenSSL cross-check skipped"
  fi

  # Refusals say which rule the input breaks; nothing goes to stdout.
  while IFS='|' read -r case_name arg message; do
    [[ -z $case_name ]] && continue
    expect_refusal "$case_name" "orbi-name: oid: $message" oid "$arg"
  done <<'END_OF_CASES'
oid_zero_arc|2.5.4.0|'2.5.4.0' is not an OID text: arc 4 is 0, and the text forms take no zero arc; give such an OID as hex DER content octets (here 550400)
oid_zero_arc_braces|{1 2 0}|'{1 2 0}' is not an OID text: arc 3 is 0, and the text forms take no zero arc; give such an OID as hex DER content octets (here 2a00)
oid_zero_arc_leading_zeros|1.2.000|'1.2.000' is not an OID text: arc 3 is 0, and the text forms take no zero arc; give such an OID as hex DER content octets (here 2a00)
oid_zero_first_arc|0.6.5|'0.6.5' is not an OID text: arc 1 is 0, and the text forms take no zero arc; give such an OID as hex DER content octets (here --content 0605)
oid_zero_arc_then_large|1.0.4294967296|'1.0.4294967296' is not an OID text: arc 2 is 0, and the text forms take no zero arc
oid_arc_too_large|1.2.4294967296|'1.2.4294967296' is not an OID text: arc 3 is above 4294967295
oid_arc_far_too_large|1.2.99999999999999999999999|'1.2.99999999999999999999999' is not an OID text: arc 3 is above 4294967295
oid_first_arc_above_2|3.1|'3.1' has no DER encoding: the first arc is 3, and it must be at most 2
oid_second_arc_40|1.40|'1.40' has no DER encoding: the second arc is 40, and under a first arc of 0 or 1 it must be below 40
oid_one_arc|{1}|'{1}' has no DER encoding: it has 1 arc, and an OID needs at least two
oid_doubled_dot|1..2|'1..2' is not an OID text: arc 2 is empty (offset 2)
oid_leading_dot|.1.2|'.1.2' is not an OID text: arc 1 is empty (offset 0)
oid_trailing_dot|1.2.|'1.2.' is not an OID text: arc 3 is empty (offset 4)
oid_empty_braces|{}|'{}' is not an OID text: arc 1 is empty (offset 1)
oid_doubled_blank|{1  2}|'{1  2}' is not an OID text: arc 2 is empty (offset 3)
oid_stray_character|1.2.x|'1.2.x' is not an OID text: 'x' at offset 4 is neither a digit nor a dot
oid_stray_blank|1.2 .3|'1.2 .3' is not an OID text: ' ' at offset 3 is neither a digit nor a dot
oid_stray_in_braces|{1 2.840}|'{1 2.840}' is not an OID text: '.' at offset 4 is neither a digit nor a blank
oid_stray_before_fault|1..x|'1..x' is not an OID text: 'x' at offset 3 is neither a digit nor a dot
oid_open_brace|{1 2|'{1 2' is not an OID text: a text that starts with '{' must end with '}'
oid_text_after_brace|{1 2}x|'{1 2}x' is not an OID text: a text that starts with '{' must end with '}'
oid_der_length_mismatch|060a2a864886f70d010101|the hex starts with 06, the tag of an OID, but is no full DER encoding: the length octets give 10 content octets and 9 follow; --content reads all of it as content octets
oid_der_truncated|06092a8648|the hex starts with 06, the tag of an OID, but is no full DER encoding: the length octets give 9 content octets and 3 follow; --content reads all of it as content octets
oid_der_no_length|06|the hex starts with 06, the tag of an OID, but is no full DER encoding: the length octets are missing; --content reads all of it as content octets
oid_der_indefinite|06802a0300|the hex starts with 06, the tag of an OID, but is no full DER encoding: the length octet 80 is the indefinite form, which DER forbids; --content reads all of it as content octets
oid_der_long_form_short_length|0681032a8648|the hex starts with 06, the tag of an OID, but is no full DER encoding: the long form gives 3, which DER writes in one octet; --content reads all of it as content octets
oid_der_length_leading_zero|068200032a8648|the hex starts with 06, the tag of an OID, but is no full DER encoding: the length octets start with a zero, which DER forbids; --content reads all of it as content octets
oid_der_length_octets_missing|0682ff|the hex starts with 06, the tag of an OID, but is no full DER encoding: the length octets end early; --content reads all of it as content octets
oid_der_empty_content|0600|the content octets of the full DER encoding (tag 06, length 0) do not decode: BAD_OID (38); --content reads all of the hex as content octets
oid_der_bad_content|06022b80|the content octets of the full DER encoding (tag 06, length 2) do not decode: BAD_OID (38); --content reads all of the hex as content octets
oid_truncated_der|2b86|the DER bytes do not decode: BAD_OID (38)
oid_split_pair|6 9 2a|not a dotted OID, an OID text in braces or hex DER: the hex digit '6' at offset 0 has no partner: blanks and colons go between byte pairs
oid_not_hex|xyz|not a dotted OID, an OID text in braces or hex DER: 'x' at offset 0 is not a hex digit
oid_empty||no DER bytes given
END_OF_CASES
  ;;

input)
  # Names from standard input (-) and from a file (--in), read as they are.
  # The library keeps a default-type name's text up to its first zero byte
  # and counts the whole buffer (orbi_name/internal_name.h), so the bytes
  # after the NUL come back as zeros.
  printf 'db\nal\0ce' >"$scratch/nul_name"
  nul_show="name:          db\\nal\\x00\\x00\\x00
$type_line
$mech_line
token:         $(token 64620a616c000000 "$default_type_hex")"
  expect_ok input_stdin_nul "$nul_show" --stdin "$scratch/nul_name" show -
  expect_ok input_file_nul "$nul_show" show --in "$scratch/nul_name"
  expect_ok input_file_equals_form "$nul_show" show --in="$scratch/nul_name"
  expect_ok input_stdin_after_double_dash "$nul_show" --stdin "$scratch/nul_name" show -- -
  # A token carries a name's bytes after a NUL as well; show passes them on.
  bytes "$(token 6100626364 "$default_type_hex")" >"$scratch/nul_token"
  run --stdin "$scratch/nul_token" show --type exported -
  [[ $rc == 0 ]] || fail "input_stdin_token_nul: exit $rc: $(cat "$scratch/err")"
  stdout_has input_stdin_token_nul '^name: +a\\x00bcd$'
  # The entries of a name from stdin; a trailing line feed is kept as it is.
  printf 'db/users\nalice\nbob\n' >"$scratch/entries"
  run --stdin "$scratch/entries" expand -
  [[ $rc == 0 ]] || fail "input_expand_stdin: exit $rc: $(cat "$scratch/err")"
  stdout_has input_expand_stdin '^entry 2: +bob$'
  stdout_has input_expand_stdin '^entry 3: +$'
  expect_ok input_export_file "$(token "$(hex_of 'db/users\nalice\nbob\n')" "$default_type_hex")" \
    export --in "$scratch/entries"

  # Escapes in TEXT: CASE|TEXT|name bytes in hex.
  while IFS='|' read -r case_name text name_hex; do
    [[ -z $case_name ]] && continue
    expect_ok "$case_name" "$(token "$name_hex" "$default_type_hex")" export "$text"
  done <<'END_OF_CASES'
escape_hex_byte|a\x41b|614162
escape_name_of_a_dash|\x2d|2d
escape_mixed_case|\xfF\xA0|ffa0
escape_line_feed|db\nx|64620a78
escape_line_feed_as_hex|db\x0ax|64620a78
escape_backslash_then_x|\\x41|5c783431
escape_other_backslash|a\tb|615c7462
escape_trailing_backslash|ab\|61625c
escape_nul_counts|a\x00b|610000
END_OF_CASES
  # Round trip: what show prints escaped reads back as the same bytes.
  run show 'q\x01\x7f\xff\\\n'
  shown=$(sed -n 's/^name: *//p' "$scratch/out")
  [[ $shown == 'q\x01\x7f\xff\\\n' ]] || fail "escape_round_trip: shown as '$shown'"
  expect_ok escape_round_trip_export "$(token 71017fff5c0a "$default_type_hex")" export "$shown"

  # A malformed \x escape is a usage error that says where it is.
  while IFS='|' read -r case_name text offset; do
    [[ -z $case_name ]] && continue
    expect_fail "$case_name" 2 "^orbi-name: show: TEXT: the escape at offset $offset is malformed: \\\\x takes two hex digits" \
      show "$text"
  done <<'END_OF_CASES'
escape_x_alone|\x|0
escape_x_one_digit|ab\x4|2
escape_x_bad_first|\xg1|0
escape_x_bad_second|a\x4z|1
escape_x_after_good|\x41\x|4
END_OF_CASES

  # Bounds, and files that cannot be read.
  expect_fail input_stdin_too_long 1 '^orbi-name: show: TEXT: more than 67108864 bytes on standard input$' \
    --stdin <(head -c $((64 * 1024 * 1024 + 1)) /dev/zero) show -
  expect_fail input_file_too_long 1 "^orbi-name: expand: TEXT: more than 67108864 bytes in '" \
    expand --in <(head -c $((64 * 1024 * 1024 + 1)) /dev/zero)
  # Exactly 64 MiB is read and reaches the library (a text of zero bytes
  # has no database path).
  expect_fail input_at_limit 1 '^orbi-name: expand: the name has no database path' \
    --stdin <(head -c $((64 * 1024 * 1024)) /dev/zero) expand -
  expect_fail input_missing_file 1 "^orbi-name: show: TEXT: cannot open '.*/missing': " \
    show --in "$scratch/missing"
  expect_fail input_directory 1 "^orbi-name: show: TEXT: cannot read '" show --in "$scratch"

  # inspect takes hex as well as raw bytes on stdin, decided by content.
  alice_inspect="identifier:    0401 (exported name)
$mech_line
name length:   5
name:          alice
$type_line
import:        accepted"
  pipe inspect_pipe_hex export alice -- inspect
  [[ $rc == 0 && $(cat "$scratch/out") == "$alice_inspect" ]] ||
    fail "inspect_pipe_hex: exit $rc: $(cat "$scratch/out" "$scratch/err")"
  pipe inspect_pipe_raw export --raw alice -- inspect -
  [[ $rc == 0 && $(cat "$scratch/out") == "$alice_inspect" ]] ||
    fail "inspect_pipe_raw: exit $rc: $(cat "$scratch/out" "$scratch/err")"
  alice_token=$(token "$(hex_of alice)" "$default_type_hex")
  printf '%s\n' "$alice_token" | sed 's/..../&\n/g; s/../&:/' >"$scratch/hex_lines"
  expect_ok inspect_stdin_hex_lines "$alice_inspect" --stdin "$scratch/hex_lines" inspect
  expect_ok inspect_file_hex "$alice_inspect" inspect --in "$scratch/hex_lines"
  bytes "$alice_token" >"$scratch/alice_raw"
  expect_ok inspect_file_raw "$alice_inspect" inspect --in "$scratch/alice_raw"
  printf '%s' "${alice_token}0" >"$scratch/odd_hex"
  expect_fail inspect_stdin_odd_hex 1 '^orbi-name: inspect: HEX: odd number of hex digits$' \
    --stdin "$scratch/odd_hex" inspect
  printf '0 401' >"$scratch/split_hex"
  expect_fail inspect_stdin_split_pair 1 "^orbi-name: inspect: HEX: the hex digit '0' at offset 0 has no partner" \
    --stdin "$scratch/split_hex" inspect
  expect_fail inspect_missing_file 1 "^orbi-name: inspect: token: cannot open '" \
    inspect --in "$scratch/missing"
  ;;

type)
  alice_hex=$(hex_of alice)
  alice_show="name:          alice
$type_line
$mech_line
token:         $(token "$alice_hex" "$default_type_hex")"
  # The default name type, by keyword and by OID in both text forms.
  expect_ok type_default "$alice_show" show --type default alice
  expect_ok type_default_equals_form "$alice_show" show --type=default alice
  expect_ok type_default_dotted "$alice_show" show --type "$default_type_oid" alice
  expect_ok type_default_braces "$alice_show" show --type "$(braces "$default_type_oid")" alice

  # The anonymous name: imported, but only a default-type name is bound.
  expect_fail type_anonymous_show 1 "^orbi-name: show: CanonicalizeName refuses the name: BAD_NAME_TYPE \\(36\\): only a name of the default name type is bound; this one has \\{1 3 6 1 5 6 3\\} = 1\\.3\\.6\\.1\\.5\\.6\\.3 \\(anonymous name type\\)$" \
    show --type anonymous alice
  for text in none bob; do
    if [[ $text == none ]]; then run expand --type anonymous; else run expand --type anonymous "$text"; fi
    [[ $rc == 0 ]] || fail "type_anonymous_expand_$text: exit $rc: $(cat "$scratch/err")"
    stdout_has "type_anonymous_expand_$text" '^database path: !@#\$%&:ORBI-ANONYMOUS:!@#\$%&$'
  done

  # The exported-name type: TEXT is a token, in hex or, from a file or
  # stdin, as raw bytes. The name comes bound, so a token whose name type is
  # not the default one (here the user name type, table entry 2) shows too.
  user_type_hex=2a864886f71201020101 # 1.2.840.113554.1.2.1.1 (RFC 2744)
  tok=$(token "$alice_hex" "$default_type_hex")
  user_tok=$(token "$alice_hex" "$user_type_hex")
  bytes "$tok" >"$scratch/raw"
  printf '%s\n' "$tok" >"$scratch/hex"
  expect_ok type_exported_hex "$alice_show" show --type exported "$tok"
  expect_ok type_exported_oid "$alice_show" show --type 1.3.6.1.5.6.4 "$tok"
  expect_ok type_exported_stdin_raw "$alice_show" --stdin "$scratch/raw" show --type exported -
  expect_ok type_exported_file_hex "$alice_show" show --type exported --in "$scratch/hex"
  expect_ok type_exported_round_trip "$tok" export --type exported "$tok"
  expect_ok type_exported_user_type "name:          alice
name type:     {1 2 840 113554 1 2 1 1} = 1.2.840.113554.1.2.1.1 (user name type)
$mech_line
token:         $user_tok" show --type exported "$user_tok"
  run expand --type exported "$tok"
  [[ $rc == 0 ]] || fail "type_exported_expand: exit $rc: $(cat "$scratch/err")"
  stdout_has type_exported_expand '^database path: alice$'

  # Refusals: CASE|RC|STDERR_REGEX|ARGS (ARGS as shell words).
  while IFS='|' read -r case_name expected_rc pattern args; do
    [[ -z $case_name ]] && continue
    eval "argv=($args)"
    expect_fail "$case_name" "$expected_rc" "$pattern" "${argv[@]}"
  done <<END_OF_CASES
type_user_refused|1|^orbi-name: show: Set refuses the name type \{1 2 840 113554 1 2 1 1\} = 1\.2\.840\.113554\.1\.2\.1\.1 \(user name type\): it takes the default, exported and anonymous name types only: BAD_NAME_TYPE \(36\)$|show --type 1.2.840.113554.1.2.1.1 alice
type_unknown_refused|1|^orbi-name: export: Set refuses the name type \{1 2 3\} = 1\.2\.3 \(not in the OID table\): it takes the default, exported and anonymous name types only: BAD_NAME_TYPE \(36\)$|export --type '{1 2 3}' alice
type_unknown_expand|1|^orbi-name: expand: Set refuses the name type \{1 2 3\}|expand --type 1.2.3 alice
type_exported_bad_identifier|1|^orbi-name: show: token identifier: 0401 expected, found 0402$|show --type exported 0402${tok:4}
type_exported_other_mech|1|^orbi-name: show: mechanism OID: not the library's mechanism: MECH_NOT_SUPPORTED \(24\)$|show --type exported 040100042b0e03020000000161
type_exported_short|1|^orbi-name: export: name: the length field gives 6 bytes, 1 are left$|export --type exported 0401$(field2 $m)${mech_hex}0000000661
type_exported_not_hex|1|^orbi-name: show: HEX: 'l' at offset 1 is not a hex digit$|show --type exported alice
type_not_an_oid|2|^orbi-name: show: --type: not default, anonymous, exported or an OID: 'bogus' is not an OID text: 'b' at offset 0 is neither a digit nor a dot$|show --type bogus alice
type_oid_empty_arc|2|^orbi-name: show: --type: not default, anonymous, exported or an OID: '1\.\.2' is not an OID text: arc 2 is empty \(offset 2\)$|show --type 1..2 alice
type_oid_zero_arc|2|^orbi-name: show: --type: .*arc 4 is 0, and the text forms take no zero arc$|show --type 2.5.4.0 alice
type_oid_no_encoding|2|^orbi-name: expand: --type: .*'3\.1' has no DER encoding: the first arc is 3|expand --type 3.1 alice
type_missing_value|2|^orbi-name: show: --type needs a TYPE$|show --type
type_default_needs_text|2|^orbi-name: show: no TEXT given|show --type default
END_OF_CASES
  ;;

json)
  command -v python3 >/dev/null || fail "json: python3 is needed to read the JSON output"
  alice_hex=$(hex_of alice)
  tok=$(token "$alice_hex" "$default_type_hex")
  # One JSON object per command, on one line, and nothing on stderr.
  # CASE|ARGS|CONDITIONS (Python expressions over d, divided by ';;').
  while IFS='|' read -r case_name args conditions; do
    [[ -z $case_name ]] && continue
    eval "argv=($args)"
    run "${argv[@]}"
    [[ $rc == 0 ]] || fail "$case_name: exit $rc: $(cat "$scratch/err")"
    [[ ! -s $scratch/err ]] || fail "$case_name: stderr: $(cat "$scratch/err")"
    [[ $(wc -l <"$scratch/out") == 1 ]] || fail "$case_name: not one line: $(cat "$scratch/out")"
    mapfile -t checks < <(printf '%s\n' "${conditions//;;/$'\n'}")
    json_ok "$case_name" "$scratch/out" "${checks[@]}"
  done <<END_OF_CASES
json_show|--json show alice|d["command"] == "show";;d["name"] == {"text": "alice", "hex": "$alice_hex"};;d["name_type"]["table_entry"] == 1;;d["name_type"]["role"] == "default name type";;d["mechanism"]["dotted"] == "$mech_oid";;d["mechanism"]["der"] == "$mech_hex";;d["token"] == "$tok"
json_after_command|show alice --json|d["token"] == "$tok"
json_export|--json export alice|d == {"command": "export", "token": "$tok"}
json_inspect|--json inspect $tok|d["command"] == "inspect";;d["identifier"] == "0401";;d["name_length"] == 5;;d["name"]["text"] == "alice";;d["mechanism"]["table_entry"] == 7;;d["name_type"]["text"] == "$(braces "$default_type_oid")";;d["import"] == "accepted"
json_inspect_no_type|--json inspect $(token "$alice_hex")|d["name_type"] is None
json_expand|--json expand 'db\na\nb'|d["database_path"] == {"text": "db", "hex": "6462"};;[e["text"] for e in d["entries"]] == ["a", "b"];;[e["text"].rstrip("\0") for e in d["expanded"]] == ["db\na", "db\nb"]
json_expand_no_entries|--json expand db|d["entries"] == [];;len(d["expanded"]) == 1
json_inspect_entry_0|--json inspect $(token "$alice_hex" 2b0601050604)|d["name_type"]["table_entry"] == 0;;d["name_type"]["role"] == "exported name type"
json_oid|--json oid 1.2.840.113549.3.7|d["command"] == "oid";;d["input"] == "dotted text";;d["text"] == "{1 2 840 113549 3 7}";;d["dotted"] == "1.2.840.113549.3.7";;d["der"] == "2a864886f70d0307";;d["algorithm"] == 256;;d["table_entry"] == 18;;d["role"] == "DES-EDE3-CBC"
json_oid_full_der|--json oid '06 09 2a 86 48 86 f7 0d 01 01 01'|d["input"] == "full DER encoding";;d["dotted"] == "1.2.840.113549.1.1.1";;d["algorithm"] is None;;d["table_entry"] is None;;d["role"] is None
json_oid_content|--json oid --content 06092a864886f70d010101|d["input"] == "content octets";;d["dotted"] == "0.6.9.42.840.113549.1.1.1"
json_type_exported|--json show --type exported $tok|d["name"]["text"] == "alice"
END_OF_CASES

  # Every OID table entry, given as its dotted text, shows its index and
  # role: the entries and their roles as the table lists them
  # (ORBI_TEST_OID_TABLE_LIST prints them, INDEX|DOTTED|ROLE, the role empty
  # for a reserved entry, which the tool calls "reserved entry INDEX").
  entries=$("${ORBI_TEST_OID_TABLE_LIST:?the program that lists the OID table}") ||
    fail "json_oid_entries: the table list failed"
  # One line per index, from 0 up, the mechanism and its default name type
  # among them.
  count=$(wc -l <<<"$entries")
  [[ $(cut -d'|' -f1 <<<"$entries") == "$(seq 0 $((count - 1)))" ]] ||
    fail "json_oid_entries: the table list is not one line per index: $entries"
  grep -Fxq "7|$mech_oid|the library's mechanism" <<<"$entries" ||
    fail "json_oid_entries: no mechanism entry in the table list"
  grep -Fxq "1|$default_type_oid|default name type" <<<"$entries" ||
    fail "json_oid_entries: no default name type entry in the table list"
  : >"$scratch/entries"
  while IFS='|' read -r index dotted role; do
    [[ -n $role ]] || role="reserved entry $index"
    run --json oid "$dotted"
    [[ $rc == 0 ]] || fail "json_oid_entry_$index: exit $rc: $(cat "$scratch/err")"
    printf '%s|%s|%s\n' "$index" "$role" "$(cat "$scratch/out")" >>"$scratch/entries"
  done <<<"$entries"
  result=$(python3 -c '
import json, sys
for line in open(sys.argv[1], encoding="utf-8"):
    index, role, text = line.rstrip("\n").split("|", 2)
    d = json.loads(text)
    if d["table_entry"] != int(index) or d["role"] != role:
        print("entry %s: table_entry %r, role %r" % (index, d["table_entry"], d["role"]))
' "$scratch/entries" 2>&1)
  [[ -z $result ]] || fail "json_oid_entries: $result"

  # Awkward name bytes: quote, backslash, C0 and C1 controls, DEL, a byte
  # that is no UTF-8, well-formed UTF-8 (e-acute, an emoji) and an encoded
  # surrogate, which is no UTF-8 either. The hex keeps the exact bytes, and
  # no control byte reaches the output as it is.
  run --json show 'q"\\\x01\x7f\x80\xc3\xa9\xc2\x85\xed\xa0\x80\xf0\x9f\x98\x80z'
  [[ $rc == 0 ]] || fail "json_escapes: exit $rc: $(cat "$scratch/err")"
  json_ok json_escapes "$scratch/out" \
    'd["name"]["text"] == "q\"\\\x01\x7f\x80\u00e9\x85\xed\xa0\x80\U0001f600z"' \
    'd["name"]["hex"] == "71225c017f80c3a9c285eda080f09f98807a"' \
    'all(b >= 0x20 and b != 0x7f for b in open(sys.argv[1], "rb").read().rstrip(b"\n"))' \
    'b"\\u0080" in open(sys.argv[1], "rb").read() and b"\\u0085" in open(sys.argv[1], "rb").read()'

  # Errors keep their exit status and stay on stderr, there as one JSON
  # object; stdout stays empty. CASE|RC|ARGS|CONDITIONS.
  while IFS='|' read -r case_name expected_rc args conditions; do
    [[ -z $case_name ]] && continue
    eval "argv=($args)"
    run "${argv[@]}"
    [[ $rc == "$expected_rc" ]] || fail "$case_name: exit $rc, expected $expected_rc"
    [[ ! -s $scratch/out ]] || fail "$case_name: stdout not empty: $(cat "$scratch/out")"
    [[ $(wc -l <"$scratch/err") == 1 ]] || fail "$case_name: not one stderr line: $(cat "$scratch/err")"
    mapfile -t checks < <(printf '%s\n' "${conditions//;;/$'\n'}")
    json_ok "$case_name" "$scratch/err" "d[\"exit\"] == $expected_rc" "${checks[@]}"
  done <<END_OF_CASES
json_error_refused|1|--json oid 1.40|d["command"] == "oid";;"the second arc is 40" in d["error"]
json_error_usage|2|--json frobnicate|d["command"] is None;;d["error"] == "unknown command 'frobnicate'"
json_error_usage_command|2|show --json|d["command"] == "show";;d["error"].startswith("no TEXT given")
json_error_arg_count|2|--json oid 1.2 1.3|d["command"] == "oid";;d["error"].startswith("usage: orbi-name oid")
json_error_raw|2|export --raw --json alice|d["error"] == "--raw and --json exclude each other"
json_error_escape|2|--json show 'a\x4'|"malformed" in d["error"]
json_error_fields|1|--json inspect $(token "$(hex_of carol)" 2b0601)|d["error"].startswith("name type OID: not in the OID table");;d["fields"]["name"]["text"] == "carol";;d["fields"]["name_type"]["dotted"] == "1.3.6.1"
json_error_type|1|--json show --type 1.2.3 alice|"BAD_NAME_TYPE (36)" in d["error"]
END_OF_CASES
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
  # Standard output that cannot be written (a full device): every way of
  # writing it ends with one message and exit 1, not a silent success.
  if [[ -c /dev/full ]]; then
    for args in "show alice" "--help" "--json show alice" "export --raw alice" "--version"; do
      eval "argv=($args)"
      "$tool" "${argv[@]}" >/dev/full 2>"$scratch/err"
      rc=$?
      [[ $rc == 1 ]] || fail "full_output: $args: exit $rc, expected 1"
      [[ $(cat "$scratch/err") == "orbi-name: cannot write to standard output" ]] ||
        fail "full_output: $args: stderr '$(cat "$scratch/err")'"
    done
  fi

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
  stdout_has help '^--json prints one JSON object per command'
  for command in show export inspect expand oid; do
    run "$command" --help
    [[ $rc == 0 ]] || fail "help_$command: exit $rc"
    stdout_has "help_$command" "^usage: orbi-name $command .*--json"
    stdout_has "help_$command" '^--json prints one JSON object instead'
  done
  for command in show export expand; do
    run "$command" --help
    stdout_has "help_$command" '\\xHH for the byte HH'
    stdout_has "help_$command" '^--type sets the name type'
    stdout_has "help_$command" 'With - or --in FILE'
  done
  run inspect --help
  stdout_has help_inspect "'orbi-name export alice \| orbi-name inspect'"
  run oid --help
  stdout_has help_oid 'Hex that is a well-formed full DER'
  stdout_has help_oid '--content reads any hex'

  # A usage error ends with the hint to the help, as its last line.
  expect_usage() {
    expect_fail "$@"
    [[ $(tail -n 1 "$scratch/err") == "Try 'orbi-name --help'." ]] ||
      fail "$1: the last line is not the help hint: $(cat "$scratch/err")"
  }

  # Near misses of every long option are unknown options, never the option:
  # one byte short, one byte more, the last byte changed.
  for option in --type --in --raw --content --json --trace --help --version; do
    for near in "${option%?}" "${option}x" "${option%?}o"; do
      [[ $near == "$option" ]] && continue
      expect_usage "near_miss_$near" 2 "unknown option '$near'" \
        show "$near" x alice
    done
  done

  while IFS='|' read -r case_name args pattern; do
    [[ -z $case_name ]] && continue
    read -ra argv <<<"$args"
    expect_usage "$case_name" 2 "$pattern" "${argv[@]}"
  done <<'EOF'
usage_no_command||^orbi-name: no command given
usage_unknown_command|frobnicate|^orbi-name: unknown command 'frobnicate'
usage_unknown_option|--frob show a|^orbi-name: unknown option '--frob'
usage_unknown_command_option|show --frob a|^orbi-name: show: unknown option '--frob'
usage_raw_on_show|show --raw a|^orbi-name: show: unknown option '--raw'
usage_missing_text|show|^orbi-name: show: no TEXT given \(TEXT, - or --in FILE\)
usage_extra_text|oid 1.2 1.3|^orbi-name: usage: orbi-name oid
usage_in_without_file|show --in|^orbi-name: show: --in needs a FILE
usage_text_and_in|show a --in /dev/null|^orbi-name: show: TEXT and --in exclude each other
usage_hex_and_in|inspect 0401 --in /dev/null|^orbi-name: inspect: HEX and --in exclude each other
usage_in_on_oid|oid --in x 1.2|^orbi-name: oid: unknown option '--in'
usage_type_on_inspect|inspect --type default|^orbi-name: inspect: unknown option '--type'
usage_content_on_show|show --content a|^orbi-name: show: unknown option '--content'
usage_content_on_text|oid --content 1.2.3|^orbi-name: oid: --content applies to hex input only
usage_content_on_braces|oid --content {1}|^orbi-name: oid: --content applies to hex input only
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
