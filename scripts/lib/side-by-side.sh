# Runs each named function of the calling build script in a subshell of its
# own, all at once, each logging to WORK/NAME.log; a failed one shows the end
# of its log. Returns non-zero if any failed.
# Usage (sourced): side_by_side WHAT WORK FUNCTION...
side_by_side() {
  local what=$1 work=$2 build status=0
  shift 2
  declare -A builds
  for build in "$@"; do
    (cd "$work" && "$build") >"$work/$build.log" 2>&1 &
    builds[$build]=$!
  done
  for build in "$@"; do
    if ! wait "${builds[$build]}"; then
      echo "$what: $build failed; the end of $work/$build.log:" >&2
      tail -n 40 "$work/$build.log" >&2
      status=1
    fi
  done
  return $status
}
