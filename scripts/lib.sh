# Shared by the project's scripts; sourced, not run.

# Installs those of the given Debian packages that are missing: as root, or through sudo.
# Without either it says in one line what to install and how, and fails.
ensure_packages() {
  local missing=() package
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" || missing+=("$package")
  done
  ((${#missing[@]})) || return 0
  local sudo=()
  if [[ $(id -u) -ne 0 ]]; then
    if ! command -v sudo >/dev/null; then
      echo "缺少软件包，请以 root 身份安装：su -c 'apt-get install ${missing[*]}'（Missing packages; as root, install them with the command above.）" >&2
      return 1
    fi
    sudo=(sudo)
  fi
  echo "正在安装（Installing）：${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  # A fresh machine may not know the packages yet.
  "${sudo[@]}" apt-get install -y -q "${missing[@]}" >/dev/null ||
    { "${sudo[@]}" apt-get update -q >/dev/null && "${sudo[@]}" apt-get install -y -q "${missing[@]}" >/dev/null; }
}

# Starts a private Xvfb server and points DISPLAY at it; its process id is left in xvfb_pid.
start_xvfb() {
  local display_file
  display_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" 2>/dev/null &
  xvfb_pid=$!
  # A busy machine can take seconds to bring it up: wait for its number, then for it to
  # answer, up to half a minute each.
  for _ in $(seq 600); do
    [[ -s $display_file ]] && break
    sleep 0.05
  done
  export DISPLAY=":$(cat "$display_file")"
  rm -f "$display_file"
  if command -v xdpyinfo >/dev/null; then
    for _ in $(seq 600); do
      xdpyinfo >/dev/null 2>&1 && break
      sleep 0.05
    done
  fi
}
