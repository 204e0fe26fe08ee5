#!/usr/bin/env bash
# Installs into a DESTDIR under a prefix other than the configured one and runs
# the installed programs as an ordinary user with an empty home: the first start
# of setvyn, its help, a configuration imported and exported (the driver), the
# passport of that configuration via the installed vyntool against the installed
# vynsim. Nothing may be written under the prefix.
# Usage: installed_program.sh BUILD_DIR DRIVER
set -euo pipefail
build=$1
driver=$2

work=$(mktemp -d /tmp/setvyn-installed.XXXXXX)
sim_pid=
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
chmod 755 "$work"

stage=$work/stage
prefix=/opt/setvyn
DESTDIR=$stage cmake --install "$build" --prefix "$prefix" >"$work/install.log"
root=$stage$prefix
for f in bin/setvyn bin/VynData bin/vyntool bin/vynsim share/setvyn/conf.dat share/setvyn/rash.spe \
         share/setvyn/VynDocumentStyle.css share/setvyn/help/setvyn.html \
         share/doc/setvyn/sample-config.json; do
  [ -e "$root/$f" ] || { echo "not installed: $f" >&2; exit 1; }
done

snapshot() { (cd "$root" && find . -printf '%p %s %T@ %m\n' | LC_ALL=C sort); }
snapshot >"$work/before"

home=$work/home
mkdir -p "$home"
# The build tree may be closed to the user (a root's home in CI).
cp "$driver" "$work/driver"
driver=$work/driver
run_as=()
if [ "$(id -u)" -eq 0 ]; then
  # An ordinary user: root could write under any prefix and hide the fault.
  if ! id nobody >/dev/null 2>&1 || ! command -v setpriv >/dev/null; then
    echo "SKIP: running as root without the user nobody or setpriv to drop to" >&2
    exit 77
  fi
  chown "$(id -u nobody):$(id -g nobody)" "$home"
  run_as=(setpriv --reuid="$(id -u nobody)" --regid="$(id -g nobody)" --clear-groups)
fi
[ -z "$(ls -A "$home")" ] || { echo "home not empty" >&2; exit 1; }
if [ ${#run_as[@]} -gt 0 ] && "${run_as[@]}" test -w "$root/bin"; then
  echo "SKIP: the user can write under the prefix" >&2
  exit 77
fi
user_env=(env -i HOME="$home" PATH="$root/bin:/usr/bin:/bin" LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen)
# Started from the desktop menu, a program runs in the home directory.
as_user() { (cd "$home" && "${run_as[@]}" "${user_env[@]}" "$@"); }

user_dir=$home/.local/share/setvyn

# First start: the program stays up (no message stopped it) and makes its files
# in the user's directory; the product data stays where it was installed.
set +e
as_user timeout 8 "$root/bin/setvyn" >"$work/setvyn.out" 2>&1
rc=$?
set -e
if [ "$rc" -ne 124 ]; then
  echo "installed setvyn ended by itself (exit $rc):" >&2
  cat "$work/setvyn.out" >&2
  exit 1
fi
for f in setvyn.ini hist.ini; do
  [ -f "$user_dir/$f" ] || { echo "first start made no $user_dir/$f" >&2; ls -la "$user_dir" >&2 || true; exit 1; }
done
# The configuration database: in the user's directory, and the settings say so.
[ -f "$user_dir/MXVynBase.sqlite" ] ||
  { echo "first start made no $user_dir/MXVynBase.sqlite" >&2; find "$home" -name 'MXVynBase*' >&2; exit 1; }
grep -q "^BaseName=$user_dir/MXVynBase.sqlite" "$user_dir/setvyn.ini" ||
  { echo "BaseName is not the opened database" >&2; cat "$user_dir/setvyn.ini" >&2; exit 1; }
grep -q '^FirstStart=first' "$user_dir/setvyn.ini" || { echo "not a first start" >&2; exit 1; }
grep -q "^Prg=$root/share/setvyn/prg.vyn" "$user_dir/setvyn.ini" ||
  { echo "Prg does not name the installed programmer file" >&2; cat "$user_dir/setvyn.ini" >&2; exit 1; }
for f in conf.dat rash.spe prg.vyn help; do
  [ ! -e "$user_dir/$f" ] || { echo "product data copied into the user's directory: $f" >&2; exit 1; }
done

# The windows: F1, import and export through the "Файл" menu.
exported=$home/exported.json
as_user SETVYN_INSTALLED_BIN="$root/bin" SETVYN_EXPORTED_CONFIG="$exported" \
  SETVYN_SAMPLE_CONFIG="$root/share/doc/setvyn/sample-config.json" "$driver"

# The passport of the exported configuration via the installed tools.
serial=$(sed -n 's/.*"SNUM": "\([0-9]*\)".*/\1/p' "$exported")
[ -n "$serial" ] || { echo "no serial in the exported file" >&2; exit 1; }
as_user vynsim --generation 04 --serial "$serial" --idle-exit 60 >"$work/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 50); do
  port=$(head -n1 "$work/sim.out" 2>/dev/null || true)
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { echo "vynsim printed no port" >&2; exit 1; }
as_user vyntool passport --config "$exported" --port "$port" --fast --defaults \
  --pdf "$home/passport.pdf"
[ "$(head -c 5 "$home/passport.pdf")" = "%PDF-" ] || { echo "no PDF written" >&2; exit 1; }
if command -v pdftotext >/dev/null; then
  pdftotext "$home/passport.pdf" "$work/passport.txt"
  grep -q "зав. № $serial" "$work/passport.txt" || { echo "the passport lacks $serial" >&2; exit 1; }
fi
[ -f "$user_dir/DBRepData.sqlite" ] || { echo "no document database in the user's directory" >&2; exit 1; }
kill "$sim_pid" 2>/dev/null || true
wait "$sim_pid" 2>/dev/null || true
sim_pid=

snapshot >"$work/after"
if ! diff -u "$work/before" "$work/after" >&2; then
  echo "the programs wrote under the prefix" >&2
  exit 1
fi
echo "installed program: first start, help, import, export and passport in $user_dir"
