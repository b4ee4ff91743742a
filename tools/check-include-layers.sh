#!/usr/bin/env bash
# Lists every include of an engine source that reaches into a higher layer (docs/architecture.md,
# "Layers"). A plain record or value belongs in the lowest folder that uses it; only the links to a
# class that lives higher up are allowed, each one named in tools/include-layers-allowed.txt.
# Exits 1 when an include is neither downward nor allowed, or when an allowed link is no longer made.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

# Layer of a path's top folder, lowest first; Render and DynamicSky share one.
layer() {
    case "${1%%/*}" in
        platform) echo 0 ;;
        core) echo 1 ;;
        Sound) echo 2 ;;
        Render | DynamicSky) echo 3 ;;
        simulation) echo 4 ;;
        interface) echo 5 ;;
        script) echo 6 ;;
        host | launcher) echo 7 ;;
        *) echo -1 ;;
    esac
}

allowed=tools/include-layers-allowed.txt
status=0
while IFS= read -r source; do
    from=$(layer "$source")
    while IFS= read -r header; do
        to=$(layer "$header")
        ((to > from)) || continue
        grep -qxF "$source -> $header" "$allowed" && continue
        echo "$source includes $header from a higher layer"
        status=1
    done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$source")
done < <(find platform core Sound Render DynamicSky simulation interface script host launcher \
              -name '*.h' -o -name '*.cpp' | sort)

# A listed link that no source makes any more is stale: the list names only the links there are.
while IFS= read -r link; do
    [[ -z $link || $link == \#* ]] && continue
    source=${link%% -> *}
    header=${link#* -> }
    if [[ -f $source ]] && sed -n 's/^#include "\([^"]*\)".*/\1/p' "$source" | grep -xF "$header" >/dev/null; then
        continue
    fi
    echo "$allowed lists $link, which no source includes any more"
    status=1
done <"$allowed"

if ((status != 0)); then
    echo "Move the plain type to the lowest folder that uses it; a link to a class that lives higher up"
    echo "goes into $allowed, and leaves it when no source makes it any more."
fi
exit $status
