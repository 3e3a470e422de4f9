#!/usr/bin/env bash
# Reports one i686 test program to ctest: the program ran inside the emulated
# machine (the vm32_machine test, which ctest runs first as this test's
# fixture); this prints what it printed there and ends with its exit code, so
# that ctest judges it by its GoogleTest summary as it does a 64-bit program.
#   vm32-result.sh RESULTS_DIR NAME LIMIT PROGRAM [ARGS...]
# (PROGRAM, its arguments and LIMIT, its time limit inside the machine in
# seconds, are read from this command line by cmake/vm32-tests.cmake.)
set -euo pipefail
results=$1
name=$2
limit=$3

if [ ! -f "$results/$name.rc" ]; then
  echo "vm32: $name did not run in the machine; see $results/output.log and $results/console.log"
  exit 1
fi
cat "$results/$name.log"
rc=$(cat "$results/$name.rc")
if [ "$rc" = 124 ] || [ "$rc" = 137 ]; then
  echo "vm32: $name was stopped at its time limit of $limit s inside the machine"
fi
exit "$rc"
