#!/bin/sh
# help2man's view of a program: runs PROGRAM OPTION... and gives its usage lines the form help2man
# makes the SYNOPSIS of: "Usage:", an option line's continuation joined to it, another form as "or:".
# The rows under "Keys:" are left out: keys_h2m.sh gives them to help2man as an include.
program=$1
shift
"$program" "$@" | awk '
  NR == 1 && sub(/^usage:/, "Usage:") { line = $0; usage = 1; next }
  usage && /^ +\[/ { sub(/^ +/, " "); line = line $0; next }
  usage && /^ +[^ ]/ { print line; sub(/^ +/, "  or: "); line = $0; next }
  usage { print line; usage = 0 }
  /^Keys:$/ { keys = 1; next }
  keys && /^$/ { keys = 0; next }
  keys { next }
  { print }
  END { if (usage) print line }'
