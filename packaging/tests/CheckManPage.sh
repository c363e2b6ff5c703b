#!/usr/bin/env bash
# Usage: CheckManPage.sh <manual page> <program> <version>
#
# Keeps a hand-written manual page true to its program: every option that `<program> --help`
# lists (and, for a program with subcommands, every subcommand and the options of each) must be
# described in the page's OPTIONS section, the page must describe no option the program lacks,
# and the page and `--version` must both carry <version>.
set -euo pipefail
page=$1
program=$2
version=$3
name=$(basename "$program")
failed=0

fail() {
  echo "$page: $*" >&2
  failed=1
}

# Long and short options, where they stand as words: "multi-at" or "GaX-sKW523" are not options.
options_in() {
  grep -oE -- '(^|[^[:alnum:]-])--?[a-z][a-z0-9-]*' | grep -oE -- '--?[a-z][a-z0-9-]*' | sort -u
}

# The page as plain text: roff's escaped hyphens and font changes removed.
plain_page=$(sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' "$page")
section() {
  awk -v want="$1" '/^\.SH / { inside = ($2 == want) } inside' <<<"$plain_page"
}

help=$("$program" --help)
# CLI11 lists subcommands under "Subcommands:", one per line, up to a blank line.
commands=$(awk '/^Subcommands:/ { inside = 1; next } inside && NF == 0 { inside = 0 }
                inside { print $1 }' <<<"$help")
for command in $commands; do
  if ! section COMMANDS | grep -qx "\.B $command"; then
    fail "command '$command' is not described under COMMANDS"
  fi
  help+=$'\n'$("$program" "$command" --help)
done

program_options=$(options_in <<<"$help")
page_options=$(section OPTIONS | options_in)
missing=$(comm -23 <(echo "$program_options") <(echo "$page_options"))
extra=$(comm -13 <(echo "$program_options") <(echo "$page_options"))
[ -z "$missing" ] || fail "options of $name not described: $(echo $missing)"
[ -z "$extra" ] || fail "options described that $name does not have: $(echo $extra)"

shown_version=$("$program" --version)
[ "$shown_version" = "$name $version" ] ||
  fail "'$name --version' printed '$shown_version', expected '$name $version'"
grep -q "^\.TH .*\"sKW Manager $version\"" "$page" ||
  fail "the .TH line does not name version $version"

exit "$failed"
