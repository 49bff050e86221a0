# Starts a private Xvfb server for the windows' checks and stops it again on exit.
# Sourced by tests/gui/xvfb_smoke.sh and tools/screenshot.sh.

hosei_xvfb_pid=
hosei_xvfb_dir=

hosei_stop_xvfb() {
  if [ -n "$hosei_xvfb_pid" ]; then
    kill "$hosei_xvfb_pid" 2>/dev/null
    wait "$hosei_xvfb_pid" 2>/dev/null
    hosei_xvfb_pid=
  fi
  [ -n "$hosei_xvfb_dir" ] && rm -rf "$hosei_xvfb_dir"
  return 0
}

# hosei_start_xvfb WIDTHxHEIGHT: exports DISPLAY and the settings of a plain X desktop.
hosei_start_xvfb() {
  local size=${1:-1024x768}
  hosei_xvfb_dir=$(mktemp -d)
  # -displayfd lets the server pick a free display number and tell it once it is ready.
  Xvfb -displayfd 3 -screen 0 "${size}x24" -dpi 96 -nolisten tcp 3>"$hosei_xvfb_dir/display" \
    >"$hosei_xvfb_dir/log" 2>&1 &
  hosei_xvfb_pid=$!
  trap hosei_stop_xvfb EXIT
  local waited=0
  while ! grep -q '[0-9]' "$hosei_xvfb_dir/display" 2>/dev/null; do
    if ! kill -0 "$hosei_xvfb_pid" 2>/dev/null || [ $waited -ge 100 ]; then
      echo "Xvfb did not start:" >&2
      cat "$hosei_xvfb_dir/log" >&2
      return 1
    fi
    sleep 0.1
    waited=$((waited + 1))
  done
  export DISPLAY=":$(tr -dc 0-9 <"$hosei_xvfb_dir/display")"
  export QT_QPA_PLATFORM=xcb
  # Qt's own dialogs, as on a desktop without a platform theme.
  unset QT_QPA_PLATFORMTHEME XDG_CURRENT_DESKTOP WAYLAND_DISPLAY
  export XDG_RUNTIME_DIR="$hosei_xvfb_dir/runtime"
  mkdir -m 700 -p "$XDG_RUNTIME_DIR"
}
