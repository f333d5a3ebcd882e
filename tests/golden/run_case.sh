#!/usr/bin/env bash
# Runs one golden case: parses <case>.kvx twice in one process (state left over
# from the first parse must not change the second) and compares stdout, stderr
# and the exit status with the hand-written expectations.
#
# Usage: run_case.sh QUARRY_PARSE CASE.kvx OUT_DIR
#   <case>.tree    expected tree (required, unless the arguments hold
#                  "--format none": then stdout must be empty)
#   <case>.err     expected diagnostics (absent: stderr must be empty)
#   <case>.args    extra command-line arguments, blank separated (optional)
#   <case>.status  expected exit status (optional; default 1 when <case>.err
#                  holds an "error:" report, else 0)
# The actual output stays in OUT_DIR when the case fails.
set -euo pipefail

if [[ $# -ne 3 ]]; then
  echo "usage: $0 QUARRY_PARSE CASE.kvx OUT_DIR" >&2
  exit 2
fi

bin=$1
case_file=$2
out_dir=$3

case_dir=$(cd "$(dirname "$case_file")" && pwd)
name=$(basename "$case_file" .kvx)
base=$case_dir/$name

extra=()
if [[ -f $base.args ]]; then
  while read -r -a words || [[ ${#words[@]} -gt 0 ]]; do
    extra+=(${words[@]+"${words[@]}"})
    words=()
  done <"$base.args"
fi
no_output=0
[[ " ${extra[*]-} " == *" --format none "* ]] && no_output=1

if [[ $no_output -eq 0 && ! -f $base.tree ]]; then
  echo "missing expected tree: $base.tree" >&2
  exit 1
fi

mkdir -p "$out_dir"
exp_out=$out_dir/$name.expected.out
exp_err=$out_dir/$name.expected.err
act_out=$out_dir/$name.actual.out
act_err=$out_dir/$name.actual.err

if [[ $no_output -eq 1 ]]; then
  : >"$exp_out"
else
  { printf '== %s.kvx\n' "$name"; cat "$base.tree"; printf '== %s.kvx\n' "$name"; cat "$base.tree"; } >"$exp_out"
fi
# clang's closing line, for the reports of both parses.
summary() {
  local warnings=$1 errors=$2 line=""
  ((warnings)) && line="$warnings warning$( ((warnings == 1)) || echo s)"
  ((warnings && errors)) && line+=" and "
  ((errors)) && line+="$errors error$( ((errors == 1)) || echo s)"
  [[ -n $line ]] && echo "$line generated."
  return 0
}
if [[ -f $base.err ]]; then
  cat "$base.err" "$base.err" >"$exp_err"
  summary $((2 * $(grep -cE '^[^[:space:]]+: warning: ' "$base.err"))) \
          $((2 * $(grep -cE '^[^[:space:]]+: error: ' "$base.err"))) >>"$exp_err"
else
  : >"$exp_err"
fi

exp_status=0
if [[ -f $base.status ]]; then
  read -r exp_status <"$base.status" || true
elif [[ -f $base.err ]]; then
  error_report='^[^[:space:]]+: error: '
  while IFS= read -r line || [[ -n $line ]]; do
    if [[ $line =~ $error_report ]]; then
      exp_status=1
      break
    fi
  done <"$base.err"
fi

status=0
(cd "$case_dir" && "$bin" ${extra[@]+"${extra[@]}"} "$name.kvx" "$name.kvx") >"$act_out" 2>"$act_err" || status=$?

failed=0
if ! diff -u --label "expected stdout" --label "actual stdout" "$exp_out" "$act_out"; then
  failed=1
fi
if ! diff -u --label "expected stderr" --label "actual stderr" "$exp_err" "$act_err"; then
  failed=1
fi
if [[ $status != "$exp_status" ]]; then
  echo "exit status: expected $exp_status, got $status"
  failed=1
fi

if [[ $failed -ne 0 ]]; then
  echo "FAIL $name (actual output kept in $out_dir)"
  exit 1
fi
rm -f "$exp_out" "$exp_err" "$act_out" "$act_err"
echo "pass $name"
