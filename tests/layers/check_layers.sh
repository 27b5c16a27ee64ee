#!/usr/bin/env bash
# The folders depend one way: platform <- disk <- results <- engines <- session <- cli, app.
# A lower folder that includes a higher one fails here, before it can hide in the one library.
set -u
root=${1:-$(dirname "$0")/../..}
status=0
check() {  # folder, then the folders it must not include
  local folder=$1; shift
  local pattern
  pattern="#include \"($(IFS='|'; echo "$*"))/"
  if hits=$(grep -rEn "$pattern" "$root/$folder" --include='*.h' --include='*.cpp'); then
    echo "$folder includes a folder above it:"
    echo "$hits"
    status=1
  fi
}
check platform disk results engines session cli app ui
check disk results engines session cli app ui
check results engines session cli app ui
check engines session cli app ui
check session cli app ui
[ $status -eq 0 ] && echo "layers: every include points down"
exit $status
