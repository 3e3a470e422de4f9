#!/usr/bin/env bash
# Runs one Windows test program under 64-bit Wine for ctest.
#   wine-run.sh PREFIX_DIR PROGRAM [ARGS...]
# The Wine prefix lives in the build folder and is made on first use: Wine
# draws the window frames itself (no window manager runs under Xvfb), and the
# first start's output goes to /dev/null so that Wine's background services
# never hold on to a test's stdout.
set -euo pipefail
prefix=$1
shift

export WINEPREFIX=$prefix
export WINEDEBUG=-all
# No prompts to install Mono or Gecko while the prefix is made.
export WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver64
[ -x "$server" ] || server=wineserver

mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [ ! -f "$prefix/.melvox-ready" ]; then
    "$wine" wineboot -i >/dev/null 2>&1 </dev/null 9>&-
    "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null 9>&-
    "$server" -w
    touch "$prefix/.melvox-ready"
  fi
  # Wine's own TrueType fonts (fonts-wine) are found here only inside the
  # prefix's Fonts folder: without Marlett the caption buttons are drawn as
  # letters. Copied each time, so that older prefixes get them too.
  cp -n /usr/share/wine/fonts/*.ttf "$prefix/drive_c/windows/Fonts/" 2>/dev/null || true
  # A server that stays up a while makes each later start cheap; start it
  # with output to /dev/null for the reason above, and without the lock's
  # descriptor: a server that inherited it would hold the lock for as long
  # as it stays up, and every later start would wait for it.
  "$wine" cmd /c exit >/dev/null 2>&1 </dev/null 9>&- || true
) 9>"$prefix.lock"

exec "$wine" "$@"
