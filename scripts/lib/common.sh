# Shared by the scripts in this folder. Source it; it defines functions only.

MURVANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

say() { printf '==> %s\n' "$*" >&2; }

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Debian package -> a file that proves it is installed.
murvane_packages() {
  cat <<'LIST'
cmake /usr/bin/cmake
ninja-build /usr/bin/ninja
g++ /usr/bin/g++
python3 /usr/bin/python3
googletest /usr/src/googletest/CMakeLists.txt
libgtest-dev /usr/include/gtest/gtest.h
libgmock-dev /usr/include/gmock/gmock.h
libbenchmark-dev /usr/include/benchmark/benchmark.h
clang /usr/bin/clang++
libclang-rt-dev /usr/lib/llvm-14/lib/clang/14.0.6/lib/linux/libclang_rt.fuzzer-x86_64.a
g++-mingw-w64-x86-64-posix /usr/bin/x86_64-w64-mingw32-g++-posix
binutils-mingw-w64-x86-64 /usr/bin/x86_64-w64-mingw32-windres
mingw-w64-x86-64-dev /usr/share/mingw-w64/include/windows.h
wine /usr/bin/wine
wine64 /usr/lib/wine/wine64
xvfb /usr/bin/Xvfb
xauth /usr/bin/xauth
xdotool /usr/bin/xdotool
fonts-wine /usr/share/wine/fonts/marlett.ttf
x11-apps /usr/bin/xwd
imagemagick /usr/bin/convert-im6.q16
fonts-vlgothic /usr/share/fonts/truetype/vlgothic/VL-Gothic-Regular.ttf
fonts-wqy-microhei /usr/share/fonts/truetype/wqy/wqy-microhei.ttc
locales /usr/sbin/locale-gen
LIST
}

