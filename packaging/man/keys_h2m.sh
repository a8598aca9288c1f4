#!/bin/sh
# Writes help2man's include of a program's keys: the rows its --help gives under "Keys:" (a title in
# its column, then the keys), as a subsection of tagged paragraphs after the options. help2man_view.sh
# leaves those rows out of the text help2man reads, which would run them together.
# Usage: keys_h2m.sh PROGRAM OUTPUT
"$1" --help | awk '
  BEGIN { print "/--version/"; print ".SS Keys:" }
  /^Keys:$/ { keys = 1; next }
  keys && /^$/ { exit }
  keys {
    row = substr($0, 3)
    title = substr(row, 1, 14); sub(/ +$/, "", title)
    rest = substr(row, 15); sub(/^ +/, "", rest)
    if (rest == "" || index(title, ":")) { print ".PP"; print row; next }
    print ".TP"; print ".B " title; print rest
  }' >"$2"
