#!/usr/bin/env bash
# Installs the Debian packages the project needs that are missing, with apt-get, as root or
# through sudo.
#   tools/install-packages.sh        what the build, the tests, the demo and the window need
#   tools/install-packages.sh fuzz   that and clang with libFuzzer, for bench/fuzz.sh
#   tools/install-packages.sh format that and clang-format, for ./run.sh format
#   tools/install-packages.sh package that and the tools that build and check the Debian package,
#                                     for ./run.sh package
set -euo pipefail

PACKAGES=(
  g++ cmake ninja-build pkg-config
  libsqlite3-dev sqlite3 libicu-dev libcli11-dev libcurl4-openssl-dev nlohmann-json3-dev
  libgsf-1-dev libzip-dev zlib1g-dev libshp-dev mdbtools mdbtools-dev
  libgtest-dev libgmock-dev libxlsxwriter-dev
  unixodbc unixodbc-dev odbc-postgresql tdsodbc postgresql
  qt6-base-dev qt6-translations-l10n xvfb xauth fonts-dejavu-core
)

[ "${1:-}" = fuzz ] && PACKAGES+=(clang libclang-rt-14-dev)
[ "${1:-}" = format ] && PACKAGES+=(clang-format)
[ "${1:-}" = package ] && PACKAGES+=(dpkg-dev file desktop-file-utils appstream lintian bash-completion man-db)

missing=()
for package in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installiere fehlende Pakete: ${missing[*]}"
sudo=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "Bitte als root ausführen oder sudo einrichten." >&2; exit 1; }
  sudo=(sudo)
fi
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
