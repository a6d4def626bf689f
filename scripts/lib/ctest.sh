# Sourced by the scripts: ctest that refuses to pass over a suite that was never built. A GoogleTest
# executable missing from the build is registered by ctest as "<target>_NOT_BUILT"; a label filter
# would then drop it and the run would pass without it, so any such entry fails the run first.
#
#   run_ctest <build-folder> [ctest arguments...]
run_ctest() {
  local build=$1
  shift
  local not_built
  not_built=$(ctest --test-dir "$build" -N 2>/dev/null | sed -n 's/^ *Test *#[0-9]*: \(.*_NOT_BUILT\)$/\1/p')
  if [ -n "$not_built" ]; then
    echo "FAILED: suites registered but not built in $build:" $not_built >&2
    return 1
  fi
  ctest --test-dir "$build" --output-on-failure "$@"
}
