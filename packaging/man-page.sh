#!/bin/sh
# Writes a manual page from a program's --help text, so the page never disagrees with the program.
#   man-page.sh OUTPUT PROGRAM NAME VERSION SUMMARY TAIL [SUBCOMMAND TITLE]...
# PROGRAM is run with --help (and "SUBCOMMAND --help" for each pair, each a section TITLE);
# TAIL is a file of roff text appended at the end (files, see also).
set -eu
out=$1 program=$2 name=$3 version=$4 summary=$5 tail=$6
shift 6

# The help text as roff: the description, "Options:" and other headings as sections, each option
# as a tagged paragraph, and "Exit status:" as its own section.
to_roff() {
  awk -v top="$1" '
    function esc(s) {
      gsub(/\\/, "\\e", s); gsub(/-/, "\\-", s)
      if (s ~ /^[.\047]/) s = "\\&" s
      return s
    }
    function heading(t) { if (top) print ".SH " toupper(t); else print ".SS " t }
    NR == 1 && /^Usage:/ { next }
    /^$/ { started = 1; next }
    /^Options:$/ { heading("Options"); started = 1; next }
    /^Exit status:/ { sub(/^Exit status: */, ""); heading("Exit status"); print esc($0); next }
    /^[^ ].*:$/ { sub(/:$/, ""); print ".SS " esc($0); next }
    /^  [^ ]/ {
      line = substr($0, 3); term = line; text = ""
      if (match(line, /   */)) { term = substr(line, 1, RSTART - 1); text = substr(line, RSTART + RLENGTH) }
      print ".TP"; print ".B " esc(term); if (text != "") print esc(text); next
    }
    /^   +[^ ]/ { sub(/^ +/, ""); print esc($0); next }
    !started { if (!desc && top) print ".SH DESCRIPTION"; desc = 1; print esc($0); next }
    { print ".PP"; print esc($0) }
  '
}

{
  upper=$(printf '%s' "$name" | tr '[:lower:]' '[:upper:]')
  printf '.TH %s 1 "" "%s %s" "User Commands"\n' "$upper" "$name" "$version"
  printf '.SH NAME\n%s \\- %s\n' "$name" "$summary"
  printf '.SH SYNOPSIS\n.B %s\n[\\fIoptions\\fR]\n' "$name"
  odd=1
  for a in "$@"; do
    [ "$odd" = 1 ] && printf '.br\n.B %s %s\n[\\fIoptions\\fR]\n' "$name" "$a"
    odd=$((1 - odd))
  done
  "$program" --help | to_roff 1
  while [ $# -ge 2 ]; do
    printf '.SH "%s"\n.B %s %s\n[\\fIoptions\\fR]\n.PP\n' "$2" "$name" "$1"
    "$program" "$1" --help | to_roff 0
    shift 2
  done
  cat "$tail"
} > "$out.tmp"
mv "$out.tmp" "$out"
