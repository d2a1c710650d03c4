#!/usr/bin/env bash
# Holds a manual page to what its program's --help says: every option --help
# names is the tag of an entry somewhere in the page, every command is an entry
# of COMMANDS and every exit code an entry of EXIT STATUS, and the page has no
# such entry for anything --help no longer names. The page must also pass
# `mandoc -T lint` without a word.
#
#   tests/docs/man_page_check.sh PROGRAM PAGE
set -euo pipefail
program="$1"
page="$2"
name="$(basename "$page")"
status=0
fail() { echo "$name: $*" >&2; status=1; }

help="$("$program" --help)" || { echo "$name: $program --help ended with $?" >&2; exit 1; }

lint="$(mandoc -T lint "$page" 2>&1)" || true
[ -z "$lint" ] || fail "mandoc -T lint: $lint"

# "SECTION<tab>depth<tab>tag" for each entry (the line after .TP), as the reader
# sees it; depth 1 is an entry indented under another, such as a command's option.
tags="$(awk '
  function plain(line) {
    gsub(/\\-/, "-", line); gsub(/\\f[BIRP]/, "", line); gsub(/\\&|\\e/, "", line)
    sub(/^\.[A-Z]+[ \t]*/, "", line); gsub(/"/, "", line)
    return line
  }
  /^\.SH/ { section = plain($0); depth = 0; next }
  /^\.RS/ { depth++; next }
  /^\.RE/ { depth--; next }
  /^\.TP/ { tag = 1; next }
  tag { print section "\t" depth "\t" plain($0); tag = 0 }
' "$page")"

# The words of --help from a heading such as "commands:" to the next blank line,
# the first of each line.
listed() { awk -v heading="$1" '$0 == heading { on = 1; next } /^$/ { on = 0 } on && /^  [^ ]/ { print $1 }' <<<"$help"; }
# First words of the outermost tags of a section.
entries() { awk -F'\t' -v section="$1" '$1 == section && $2 == 0 { split($3, w, " "); print w[1] }' <<<"$tags"; }
options() { grep -oE '(^|[^[:alnum:]-])--[a-z][a-z0-9-]*' | sed 's/^[^-]*//' | sort -u; }

compare() {
  local what="$1" named="$2" documented="$3"
  for item in $named; do
    grep -qxF -- "$item" <<<"$documented" || fail "--help names the $what '$item', the page has no entry for it"
  done
  for item in $documented; do
    grep -qxF -- "$item" <<<"$named" || fail "the page describes the $what '$item', which --help does not name"
  done
}

compare option "$(options <<<"$help")" "$(cut -f3 <<<"$tags" | options)"
if grep -q '^commands:$' <<<"$help" || grep -q '^COMMANDS	0	' <<<"$tags"; then
  compare command "$(listed commands:)" "$(entries COMMANDS)"
fi
if grep -q '^exit codes:$' <<<"$help" || grep -q '^EXIT STATUS	0	' <<<"$tags"; then
  compare "exit code" "$(listed 'exit codes:')" "$(entries 'EXIT STATUS')"
fi
exit "$status"
