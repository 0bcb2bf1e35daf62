#!/usr/bin/env bash
# Build and run the Importassistent on a Debian 12 machine.
#
#   ./run.sh demo    install what is missing, build, create the demo environment in ./demo-env
#                    and run the main job on the demo company
#   ./run.sh test    install what is missing, build with warnings as errors, run every test
#                    (against the file company and a throwaway PostgreSQL server company)
#   ./run.sh sanitize  install what is missing, build with AddressSanitizer and
#                    UndefinedBehaviorSanitizer (build/sanitize) and run every test under them
#   ./run.sh tsan    install what is missing, build the tests of the engine, the Access reader and
#                    the window with ThreadSanitizer (build/tsan) and run them under it
#   ./run.sh format  format every C++ file with clang-format; --check only lists what it would change
#   ./run.sh build   install what is missing and build only
#   ./run.sh package install what is missing, build, make the Debian package
#                    build/release/importassistent_<version>_<arch>.deb and check it with
#                    tests/package/test-package.sh and lintian
#   ./run.sh gui     build and open the window on the demo company (./demo-env, made if missing)
#   ./run.sh screenshots  take the pictures in docs/screenshots under a virtual X server
#
# Missing Debian packages are installed as root or through sudo.
set -euo pipefail
cd "$(dirname "$0")"

install_missing() { tools/install-packages.sh "$@"; }

build() {
  cmake --preset release >/dev/null
  cmake --build --preset release
}

CLI=build/release/bin/importassistent-cli
WINDOW=build/release/bin/importassistent
DEMO_DIR=demo-env

case "${1:-}" in
  demo)
    install_missing
    build
    "$CLI" demo --dir "$DEMO_DIR" --replace
    samples="$DEMO_DIR/Beispieldaten"
    import() { # KIND FILE [OPTIONS...]
      local kind=$1 file=$2
      shift 2
      echo
      echo "== Import $file als \"$kind\" =="
      "$CLI" --program-dir "$DEMO_DIR" import --kind "$kind" --file "$samples/$file" "$@" || true
    }
    import Kunden Kunden.csv --no-autonumber
    import Lieferanten Lieferanten.csv --no-autonumber --search-name-mode 2
    import Artikel Artikel.csv --no-autonumber
    import "Lieferanten zum Artikel" Artikellieferanten.csv
    import Lagerorte Lagerorte.csv
    import Warenbestände Lagerbestand.csv
    import "Artikel (Kundentyp-Preise)" Kundentyp-Preise.csv
    import "Artikel (Webshop)" Webshop.csv
    import "DATEV: Kontenrahmen" Kontenrahmen.csv
    # The same articles once more from Excel and dBase: synchronised, so they are updated.
    import Artikel Artikel.xlsx --sync
    import Artikel Artikel.dbf --sync
    echo
    echo "== Die Demo-Firma nach dem Import =="
    "$CLI" --program-dir "$DEMO_DIR" company
    ;;
  test)
    install_missing
    build
    # The server company's tests run against a throwaway PostgreSQL on the loopback interface.
    eval "$(tests/server/postgres.sh start)"
    trap 'tests/server/postgres.sh stop' EXIT
    ctest --preset release
    ;;
  sanitize)
    install_missing
    cmake --preset sanitize >/dev/null
    cmake --build --preset sanitize
    eval "$(tests/server/postgres.sh start)"
    trap 'tests/server/postgres.sh stop' EXIT
    ctest --preset sanitize
    ;;
  tsan)
    install_missing
    cmake --preset tsan >/dev/null
    cmake --build --preset tsan
    eval "$(tests/server/postgres.sh start)"
    trap 'tests/server/postgres.sh stop' EXIT
    ctest --preset tsan
    ;;
  format)
    install_missing format
    mode=(-i)
    [ "${2:-}" = --check ] && mode=(--dry-run -Werror)
    find src tests bench \( -name '*.cpp' -o -name '*.h' \) -print0 | xargs -0 clang-format "${mode[@]}"
    ;;
  build)
    install_missing
    build
    ;;
  package)
    install_missing package
    build
    (cd build/release && cpack -G DEB)
    version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' build/release/CPackConfig.cmake)
    deb=build/release/importassistent_${version}_$(dpkg --print-architecture).deb
    tests/package/test-package.sh "$deb"
    lintian --fail-on error "$deb"
    ;;
  gui)
    install_missing
    build
    [ -f "$DEMO_DIR/velra.var" ] || "$CLI" demo --dir "$DEMO_DIR"
    if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
      echo "Kein Bildschirm gefunden (DISPLAY ist nicht gesetzt). Bilder aller Schritte: ./run.sh screenshots" >&2
      exit 1
    fi
    "$WINDOW" --program-dir "$DEMO_DIR"
    ;;
  screenshots)
    install_missing
    build
    mkdir -p docs/screenshots
    # Every step on a small screen; the window at scale 2 on a large one.
    xvfb-run -a -s "-screen 0 1024x768x24" env QT_QPA_PLATFORM=xcb \
      VELRA_SCREENSHOT_DIR="$PWD/docs/screenshots" build/release/bin/gui-window-tests \
      --gtest_filter='*Screenshots:*NeverHide*:*FitsTheScreen'
    xvfb-run -a -s "-screen 0 1920x1080x24" env QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=2 \
      VELRA_SCREENSHOT_DIR="$PWD/docs/screenshots" build/release/bin/gui-window-tests \
      --gtest_filter='*FitsTheScreen'
    ;;
  *)
    sed -n '2,20p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
    ;;
esac
