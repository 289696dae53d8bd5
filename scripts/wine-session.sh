# Starts and stops a Wine session for the current WINEPREFIX and DISPLAY,
# with the loader and server of the architecture in use (env.sh); sourced,
# not run.

# Wine's own background processes (services, the desktop window's process)
# are started by whichever program needs them first, and keep that program's
# standard output open for as long as they live. Started here, with their
# output going nowhere, they cannot hold a test's output pipe open and make
# CTest wait for it until the test times out.
start_wine_session() {
  # A wineserver left from another display would put our windows there.
  "$WINESERVER" -k >/dev/null 2>&1 || true
  "$WINELOADER" wineboot </dev/null >/dev/null 2>&1
  "$WINELOADER" explorer.exe /desktop </dev/null >/dev/null 2>&1 &
  # The desktop is up once a window query can be answered.
  for _ in $(seq 50); do
    pgrep -f 'explorer.exe /desktop' >/dev/null && break
    sleep 0.1
  done
}

stop_wine_session() {
  "$WINESERVER" -k >/dev/null 2>&1 || true
}
