#!/usr/bin/env bash
# Parses every netlist under DIR as one batch at -j 1 and at -j 4, with the
# tree, JSON, tokens and dependency rule forms, and requires the same bytes
# on standard output and standard error and the same exit status. Then each
# file that includes others alone, where -j parses its includes ahead.
#
# Usage: same_at_any_jobs.sh QUARRY_PARSE DIR [EXTRA_ARGS...]
set -uo pipefail
bin=$1
dir=$2
shift 2
[[ -d $dir ]] || exit 77
mapfile -d '' files < <(find "$dir" -type f \( -name '*.kvx' -o -name '*.sp*' -o -name '*.cir' -o -name '*.net' \
  -o -name '*.inc' -o -name '*.lib' -o -name '*.mod' -o -name '*.ckt' \) -print0 | sort -z)
[[ ${#files[@]} -gt 0 ]] || exit 77
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
failed=0
for form in "--format tree" "--format json" "--tokens" "--format none -M" "--format json --check"; do
  for jobs in 1 4; do
    # shellcheck disable=SC2086
    "$bin" -j $jobs $form "$@" "${files[@]}" >"$out/$jobs.out" 2>"$out/$jobs.err"
    echo $? >"$out/$jobs.status"
  done
  for part in out err status; do
    if ! cmp -s "$out/1.$part" "$out/4.$part"; then
      echo "$form: standard $part differs between -j 1 and -j 4"
      diff "$out/1.$part" "$out/4.$part" | head -20
      failed=1
    fi
  done
done
alone=0
for f in "${files[@]}"; do
  grep -qiE '^[[:space:]]*\.(include|inc|lib)[[:space:]]' "$f" || continue
  alone=$((alone + 1))
  for jobs in 1 4; do
    (cd "$(dirname "$f")" && "$bin" -j $jobs --format json --check -M -MF - "$@" "$(basename "$f")") \
      >"$out/$jobs.out" 2>"$out/$jobs.err"
    echo $? >>"$out/$jobs.out"
  done
  if ! cmp -s "$out/1.out" "$out/4.out" || ! cmp -s "$out/1.err" "$out/4.err"; then
    echo "$f: differs between -j 1 and -j 4"
    diff "$out/1.err" "$out/4.err" | head -10
    failed=1
  fi
done
echo "${#files[@]} files, 5 forms, $alone files with includes alone: $([[ $failed -eq 0 ]] && echo same || echo DIFFERENT)"
exit $failed
