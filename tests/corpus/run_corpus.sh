#!/usr/bin/env bash
# Parses every netlist of the shared real-world corpus, in batches, and fails
# on a crash, a hang, a sanitizer report or a leak. Diagnostics are expected:
# the corpus is written for other dialects. Exits 77 (skipped) without it.
#
# usage: run_corpus.sh QUARRY_PARSE CORPUS_DIR
set -uo pipefail
bin=$1
dir=$2
if [ ! -d "$dir" ]; then
  echo "no corpus at $dir: skipped"
  exit 77
fi

# A sanitizer report must not pass for the status 1 of a parse error.
export ASAN_OPTIONS="detect_leaks=1:exitcode=99:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:exitcode=99:${UBSAN_OPTIONS:-}"

# 0 and 1 are parse results, 2 an exception the CLI caught and reported.
run() {
  timeout 300 "$bin" --format none --quiet --language korvex3 "$@" >/dev/null 2>"$log"
  local rc=$?
  [ "$rc" -le 2 ]
}

log=$(mktemp)
trap 'rm -f "$log"' EXIT
mapfile -d '' files < <(find "$dir" -type f ! -name LICENSE ! -name COPYING ! -name '*.md' -print0 | sort -z)
failed=0
batch=40
for ((i = 0; i < ${#files[@]}; i += batch)); do
  group=("${files[@]:i:batch}")
  run "${group[@]}" && continue
  # Name the file that fails on its own.
  for f in "${group[@]}"; do
    if ! run "$f"; then
      echo "FAIL: $f"
      head -n 30 "$log"
      failed=$((failed + 1))
    fi
  done
done
echo "${#files[@]} corpus files parsed, $failed failed"
[ "$failed" -eq 0 ]
