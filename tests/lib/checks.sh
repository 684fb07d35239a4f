# Sourced by the shell test runs: counted, named checks.
#
#   check NAME COMMAND...   runs COMMAND; PASS or FAIL with NAME, counted in
#                           $passed and $failed

passed=0
failed=0
check() {
  local name="$1"
  shift
  if "$@"; then
    passed=$((passed + 1))
    echo "PASS $((passed + failed)): $name"
  else
    failed=$((failed + 1))
    echo "FAIL $((passed + failed)): $name"
  fi
}
