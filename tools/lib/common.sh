# Shared by tools/run, tools/test and tools/wtest: packages, the build and
# the Wine session (a private prefix, one persistent wineserver, an Xvfb).

ZV_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
ZV_WINE=/usr/lib/wine/wine64
# The face that the prefix puts in place of "MS UI Gothic" (see
# zv_session_start); set it empty to see the windows without a substitute.
ZV_DIALOG_FONT=${ZV_DIALOG_FONT-"Liberation Sans Narrow"}
ZV_PACKAGES=(cmake make g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-tools libwine-dev
             wine wine64 fonts-wine fonts-liberation xvfb googletest x11-utils imagemagick groff)

zv_log() { echo "[zavetra] $*" >&2; }

# Installs whatever of the package list is missing (apt-get update first).
zv_install() {
  local missing=()
  for p in "${ZV_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  zv_log "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q >/dev/null
  apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
}

# zv_build <arch> [targets...]: configures and builds build/<arch>.
zv_build() {
  local arch=$1; shift
  local dir="$ZV_ROOT/build/$arch"
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$ZV_ROOT" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$ZV_ROOT/cmake/toolchain-$arch.cmake" >/dev/null
  fi
  local targets=()
  for t in "$@"; do targets+=(--target "$t"); done
  cmake --build "$dir" -j "$(nproc)" "${targets[@]}"
}

# Starts the Wine session unless one is running (ZV_SESSION set).  Exports
# WINEPREFIX, DISPLAY and the ids that zv_session_stop needs.
zv_session_start() {
  [ -n "${ZV_SESSION:-}" ] && return 0
  export WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  export ZV_SESSION_DIR=$(mktemp -d /tmp/zavetra-session.XXXXXX)
  export WINEPREFIX=${ZV_PREFIX:-$ZV_SESSION_DIR/prefix}
  if [ -z "${ZV_KEEP_DISPLAY:-}" ] || [ -z "${DISPLAY:-}" ]; then
    # Xvfb picks a free display itself, so parallel sessions never collide.
    exec 7>"$ZV_SESSION_DIR/display"
    Xvfb -displayfd 7 -screen 0 1280x1024x24 -nolisten tcp >"$ZV_SESSION_DIR/xvfb.log" 2>&1 &
    export ZV_XVFB_PID=$!
    exec 7>&-
    for _ in $(seq 100); do [ -s "$ZV_SESSION_DIR/display" ] && break; sleep 0.1; done
    export DISPLAY=:$(head -n1 "$ZV_SESSION_DIR/display")
  fi
  # The prefix is made by wineboot with the server it starts itself (a
  # persistent server started on an empty prefix sets it up wrongly); then
  # one persistent server serves the whole session.
  "$ZV_WINE" wineboot -i >/dev/null 2>&1
  /usr/lib/wine/wineserver -w
  /usr/lib/wine/wineserver -p
  export ZV_WINESERVER_PID=$(zv_wineserver_pid)
  # Start the system processes (services, rpcss, ...) here, detached from
  # any pipe: started by a test they would inherit ctest's output pipe and
  # keep ctest waiting after the test has ended.
  "$ZV_WINE" wineboot </dev/null >/dev/null 2>&1
  # Wine has no "MS UI Gothic", the font of the main form and the default
  # font of the tree windows; its fallback is wider and taller and cuts the
  # form's labels.  Liberation Sans Narrow (fonts-liberation) has widths that
  # fit the dialogs as they are laid out.
  if [ -n "$ZV_DIALOG_FONT" ]; then
    "$ZV_WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
      /v 'MS UI Gothic' /d "$ZV_DIALOG_FONT" /f </dev/null >/dev/null 2>&1
  fi
  # On our own Xvfb no window manager runs, and Wine waits two seconds for
  # one each time a managed window is hidden: leave the windows unmanaged.
  if [ -n "${ZV_XVFB_PID:-}" ]; then
    "$ZV_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
  fi
  export ZV_SESSION=1
  zv_log "wine session: WINEPREFIX=$WINEPREFIX DISPLAY=$DISPLAY"
}

# The persistent wineserver of this session's prefix.
zv_wineserver_pid() {
  local p
  for p in $(pgrep -f "wineserver64 -p" || true); do
    if tr '\0' '\n' </proc/$p/environ 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then
      echo "$p"; return 0
    fi
  done
}

zv_session_stop() {
  [ -n "${ZV_SESSION_DIR:-}" ] || return 0
  WINEPREFIX=$WINEPREFIX /usr/lib/wine/wineserver -k 2>/dev/null || true
  [ -n "${ZV_WINESERVER_PID:-}" ] && kill "$ZV_WINESERVER_PID" 2>/dev/null || true
  [ -n "${ZV_XVFB_PID:-}" ] && kill "$ZV_XVFB_PID" 2>/dev/null || true
  [ -z "${ZV_PREFIX:-}" ] && rm -rf "$ZV_SESSION_DIR"
  unset ZV_SESSION ZV_SESSION_DIR
}
