#!/bin/sh
# A parent's own install, as install-user makes it from the build's files, in a home folder
# whose name holds a space, %, &, $ and a quote: the launcher starts the program from there;
# installing again keeps edited lessons; removing leaves a ~/.local/bin/mulo that is not
# mulo's, and the lessons.
#   tst_installuser.sh BUILD_DIR WORK
set -eu
build=$1 work=$2
rm -rf "$work"
mkdir -p "$work/stage"
cmake --install "$build" --prefix "$work/stage" >/dev/null
home="$work/home 100% & \$1 \"q\""
mkdir -p "$home"
run() { env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 "$work/stage/opt/mulo/install-user" "$@"; }
fail() { echo "install-user: $*" >&2; exit 1; }

run >/dev/null
lessons="$home/.local/lib/mulo/test.txt"
launcher=$(ls "$home"/.local/share/applications/*.desktop)
# The launcher's Exec line, read back as a desktop reads it (quotes, \\ and %% undone), is
# the program's path.
exec_line=$(sed -n 's/^Exec=//p' "$launcher")
printf '%s' "$exec_line" | grep -q '%%' || fail "a % in the home folder's name is not doubled: $exec_line"
program=$(printf '%s' "$exec_line" | sed 's/^"//; s/"$//; s/%%/%/g; s/\\\\\\\\/\\\\/g; s/\\\\\([\\"`$]\)/\1/g')
[ "$program" = "$home/.local/lib/mulo/mulo" ] || fail "the launcher starts $program"
[ -x "$program" ] || fail "no program where the launcher looks"

printf '一二三四\n' >"$lessons"
run >/dev/null
[ "$(cat "$lessons")" = "一二三四" ] || fail "installing again replaced the edited lessons"

rm "$home/.local/bin/mulo"
printf '#!/bin/sh\n' >"$home/.local/bin/mulo"
run --remove >/dev/null
[ "$(cat "$home/.local/bin/mulo")" = "#!/bin/sh" ] || fail "removing took a ~/.local/bin/mulo that is not mulo's"
[ "$(cat "$lessons")" = "一二三四" ] || fail "removing took the lessons"
[ ! -e "$home/.local/lib/mulo/mulo" ] || fail "removing left the program"
rm -rf "$work"
echo "install-user: installed, reinstalled and removed in a home folder with a % in its name"
