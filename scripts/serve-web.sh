#!/bin/sh
# Builds the web page if it is not built yet and serves it on
# http://127.0.0.1:8000 (PORT changes the port) until stopped.
set -eu
cd "$(dirname "$0")/.."
[ -f build-web/site/index.html ] || sh scripts/build-web.sh
port=${PORT:-8000}
echo "The show is served at the address below; Ctrl+C stops it."
exec python3 programs/web/serve.py build-web/site "$port"
