#!/usr/bin/env bash
# Runs every benchmark: the compiled bench_* programs in the build folder and
# the bench/*.sh scripts, and prints their rows as one table.
set -u
build=$1
src=$2
rows=$(mktemp)
trap 'rm -f "$rows"' EXIT

for prog in "$build"/bench_*; do
    [ -x "$prog" ] || continue
    echo "running $(basename "$prog")..." >&2
    "$prog" | grep -P '^row\t' >>"$rows" || echo "$(basename "$prog") failed" >&2
done
for script in "$src"/*.sh; do
    case "$(basename "$script")" in run-all.sh | lib.sh) continue ;; esac
    echo "running $(basename "$script")..." >&2
    "$script" "$build" | grep -P '^row\t' >>"$rows" || echo "$(basename "$script") failed" >&2
done

printf '\n| %-52s | %-22s | %-22s |\n' metric value target
printf '|%s|%s|%s|\n' "$(printf -- '-%.0s' {1..54})" "$(printf -- '-%.0s' {1..24})" "$(printf -- '-%.0s' {1..24})"
while IFS=$'\t' read -r _ metric value target; do
    printf '| %-52s | %-22s | %-22s |\n' "$metric" "$value" "$target"
done <"$rows"
