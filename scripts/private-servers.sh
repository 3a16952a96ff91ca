# Sourced by the test and measuring scripts: servers of their own, which
# they stop by process id (and nothing else) when they end.

# start_private_xvfb WORK NAME: a 1920x1080 Xvfb on a free display number
# (its log in WORK/xvfb.log); sets xvfb_pid and exports DISPLAY. The
# desktop programs' tests expect their window on the right half of a screen
# of that size. Fails, saying so as NAME, when the server does not start.
start_private_xvfb() {
  local work=$1 name=$2
  exec 3>"$work/display"
  Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1920x1080x24 </dev/null >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  exec 3>&-
  for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
  done
  if ! [ -s "$work/display" ]; then
    echo "$name: Xvfb did not start" >&2
    cat "$work/xvfb.log" >&2
    return 1
  fi
  export DISPLAY=":$(head -n1 "$work/display")"
}

# use_wine_prefix WORK: Wine's settings for a 64-bit prefix in WORK/prefix
# (exported as WINEPREFIX) without the Mono and Gecko installers.
use_wine_prefix() {
  export WINEPREFIX=$1/prefix WINEARCH=win64 WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  mkdir -p "$WINEPREFIX"
}

# prepare_wine_prefix WORK: that prefix made ready, with Direct3D's command
# stream off and no crash dialog. Wine's output never goes into a pipe (its
# background processes would keep it open): logs go to files in WORK.
prepare_wine_prefix() {
  local work=$1
  use_wine_prefix "$work"
  wineboot -u </dev/null >"$work/wineboot.log" 2>&1
  timeout 300 wine reg add 'HKCU\Software\Wine\Direct3D' /v csmt /t REG_DWORD /d 0 /f \
    </dev/null >"$work/reg.log" 2>&1
  timeout 300 wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
    </dev/null >>"$work/reg.log" 2>&1
}
