#!/usr/bin/env bash
# Sets everything up and starts the IDE host on the default database (created on first run).
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/scripts/setup.sh" "$top/build"
exec "$top/scripts/run-main.sh" "$top/build" "$@"
