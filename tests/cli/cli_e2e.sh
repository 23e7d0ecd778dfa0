#!/usr/bin/env bash
# End-to-end run of the console converter: random data as a HEX file made by
# srec_cat, through `text` and `hex` and `text` again, over files and pipes;
# srec_cmp checks that the data survive at their addresses, and a failed run
# leaves an existing output file alone. The program must not link Qt.
#
#   cli_e2e.sh <quorix-cli binary>
set -euo pipefail

cli="$(realpath "$1")"
for tool in srec_cat srec_cmp ldd cmp; do
  command -v "$tool" >/dev/null || { echo "cli e2e: $tool is missing (tools/install-deps installs it)" >&2; exit 1; }
done
work="$(mktemp -d "${TMPDIR:-/tmp}/quorix-cli-e2e.XXXXXX")"
trap 'rm -rf "$work"' EXIT
cd "$work"

fail() { echo "cli e2e: FAILED: $*" >&2; exit 1; }

libs="$(ldd "$cli")" || fail "ldd $cli"
if grep -i 'libQt' <<<"$libs"; then fail "quorix-cli links Qt"; fi

# Two blocks of random data with a gap, the first one off its page start.
head -c 20000 /dev/urandom > a.bin
head -c 9000 /dev/urandom > b.bin
srec_cat a.bin -binary -offset 0x0130 b.bin -binary -offset 0x9000 -o in.hex -intel -obs=16
same_data() { srec_cmp "$1" -intel -fill 0xFF 0 0x10000 "$2" -intel -fill 0xFF 0 0x10000; }

"$cli" text in.hex > one.txt || fail "text in.hex"
[ "$(head -c 6 one.txt)" = "FF FF " ] || fail "the text does not start with the page's fill"
# The text begins at the first record's page, 0100.
"$cli" hex -a 0100 -o out < one.txt || fail "hex from standard input"
[ -f out ] && [ ! -e out.hex ] || fail "-o did not write exactly the name given"
same_data in.hex out || fail "data changed on the way text -> hex"
"$cli" text - < out > two.txt || fail "text from standard input"
cmp one.txt two.txt || fail "text -> hex -> text changed the text"
"$cli" hex --address=0100 one.txt | cmp - out || fail "records on standard output differ from the -o file"

# The records from another start address sit at that address.
"$cli" hex -a 0800 -o moved.hex one.txt || fail "hex -a 0800"
srec_cat moved.hex -intel -offset -0x0700 -o back.hex -intel -obs=16
same_data in.hex back.hex || fail "data saved from 0800 are not at 0800"

# A failure writes nothing and keeps the old file.
printf '01 zz\n' > bad.txt
cp out keep.hex
if "$cli" hex -o out bad.txt > stdout.txt 2> stderr.txt; then fail "non-hex text was accepted"; fi
[ ! -s stdout.txt ] || fail "a failed run wrote to standard output"
grep -q '^quorix-cli: bad.txt: ' stderr.txt || fail "no message naming the input"
cmp out keep.hex || fail "a failed run changed the output file"
[ "$(ls | grep -c '^out')" -eq 1 ] || fail "a failed run left a file beside the output"

[ "$("$cli" checksum 02000004FFFF)" = "FC" ] || fail "checksum of 02000004FFFF"
echo "cli e2e: passed"
