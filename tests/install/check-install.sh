#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what a desktop and a user get from it:
# the layout, the menu entry and metadata (by their validators), the installed programs finding
# their help page and the user's folders, and a Debian package with computed dependencies.
# Usage: check-install.sh BUILD_DIR MEDIA_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
media=$2
scratch=$build/install-check
rm -rf "$scratch"
mkdir -p "$scratch"
fail() { echo "install check: $*" >&2; exit 1; }

prefix=$scratch/usr
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/zentrova bin/zentrova-convert share/zentrova/help.html \
         share/applications/example.zentrova.Converter.desktop \
         share/metainfo/example.zentrova.Converter.metainfo.xml share/man/man1/zentrova-convert.1; do
  [ -f "$prefix/$f" ] || fail "missing $f"
done
for n in 16 22 24 32 48 64 128 256; do
  [ -f "$prefix/share/icons/hicolor/${n}x${n}/apps/zentrova.png" ] || fail "missing the ${n}px icon"
done
desktop-file-validate "$prefix/share/applications/example.zentrova.Converter.desktop"
appstreamcli validate --no-net --pedantic "$prefix/share/metainfo/example.zentrova.Converter.metainfo.xml" >/dev/null ||
  appstreamcli validate --no-net "$prefix/share/metainfo/example.zentrova.Converter.metainfo.xml"
if command -v groff >/dev/null; then
  warnings=$(groff -man -Tutf8 -ww -z "$prefix/share/man/man1/zentrova-convert.1" 2>&1)
  [ -z "$warnings" ] || fail "the manual page: $warnings"
fi

# The installed command line keeps the user's files in the user's folders, even as root.
export HOME=$scratch/home XDG_CONFIG_HOME=$scratch/config
mkdir -p "$HOME/Filme" "$XDG_CONFIG_HOME"
echo 'XDG_VIDEOS_DIR="$HOME/Filme"' > "$XDG_CONFIG_HOME/user-dirs.dirs"
"$prefix/bin/zentrova-convert" --help >/dev/null
"$prefix/bin/zentrova-convert" -p 90106 "$media/audio_only.wav" >/dev/null
[ -f "$HOME/Filme/OutPut/audio_only.mp3" ] || fail "the conversion did not land in the user's Videos folder"
grep -q "Path=$HOME/Filme/OutPut" "$XDG_CONFIG_HOME/zentrova/Path_Registration.ini" ||
  fail "the output folder was not remembered in the user's configuration"
[ ! -e "$prefix/bin/bin" ] && [ ! -e "$prefix/bin/OutPut" ] || fail "the installed copy wrote beside its program"

# The Debian package: the same files, with the libraries it needs computed from the binaries.
(cd "$scratch" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/package" >/dev/null)
deb=$(ls "$scratch"/package/zentrova_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libavcodec59 libavformat59 libqt6widgets6 libsdl2-2.0-0; do
  grep -q "$lib" <<<"$depends" || fail "the package does not depend on $lib: $depends"
done
contents=$(dpkg-deb -c "$deb")
grep -q './usr/share/applications/example.zentrova.Converter.desktop' <<<"$contents" ||
  fail "the package lacks the menu entry"
echo "install check passed: $(basename "$deb")"
