#!/bin/sh
# Writes help2man's include file for tessmark-cli: every command's own --help as a section.
# usage: man-commands.sh TESSMARK_CLI OUTPUT
set -eu
cli=$1
out=$2
{
  echo '[COMMANDS]'
  for cmd in $("$cli" --help | sed -n 's/^  \([a-z]*\)  .*/\1/p'); do
    echo ".SS $cmd"
    echo '.nf'
    "$cli" "$cmd" --help | sed -e 's/\\/\\e/g' -e "s/^\([.']\)/\\\\\&\1/"
    echo '.fi'
  done
  echo '[EXIT STATUS]'
  echo '0 success; 1 the operation failed, a read-back differed or an image is inconsistent;'
  echo '2 the command line was wrong.'
} >"$out"
