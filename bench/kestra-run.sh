# Shared by the benchmark scripts that run Kestra against mirabo-logd on a display of their own:
# sourced, not run. The caller sets `root`, `bin` and `work` and keeps `pids` (ended by its cleanup).

cpu_ticks() { awk '{ s = $0; sub(/^.*\) /, "", s); split(s, f, " "); print f[12] + f[13] }' "/proc/$1/stat"; }
hz="$(getconf CLK_TCK)"

# Installs what the benchmarks need when it is missing (apt-get, as root or with sudo).
bench_need() { # package...
  local need=()
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || need+=("$pkg")
  done
  [ ${#need[@]} -eq 0 ] && return 0
  echo "Installing ${need[*]}"
  local sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -qq >/dev/null
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${need[@]}" >/dev/null
}

# A virtual display of its own; sets DISPLAY.
bench_display() {
  local display=""
  for n in $(seq 90 130); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { display=":$n"; break; }
  done
  Xvfb "$display" -screen 0 1920x1200x24 -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  export DISPLAY="$display"
  for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
}

# mirabo-logd on a copy of the demo project in DIR, fed through DIR/inject.fifo; sets logd and port.
bench_station() { # dir [extra mirabo-logd options...]
  local dir="$1"
  shift
  cp -r "$root/service/demo" "$dir/project"
  mkfifo "$dir/inject.fifo"
  "$bin/mirabo-logd" --project "$dir/project" --listen 127.0.0.1:0 --inject "$dir/inject.fifo" --no-stdin \
    --sim-interval 0 "$@" 2>"$dir/logd.log" &
  logd=$!
  pids+=($logd)
  port=""
  for _ in $(seq 100); do
    port="$(sed -n 's/.*listening on [^ ]*:\([0-9][0-9]*\).*/\1/p' "$dir/logd.log" | head -n 1)"
    [ -n "$port" ] && break
    sleep 0.1
  done
  [ -n "$port" ] || { echo "mirabo-logd did not come up" >&2; cat "$dir/logd.log" >&2; return 1; }
}

# Kestra on that station with its settings in DIR/home: the daily log on, the window 1600x1000; sets
# kestra and window. Files in DIR/settings/ (Highlight.ini, ...) go to the per-user settings folder.
bench_kestra() { # dir
  local dir="$1" user="$1/home/data/Mirabo v6.1"
  mkdir -p "$user" "$dir/runtime"
  chmod 700 "$dir/runtime"
  printf '[LogOnDisk]\nType=1\n[Window]\nLength=44\nFlags=0\nShowCmd=1\nRcNormalPosition.Left=0\nRcNormalPosition.Right=1600\nRcNormalPosition.Top=0\nRcNormalPosition.Bottom=1000\n' \
    >"$user/KestraExt.ini"
  [ -d "$dir/settings" ] && cp "$dir/settings/"* "$user/"
  HOME="$dir/home" XDG_DATA_HOME="$dir/home/data" XDG_CONFIG_HOME="$dir/home/config" \
    XDG_RUNTIME_DIR="$dir/runtime" LC_ALL=C "$bin/kestra" "/dsport:$port" >"$dir/kestra.log" 2>&1 &
  kestra=$!
  pids+=($kestra)
  window=""
  for _ in $(seq 200); do
    window="$(xdotool search --name '^Kestra: <LOCAL> - $' 2>/dev/null | head -n 1 || true)"
    [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || { echo "kestra did not come up" >&2; cat "$dir/kestra.log" >&2; return 1; }
  sleep 2
}

# Ends the Kestra and the station of the last bench_kestra and bench_station.
bench_stop() {
  kill "$kestra" "$logd" 2>/dev/null || true
  wait "$kestra" "$logd" 2>/dev/null || true
}
