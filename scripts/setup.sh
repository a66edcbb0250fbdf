#!/usr/bin/env bash
# Installs every Debian package Marvo needs to build, test and run.
# Idempotent: quiet when everything is already present. Works as root or through sudo.
set -euo pipefail

packages=(
  # build tools
  build-essential cmake ninja-build ccache pkg-config clang libclang-rt-14-dev
  # Qt 6 with WebEngine
  qt6-base-dev qt6-base-dev-tools qt6-declarative-dev qt6-webengine-dev qt6-webengine-dev-tools
  libqt6webenginecore6-bin libqt6svg6 qt6-svg-dev qt6-qpa-plugins libgl-dev libxkbcommon-dev
  # Qt's own texts in Japanese (qtbase_ja: standard buttons, edit-field menus, file dialogs)
  qt6-translations-l10n
  # lupdate and lrelease for the English interface (res/translations)
  qt6-l10n-tools qt6-tools-dev
  # image codecs
  libpng-dev libjpeg62-turbo-dev zlib1g-dev
  # settings file, downloader, share server storage and event loop, annotation JSON
  libpugixml-dev libcurl4-openssl-dev libsqlite3-dev libpq-dev libasio-dev nlohmann-json3-dev
  # tests and benchmarks; a PostgreSQL server for the share server's PostgreSQL tests, HAProxy
  # to put two share servers behind one address and stunnel for the TLS front, and redis for
  # the share server benchmark's yardstick
  libgtest-dev libgmock-dev libbenchmark-dev postgresql haproxy stunnel4 redis-server
  # rendering printed PDF files back to pixels in the print tests
  poppler-utils
  # self-signed certificates for the TLS tests (the share server's front, the certificate page)
  openssl
  # Japanese fonts, desktop integration, a display for the browser tests
  fonts-ipafont-gothic fonts-ipafont-mincho xdg-utils xvfb xauth xdotool
  # the Debian packages and their checks: lintian, the desktop file, the metainfo, the memo
  # file type as the desktop sees it (gio)
  dpkg-dev lintian desktop-file-utils appstream shared-mime-info libglib2.0-bin
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1; then
  as_root=(sudo)
else
  echo "setup: these packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
  exit 1
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
