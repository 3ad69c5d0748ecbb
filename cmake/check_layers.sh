#!/usr/bin/env bash
# Fails when a source file includes a header of a layer above its own. The
# layers, lowest first; a folder may include its own layer and those below,
# except that the features (nav, editor, search) leave the engine (zip) to
# the store.
#   platform < zip (zip/codec) < settings < store < rtf < ui < nav, editor, search, stats < app
set -euo pipefail
src=${1:?usage: check_layers.sh <src folder>}
rank() {
    case $1 in
    platform) echo 0 ;; zip | zip/codec) echo 1 ;; settings) echo 2 ;; store) echo 3 ;;
    rtf) echo 4 ;; ui) echo 5 ;; nav | editor | search | stats) echo 6 ;; app) echo 7 ;;
    *) echo 99 ;;
    esac
}
status=0
while IFS= read -r file; do
    dir=$(dirname "${file#"$src"/}")
    own=$(rank "$dir")
    while IFS= read -r inc; do
        idir=$(dirname "$inc")
        [ "$idir" = "$dir" ] && continue
        theirs=$(rank "$idir")
        # Features of one layer (nav, editor, search, stats) stay out of each other too.
        if [ "$theirs" -gt "$own" ] || { [ "$theirs" -eq "$own" ] && [ "$own" -eq 6 ]; }; then
            echo "$file includes $inc, which is not below $dir"
            status=1
        fi
        # The features read entries through the store (store/entry_reader.h),
        # never through the archive engine itself.
        if [ "$own" -eq 6 ] && [ "$theirs" -eq 1 ]; then
            echo "$file includes $inc: features reach the archive through the store"
            status=1
        fi
    done < <(sed -n 's/^#include "\([a-z_/]*\/[a-z_0-9]*\.h\)".*/\1/p' "$file")
done < <(find "$src" -name '*.h' -o -name '*.cpp')
exit $status
