#!/usr/bin/env bash
# Installs the Debian 12 packages Velloran needs to build, run, package and test, when any is missing. With --tests
# also what only the tests need: a PostgreSQL server, which they start privately.
set -euo pipefail
packages=(
    cmake g++ ninja-build ccache
    qt6-base-dev qt6-base-dev-tools libqt6svg6 qt6-svg-dev libqt6sql6-sqlite qt6-translations-l10n
    libjpeg62-turbo-dev libarchive-dev libicu-dev libsqlite3-dev fonts-arphic-uming
    libsodium-dev pkg-config libqrencode-dev zbar-tools poppler-utils libpq-dev libqt6sql6-psql
    xvfb xauth sqlite3 xdotool x11-xserver-utils imagemagick
    dpkg-dev file lintian desktop-file-utils appstream
)
[ "${1:-}" = "--tests" ] && packages+=(postgresql-15)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get update -q
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
