#!/usr/bin/env bash
# Runs a command on a private Xvfb screen and gives its exit code: the in-process tests that
# draw through SDL's OpenGL renderer (Mesa's software GL needs no GPU) run this way. A server
# that cannot start fails the run; nothing is skipped.
#   on_xvfb.sh PROGRAM [ARGUMENTS...]
set -euo pipefail
source "$(dirname "$0")/xvfb.sh"
work=$(mktemp -d /tmp/cobaltine-xvfb.XXXXXXXX)
trap 'xvfb_stop; rm -rf "$work"' EXIT
xvfb_start "$work" || { echo "on_xvfb: Xvfb did not start" >&2; exit 1; }
rc=0
"$@" || rc=$?
exit "$rc"
