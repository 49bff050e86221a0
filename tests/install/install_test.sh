#!/usr/bin/env bash
# Installs hosei the two ways a user or packager would (cmake --install and the .deb),
# then runs the installed programs: nothing may depend on the build tree.
# Usage: tests/install/install_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "install_test: $*" >&2; exit 1; }

# 1. The install tree.
prefix=$scratch/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/hosei bin/hosei-cli share/applications/hosei.desktop \
  share/icons/hicolor/scalable/apps/hosei.svg share/man/man1/hosei-cli.1 \
  share/man/ja/man1/hosei-cli.1 share/locale/ja/LC_MESSAGES/hosei.mo \
  share/hosei/samples/sample.bmp; do
  [ -e "$prefix/$f" ] || fail "missing from the install tree: $f"
done
desktop-file-validate "$prefix/share/applications/hosei.desktop" || fail "desktop entry invalid"
for mime in image/bmp image/jpeg image/png image/tiff; do
  grep -q "^MimeType=.*$mime;" "$prefix/share/applications/hosei.desktop" || fail "no MIME type $mime"
done
(cd "$prefix/share/man/man1" && MANPAGER=cat MANWIDTH=80 man ./hosei-cli.1 2>/dev/null) >"$scratch/man.txt"
for section in SYNOPSIS OPTIONS "EXIT STATUS" EXAMPLES; do
  grep -q "^$section" "$scratch/man.txt" || fail "man page lacks $section"
done

# 2. The Debian package, unpacked into a scratch root.
(cd "$build" && cpack -G DEB -B "$scratch/package" >/dev/null)
deb=$(ls "$scratch"/package/hosei_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 qt6-translations-l10n libjpeg62-turbo libpng16-16 libtiff6 \
  fonts-ipafont-gothic fonts-ipafont-mincho; do
  grep -q "$needed" <<<"$depends" || fail "the package does not depend on $needed"
done
root=$scratch/root
dpkg -x "$deb" "$root"
cli=$root/usr/bin/hosei-cli
"$cli" --version | grep -q '1\.3\.0\.0' || fail "installed hosei-cli reports a wrong version"
mkdir "$scratch/photos"
cp "$root/usr/share/hosei/samples/sample.bmp" "$scratch/photos/"
"$cli" --quiet --mode gamma --gamma 1.5 "$scratch/photos/sample.bmp" || fail "installed hosei-cli failed"
[ -s "$scratch/photos/sample_.bmp" ] || fail "installed hosei-cli wrote no result"
# The installed catalogue is found beside the installed program (glibc honours LANGUAGE
# under C.UTF-8, so no Japanese locale is needed here), and the C locale speaks English.
[ -e "$root/usr/share/man/ja/man1/hosei-cli.1" ] || fail "the package lacks the Japanese man page"
said=$(LC_ALL=C.UTF-8 LANGUAGE=ja "$cli" --sepia 2>&1 || true)
grep -q '不明なオプションです' <<<"$said" || fail "installed hosei-cli does not find its Japanese catalogue"
said=$(env -u LANGUAGE LC_ALL=C "$cli" --sepia 2>&1 || true)
grep -q 'unknown option' <<<"$said" || fail "installed hosei-cli is not English under the C locale"

# 3. The installed window program starts and stays up; the test driver, started as
# installed there, opens a photo with guide lines and leaves through the exit button: its
# display copy goes to the user's cache folder and is deleted at exit, and nothing is
# written beside the program.
before=$(ls -A "$root/usr/bin")
started=0
HOME=$scratch/home XDG_CACHE_HOME=$scratch/cache QT_QPA_PLATFORM=offscreen \
  timeout 3 "$root/usr/bin/hosei" >"$scratch/hosei.out" 2>&1 || started=$?
[ "$started" -eq 124 ] || { cat "$scratch/hosei.out" >&2; fail "installed hosei did not start"; }
HOME=$scratch/home XDG_CACHE_HOME=$scratch/cache QT_QPA_PLATFORM=offscreen \
  timeout 60 "$build/tests/gui/hosei-gui-driver" start-up --program-folder "$root/usr/bin" \
  --open "$scratch/photos/sample.bmp" >"$scratch/hosei.out" 2>&1 || { cat "$scratch/hosei.out" >&2; fail "hosei installed did not start and exit"; }
copy=$(sed -n 's/^hosei: display copy //p' "$scratch/hosei.out")
[ -n "$copy" ] || { cat "$scratch/hosei.out" >&2; fail "installed hosei made no display copy"; }
case $copy in
  "$scratch/cache/"*) ;;
  *) fail "display copy outside the cache folder: $copy" ;;
esac
[ ! -e "$copy" ] || fail "display copy left after exit: $copy"
[ "$(ls -A "$root/usr/bin")" = "$before" ] || fail "something was written beside the installed binary"
echo "install_test: passed"
