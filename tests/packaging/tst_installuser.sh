#!/bin/sh
# A parent's own install, as install-user makes it from the build's files, in a home folder
# whose name holds a space, %, &, $ and quotes: it speaks Chinese first, and the line it
# gives for checking the readings works when pasted; the launcher starts the program from
# there; installing again keeps edited lessons; removing, with the files it was installed
# from gone and without building anything, leaves a ~/.local/bin/mulo that is not mulo's,
# and the lessons.
#   tst_installuser.sh BUILD_DIR SOURCE_DIR WORK
set -eu
build=$1 source=$2 work=$3
rm -rf "$work"
mkdir -p "$work/stage" "$work/no-build" "$work/scripts"
cmake --install "$build" --prefix "$work/stage" >/dev/null
home="$work/home 100% & \$1 \"q\" 'p'"
mkdir -p "$home"
# Removing builds nothing: a cmake or ninja run would leave a mark.
for tool in cmake ninja; do
  printf '#!/bin/sh\necho "$0" >>"%s/built"\n' "$work" >"$work/no-build/$tool"
  chmod +x "$work/no-build/$tool"
done
as_parent() { (cd "$home" && env -i HOME="$home" PATH="$work/no-build:/usr/bin:/bin" LANG=C.UTF-8 "$@"); }
run() { as_parent "$work/stage/opt/mulo/install-user"; }
fail() { echo "install-user: $*" >&2; exit 1; }

run >"$work/said"
head -n 1 "$work/said" | LC_ALL=C grep -q "$(printf '[\200-\377]')" || fail "the first line is not Chinese: $(head -n 1 "$work/said")"
lessons="$home/.local/lib/mulo/test.txt"
printf '长大成人\n' >"$lessons"
# The line for checking the readings, pasted into a shell as it was printed.
readings=$(grep -m 1 'mulo-readings' "$work/said") || fail "no line that shows how lessons are read"
as_parent sh -c "$readings" >"$work/readings" 2>&1 || fail "the line it printed does not run: $readings"
grep -q '第1课  题目：长大成人  读作：zhǎng dà chéng rén' "$work/readings" || fail "the printed line reads: $(cat "$work/readings")"

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
as_parent "$home/.local/lib/mulo/install-user" 2>&1 | grep -q -- '--remove' || fail "the installed copy does not say it only removes"

# scripts/install-user --remove, its source folder without anything to build from.
cp "$source/scripts/install-user" "$work/scripts/"
rm "$home/.local/bin/mulo"
printf '#!/bin/sh\n' >"$home/.local/bin/mulo"
as_parent "$work/scripts/install-user" --remove >/dev/null
[ "$(cat "$home/.local/bin/mulo")" = "#!/bin/sh" ] || fail "removing took a ~/.local/bin/mulo that is not mulo's"
[ ! -e "$home/.local/lib/mulo/mulo" ] || fail "removing left the program"
rm "$home/.local/bin/mulo"

# The installed remover, with the files it was installed from gone: only the lessons stay.
run >/dev/null
rm -rf "$work/stage"
as_parent "$home/.local/lib/mulo/install-user" --remove >/dev/null
[ "$(cat "$lessons")" = "一二三四" ] || fail "removing took the lessons"
left=$(cd "$home" && find . ! -type d ! -name mimeinfo.cache ! -path ./.local/lib/mulo/test.txt)
[ -z "$left" ] || fail "removing left $left"
[ ! -e "$work/built" ] || fail "removing ran $(cat "$work/built")"
rm -rf "$work"
echo "install-user: installed, reinstalled and removed in a home folder with a % in its name"
