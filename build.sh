#!/bin/sh
# The project's two commands (see README.md):
#   ./build.sh run    install what is missing, build the Windows program, start it under Wine
#   ./build.sh test   install what is missing, build both trees, run every test
set -eu
here=$(cd "$(dirname "$0")" && pwd)
case "${1:-}" in
  run) exec "$here/tools/run.sh" ;;
  test) exec "$here/tools/test.sh" ;;
  *) echo "usage: $0 run|test" >&2; exit 2 ;;
esac
