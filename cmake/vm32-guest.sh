# Runs the i686 test programs inside the emulated machine (sourced at the top
# of the job that cmake/vm32-tests.cmake writes; scripts/vm32 has set
# DISPLAY and the 32-bit WINEPREFIX). Each program's output goes to
# /job/NAME.log and its exit code to /job/NAME.rc, which cmake/vm32-result.sh
# hands to ctest.
wine=/usr/lib/wine/wine
server=/usr/lib/wine/wineserver32
[ -x "$server" ] || server=wineserver

# Wine's own fonts are found only inside the prefix's Fonts folder (see
# cmake/wine-run.sh); the machine's disk is a snapshot, so this lasts one run.
cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true

# Wine's background services keep the stdout of the program that starts
# them: start them here, with output to /dev/null, as cmake/wine-run.sh does.
"$wine" cmd /c exit >/dev/null 2>&1 </dev/null || true

# run_program NAME LIMIT WORKING_DIR [VAR=VALUE]... -- PROGRAM [ARGS...]
run_program() {
  local name=$1 limit=$2 dir=$3 started=$SECONDS rc=0
  shift 3
  local vars=()
  while [ "$1" != -- ]; do
    vars+=("$1")
    shift
  done
  shift
  (cd "$dir" && exec env "${vars[@]}" timeout -k 10 "$limit" "$wine" "$@") \
    >"/job/$name.log" 2>&1 </dev/null || rc=$?
  echo "$rc" >"/job/$name.rc"
  echo "$name: exit code $rc after $((SECONDS - started)) s"
}
