#!/usr/bin/env bash
# Checks the Debian package as a user would get it: unpacked into a folder of its own, its
# programs run from there, its desktop files and manual pages are valid and its manual pages and
# shell completion name every option the programs know.
#
#   tests/package/test-package.sh build/release/importassistent_<version>_amd64.deb
set -euo pipefail

deb=$(realpath "$1")
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
version=$(dpkg-deb -f "$deb" Version)
cli=$root/usr/bin/importassistent-cli
failures=0

fail() {
  echo "FEHLER: $*" >&2
  failures=$((failures + 1))
}
expect_equal() { # WHAT ACTUAL EXPECTED
  [ "$2" = "$3" ] || fail "$1: '$2' statt '$3'"
}

echo "== Dateien"
for file in usr/bin/importassistent usr/bin/importassistent-cli \
  usr/share/applications/importassistent.desktop \
  usr/share/icons/hicolor/scalable/apps/importassistent.svg \
  usr/share/metainfo/de.velra.importassistent.metainfo.xml \
  usr/share/man/man1/importassistent.1.gz usr/share/man/man1/importassistent-cli.1.gz \
  usr/share/bash-completion/completions/importassistent-cli \
  usr/share/doc/importassistent/copyright usr/share/doc/importassistent/changelog.gz; do
  [ -f "$root/$file" ] || fail "$file fehlt im Paket"
done

echo "== Die Programme aus dem Paket"
expect_equal "importassistent-cli --version" "$("$cli" --version)" "importassistent-cli $version"
expect_equal "importassistent --version" "$("$root/usr/bin/importassistent" --version)" \
  "importassistent $version"
help=$("$cli" --help)
grep -q '^Aufruf:' <<<"$help" || fail "--help ohne 'Aufruf:'"
! grep -qiE 'usage|subcommand|print this help' <<<"$help" || fail "--help mit englischen Wörtern"
"$cli" demo --dir "$root/demo" >/dev/null || fail "demo --dir endet mit $?"
"$cli" --program-dir "$root/demo" companies | grep -q '^Musterfirma' ||
  fail "companies nennt die Demo-Firma nicht"

echo "== Menüeintrag und AppStream"
desktop-file-validate "$root/usr/share/applications/importassistent.desktop" || fail "desktop-file-validate"
metainfo=$root/usr/share/metainfo/de.velra.importassistent.metainfo.xml
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
newest=$(grep -o '<release version="[^"]*"' "$metainfo" | head -1 | cut -d'"' -f2)
expect_equal "Neueste Ausgabe in den AppStream-Daten" "$newest" "$version"

# The options COMMAND's --help lists, one a line.
options_of() {
  "$cli" "$@" --help | grep -oE '^ +(-h,)?--[a-z-]+' | sed 's/^ *\(-h,\)\{0,1\}//' | sort -u
}

echo "== Handbuchseiten"
for page in importassistent importassistent-cli; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$page(1): $warnings"
done
manual=$(zcat "$root/usr/share/man/man1/importassistent-cli.1.gz" | sed 's/\\-/-/g')
for command in "" demo companies company preview fields import; do
  for option in $(options_of $command); do
    grep -qe "$option" <<<"$manual" || fail "importassistent-cli(1) nennt $option ${command:+von $command }nicht"
  done
done

echo "== Vervollständigung der bash"
# What the completion offers after the words given, sorted, one a line.
completions() {
  bash -c '
    source /usr/share/bash-completion/bash_completion
    source "$0"
    COMP_WORDS=(importassistent-cli "$@")
    COMP_CWORD=$#
    COMP_LINE="${COMP_WORDS[*]}"
    COMP_POINT=${#COMP_LINE}
    _importassistent_cli
    printf "%s\n" "${COMPREPLY[@]}"' \
    "$root/usr/share/bash-completion/completions/importassistent-cli" "$@" | sort -u
}
if [ -f /usr/share/bash-completion/bash_completion ]; then
  expect_equal "Befehle" "$(completions "" | tr '\n' ' ')" "companies company demo fields import preview "
  expect_equal "Allgemeine Optionen" "$(completions --)" "$(options_of)"
  for command in demo companies company preview fields import; do
    expect_equal "Optionen von $command" "$(completions "$command" --)" \
      "$(options_of "$command")"
  done
  expect_equal "Datenart" "$(completions import --kind 'Lieferanten\ z')" 'Lieferanten\ zum\ Artikel'
  expect_equal "Zeichensatz" "$(completions preview --encoding cp)" cp850
else
  echo "bash-completion fehlt: übersprungen"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures Fehler im Paket $deb" >&2
  exit 1
fi
echo "Paket in Ordnung: $deb"
