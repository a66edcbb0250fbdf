#!/usr/bin/env bash
# Builds the Debian packages, checks them with lintian, installs them, checks what a desktop
# sees of them (version, desktop file, memo file type, the browser's language by locale, the
# server started with its configuration file) and removes them again.
#   tests/package/package_test.sh BUILD-FOLDER
# Installing needs root; otherwise the test is skipped (exit status 77).
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:?build folder}" && pwd)

if [ "$(id -u)" -ne 0 ]; then
  echo "package test skipped: installing packages needs root (CI runs as root)"
  exit 77
fi

fail() { echo "package test FAILED: $*" >&2; exit 1; }
work=$(mktemp -d)
installed=0
cleanup() {
  if [ "$installed" -eq 1 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq -o DPkg::Lock::Timeout=600 \
      marvo marvo-share-server >/dev/null || echo "package test: removing the packages failed" >&2
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# One package test at a time on a machine: they install the same packages.
exec 9>/run/lock/marvo-package-test.lock
flock -w 1800 9 || fail "another package test holds /run/lock/marvo-package-test.lock"
for package in marvo marvo-share-server; do
  if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed'; then
    echo "package test skipped: $package is installed on this machine and is left alone"
    exit 77
  fi
done

echo "== build the packages"
"$source_dir/scripts/package.sh" "$build" >"$work/package.log" 2>&1 || { cat "$work/package.log"; fail "package.sh"; }
version=$(sed -n 's/^project(Marvo VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
browser_deb="$source_dir/dist/marvo_${version}_amd64.deb"
server_deb="$source_dir/dist/marvo-share-server_${version}_amd64.deb"
[ -f "$browser_deb" ] && [ -f "$server_deb" ] || fail "no packages in dist/"
ls -l "$browser_deb" "$server_deb"

echo "== lintian"
lintian --fail-on error "$browser_deb" "$server_deb" 2>&1 | grep -v 'running with root privileges' \
  || [ "${PIPESTATUS[0]}" -eq 0 ] || fail "lintian reports errors"

echo "== install"
installed=1
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=600 \
  "$browser_deb" "$server_deb" >"$work/install.log" 2>&1 || { cat "$work/install.log"; fail "apt-get install"; }

echo "== version, desktop file, metainfo"
[ "$(/usr/bin/marvo --version)" = "marvo $version" ] || fail "marvo --version says '$(/usr/bin/marvo --version)'"
/usr/bin/marvo --help | grep -q '^usage: marvo' || fail "marvo --help"
desktop-file-validate /usr/share/applications/marvo.desktop || fail "desktop-file-validate"
appstreamcli validate --no-net /usr/share/metainfo/org.example.marvo.metainfo.xml >/dev/null \
  || fail "appstreamcli validate"
for page in marvo marvo-memo marvo-share-server; do
  [ -f "/usr/share/man/man1/$page.1.gz" ] || fail "no man page for $page"
done

echo "== memo file type, by name and by leading bytes"
cp "$source_dir/tests/samples/memo-file-two-packages.ame" "$work/memos.ame"
cp "$work/memos.ame" "$work/memos-without-extension"
for file in "$work/memos.ame" "$work/memos-without-extension"; do
  type=$(XDG_CURRENT_DESKTOP=GNOME xdg-mime query filetype "$file")
  [ "$type" = "application/x-marvo-memo" ] || fail "xdg-mime query filetype $file gives '$type'"
done

echo "== the installed browser's language follows the locale"
# Each run starts with an empty data folder; the probe prints the menu bar's titles once the
# first page is painted, then the browser quits.
browser_menus() {
  local home="$work/home-$1"
  mkdir -p "$home"
  env -i PATH="$PATH" HOME="$home" XDG_RUNTIME_DIR="$home" LANG="$1" MARVO_STARTUP_PROBE=1 \
    QTWEBENGINE_DISABLE_SANDBOX=1 \
    timeout 240 "$source_dir/tests/display/run-on-xvfb.sh" /usr/bin/marvo about:blank 2>&1 | grep '^menu: '
}
japanese=$(browser_menus ja_JP.UTF-8) || fail "the browser did not start under ja_JP.UTF-8"
echo "$japanese" | grep -qx 'menu: ファイル(&F)' || fail "no Japanese menu under ja_JP.UTF-8: $japanese"
english=$(browser_menus C.UTF-8) || fail "the browser did not start under C.UTF-8"
echo "$english" | grep -qx 'menu: &File' || fail "no English menu under C.UTF-8: $english"

echo "== the installed server with its configuration file"
# The configuration's own address may be taken on this machine: the command line overrides it.
/usr/bin/marvo-share-server --config /etc/marvo-share-server.conf --listen 127.0.0.1:0 \
  --database "sqlite:$work/share.db" 2>"$work/server.log" &
server=$!
for _ in $(seq 600); do
  grep -q 'listening on 127.0.0.1:' "$work/server.log" && break
  kill -0 "$server" 2>/dev/null || break
  sleep 0.1
done
grep -q 'listening on 127.0.0.1:' "$work/server.log" || { cat "$work/server.log"; fail "server did not start"; }
kill -TERM "$server"
wait "$server" || fail "server did not stop cleanly: $(cat "$work/server.log")"
[ -f /lib/systemd/system/marvo-share-server.service ] || fail "no systemd unit"

echo "== remove"
installed=0
DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq -o DPkg::Lock::Timeout=600 marvo marvo-share-server \
  >"$work/remove.log" 2>&1 || { cat "$work/remove.log"; fail "apt-get purge"; }
for path in /usr/bin/marvo /usr/bin/marvo-share-server /etc/marvo-share-server.conf /usr/share/marvo; do
  [ ! -e "$path" ] || fail "$path is left after removal"
done
echo "== package test passed"