# Installs whatever is missing, through apt (sudo when not root).
murvane_install_dependencies() {
  local missing=() package proof
  while read -r package proof; do
    [ -e "$proof" ] || missing+=("$package")
  done < <(murvane_packages)
  if [ ${#missing[@]} -gt 0 ]; then
    say "installing: ${missing[*]}"
    as_root env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 update -q
    as_root env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -q --no-install-recommends "${missing[@]}"
  fi
  murvane_ensure_locales
}

murvane_ensure_locales() {
  local wanted=() name
  for name in en_US.UTF-8 ja_JP.UTF-8 zh_CN.UTF-8 zh_TW.UTF-8 ko_KR.UTF-8; do
    locale -a 2>/dev/null | grep -qix "${name/UTF-8/utf8}" || wanted+=("$name")
  done
  if [ ${#wanted[@]} -gt 0 ]; then
    say "generating locales: ${wanted[*]}"
    for name in "${wanted[@]}"; do
      as_root sed -i "s/^# *\(${name} UTF-8\)/\1/" /etc/locale.gen
      grep -q "^${name} UTF-8" /etc/locale.gen || echo "${name} UTF-8" | as_root tee -a /etc/locale.gen >/dev/null
    done
    as_root locale-gen >/dev/null
  fi
}

# A private Wine prefix, made once. Without a window manager Wine must not
# wait for one (Managed=N), must take the X focus itself (UseTakeFocus=N),
# and has no sound to find. Wine draws the caption buttons with Marlett, which
# it finds only in the prefix's own Fonts folder; without it the buttons show
# as the letters "0 1 r". Bump the version when the recipe changes, so that
# an older prefix is made again.
murvane_wine_prefix_version=2
murvane_wine_prefix() {
  export WINEPREFIX=${MURVANE_WINEPREFIX:-$MURVANE_ROOT/build/wine-prefix}
  export WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES="mscoree,mshtml="
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ "$(cat "$WINEPREFIX/.murvane-ready" 2>/dev/null)" != "$murvane_wine_prefix_version" ]; then
      say "creating Wine prefix $WINEPREFIX"
      rm -rf "$WINEPREFIX"
      env -u DISPLAY wineboot -i >/dev/null 2>&1
      local reg
      reg=$(mktemp --suffix=.reg)
      cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
      printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\n"Managed"="N"\n"UseTakeFocus"="N"\n"Decorated"="Y"\n\n[HKEY_CURRENT_USER\\Software\\Wine\\Drivers]\n"Audio"=""\n\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts]\n"Marlett (TrueType)"="marlett.ttf"\n\n' > "$reg"
      env -u DISPLAY wine regedit "$reg" >/dev/null 2>&1
      rm -f "$reg"
      env -u DISPLAY wineserver -w
      echo "$murvane_wine_prefix_version" > "$WINEPREFIX/.murvane-ready"
    fi
  ) 9>"$(dirname "$WINEPREFIX")/.wine-prefix.lock"
}

# The screenshots' own prefix: the test prefix plus font links, so that a
# name in a script the interface language's font lacks (a Japanese track
# name in the English window) is drawn from a font that has it, as Windows
# draws it, instead of as boxes. The tests keep the plain prefix: what they
# measure must not depend on fonts they do not install.
murvane_screenshot_prefix() {
  MURVANE_WINEPREFIX=${MURVANE_SCREENSHOT_WINEPREFIX:-$MURVANE_ROOT/build/wine-prefix-screenshots} murvane_wine_prefix
  [ -f "$WINEPREFIX/.murvane-font-links" ] && return 0
  local key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
  local fallback='VL-Gothic-Regular.ttf,VL Gothic\0wqy-microhei.ttc,WenQuanYi Micro Hei'
  # Each face lists itself first, so that its own letters stay its own.
  env -u DISPLAY wine reg add "$key" /v Tahoma /t REG_MULTI_SZ /d "tahoma.ttf,Tahoma\0$fallback" /f >/dev/null 2>&1
  env -u DISPLAY wine reg add "$key" /v System /t REG_MULTI_SZ /d "system.ttf,System\0$fallback" /f >/dev/null 2>&1
  env -u DISPLAY wineserver -w
  touch "$WINEPREFIX/.murvane-font-links"
}

# Starts a wineserver that stays up between processes, so the first test does
# not inherit the caller's pipes and every test exe starts fast.
murvane_wineserver_start() {
  # -p fails when a persistent server is already up, which is fine.
  wineserver -p >/dev/null 2>&1 || true
  wine cmd /c exit >/dev/null 2>&1 </dev/null || true
}

murvane_wineserver_stop() {
  wineserver -k >/dev/null 2>&1 || true
}

# Starts Xvfb on the first free display and exports DISPLAY.
# Sets MURVANE_XVFB_PID. Size: MURVANE_SCREEN (default 1280x1024x24).
murvane_xvfb_start() {
  local display=90
  while [ -e "/tmp/.X${display}-lock" ] || [ -e "/tmp/.X11-unix/X${display}" ]; do
    display=$((display + 1))
  done
  Xvfb ":${display}" -screen 0 "${MURVANE_SCREEN:-1280x1024x24}" -nolisten tcp -ac >/dev/null 2>&1 &
  MURVANE_XVFB_PID=$!
  local tries=0
  while [ ! -e "/tmp/.X11-unix/X${display}" ]; do
    tries=$((tries + 1))
    if [ $tries -gt 100 ] || ! kill -0 "$MURVANE_XVFB_PID" 2>/dev/null; then
      say "Xvfb did not start on :${display}"
      return 1
    fi
    sleep 0.1
  done
  export DISPLAY=":${display}"
}

murvane_xvfb_stop() {
  if [ -n "${MURVANE_XVFB_PID:-}" ]; then
    kill "$MURVANE_XVFB_PID" 2>/dev/null || true
    wait "$MURVANE_XVFB_PID" 2>/dev/null || true
    MURVANE_XVFB_PID=
  fi
}
