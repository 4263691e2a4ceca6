# The real program answering a drill, for the benches that listen to it: sourced with
# root, build_dir, program and work set. start_drill runs one program under a private Xvfb
# server, beside its voice and the sample lessons, speaking into $work/answer.wav through
# ALSA's file device; speak ANSWER pastes an answer into the question box (typed keys can
# arrive as the character typed before), speaks it with Alt+A and waits for the WAV to be
# whole.

start_drill() {
  start_xvfb
  export HOME=$work QT_QPA_PLATFORM=xcb
  cp "$program" "$work/mulo"
  [[ -f $(dirname "$program")/mulo-mandarin.voice ]] && cp "$(dirname "$program")/mulo-mandarin.voice" "$work/"
  cp "$root/assets/test.txt" "$work/test.txt"
  printf 'pcm.!default { type file; slave.pcm "null"; file "%s"; format "wav" }\n' "$work/answer.wav" >"$work/.asoundrc"
  "$work/mulo" >/dev/null 2>&1 &
  app_pid=$!
  window=$(timeout 20 xdotool search --sync --onlyvisible --pid "$app_pid" | head -1)
  [[ -n $window ]] || { echo "the program showed no window" >&2; exit 1; }
}

speak() {
  local size previous=-1
  rm -f "$work/answer.wav"
  printf %s "$1" | xclip -selection clipboard >/dev/null 2>&1
  xdotool windowfocus --sync "$window" key ctrl+a ctrl+v alt+a
  for _ in $(seq 100); do
    size=$(stat -c %s "$work/answer.wav" 2>/dev/null || echo 0)
    [[ $size -gt 1000 && $size == "$previous" ]] && break
    previous=$size
    sleep 0.1
  done
}
