#!/usr/bin/env bash
# Builds the Debian package build/glintvat_<version>_<architecture>.deb from the normal build:
# the show and the capture tool, the generated data set (read-only, under /usr/share/glintvat),
# the glintvat and glintvat-capture commands, a menu entry with icons drawn from the show,
# AppStream metadata, manual pages and the copyright file. Its dependencies are what the
# programs link (dpkg-shlibdeps) and what they load at run time without linking it: Mesa's
# OpenGL drivers and the font the contact sheet's labels are drawn with; it recommends the core
# X font a failure's message box draws with (Debian's policy lets no package depend on an X
# font package). Installs what is missing and builds first; the version is the build's own
# (CMakeLists.txt, project()).
#   tools/package.sh
# The metadata names the project's homepage, SHOW_HOMEPAGE (a placeholder until it has one).
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

install_missing_packages dpkg-dev desktop-file-utils appstream binutils
build build --target "show capture artwork_files"

name=glintvat
homepage="${SHOW_HOMEPAGE:-https://glintvat.example/}"
# The AppStream id: the homepage's host backwards, then the name.
host="${homepage#*://}"
host="${host%%/*}"
component="$(echo "$host" | tr '.' '\n' | tac | paste -sd. -).$name"
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$SHOW_ROOT/build/CMakeCache.txt")"
[ -n "$version" ] || { echo "package.sh: the build gives no version" >&2; exit 1; }
architecture="$(dpkg --print-architecture)"
source_folder="$SHOW_ROOT/tools/package"
work="$SHOW_ROOT/build/package"
root="$work/$name"
deb="$SHOW_ROOT/build/${name}_${version}_${architecture}.deb"

rm -rf "$work"
mkdir -p "$root/DEBIAN"
umask 022

# The programs, stripped, where only the commands reach them.
install -d "$root/usr/lib/$name" "$root/usr/bin"
for program in show capture; do
  install -m 0755 "$SHOW_ROOT/build/$program" "$root/usr/lib/$name/$program"
  strip --strip-unneeded --remove-section=.comment --remove-section=.note \
    "$root/usr/lib/$name/$program"
done
install -m 0755 "$source_folder/glintvat" "$source_folder/glintvat-capture" "$root/usr/bin/"

# The data set, read-only.
install -d "$root/usr/share/$name/data"
install -m 0644 "$SHOW_ROOT/build/data/"* "$root/usr/share/$name/data/"

# The menu: the desktop entry, the icons the show drew, the metadata.
install -D -m 0644 "$source_folder/glintvat.desktop" "$root/usr/share/applications/$name.desktop"
desktop-file-validate "$root/usr/share/applications/$name.desktop"
for size in 48 64 128 256; do
  install -D -m 0644 "$SHOW_ROOT/build/art/icon-$size.png" \
    "$root/usr/share/icons/hicolor/${size}x${size}/apps/$name.png"
done
metainfo="$root/usr/share/metainfo/$component.metainfo.xml"
install -d "$(dirname "$metainfo")"
sed -e "s|@COMPONENT_ID@|$component|" -e "s|@HOMEPAGE@|$homepage|g" \
  -e "s|@VERSION@|$version|" -e "s|@DAY@|$(date -u +%Y-%m-%d)|" \
  "$source_folder/glintvat.metainfo.xml.in" > "$metainfo"
chmod 0644 "$metainfo"
appstreamcli validate --no-net --no-color "$metainfo" >/dev/null ||
  { appstreamcli validate --no-net "$metainfo"; exit 1; }

# Manual pages and the documents Debian asks for.
install -d "$root/usr/share/man/man1" "$root/usr/share/doc/$name"
for page in glintvat glintvat-capture; do
  sed "s|@VERSION@|$version|" "$source_folder/$page.1" | gzip -9n \
    > "$root/usr/share/man/man1/$page.1.gz"
done
install -m 0644 "$source_folder/copyright" "$root/usr/share/doc/$name/copyright"
sed -e "s|@VERSION@|$version|" -e "s|@DATE@|$(date -uR)|" "$source_folder/changelog.in" |
  gzip -9n > "$root/usr/share/doc/$name/changelog.gz"
chmod -R u=rwX,go=rX "$root/usr"

# What the programs link, from dpkg-shlibdeps (which wants a debian/control to read), and
# what they load without linking it.
mkdir -p "$work/shlibs/debian"
printf 'Source: %s\n\nPackage: %s\nArchitecture: any\n' "$name" "$name" \
  > "$work/shlibs/debian/control"
linked="$(cd "$work/shlibs" && dpkg-shlibdeps -O "-e$root/usr/lib/$name/show" \
  "-e$root/usr/lib/$name/capture" 2>/dev/null | sed -n 's/^shlibs:Depends=//p')"
[ -n "$linked" ] || { echo "package.sh: dpkg-shlibdeps found no dependencies" >&2; exit 1; }
loaded="libgl1-mesa-dri, libglx-mesa0, libegl-mesa0, fonts-dejavu-core"
sed -e "s|@VERSION@|$version|" -e "s|@ARCHITECTURE@|$architecture|" \
  -e "s|@INSTALLED_SIZE@|$(du -sk --apparent-size "$root/usr" | cut -f1)|" \
  -e "s|@DEPENDS@|$linked, $loaded|" "$source_folder/control.in" > "$root/DEBIAN/control"
(cd "$root" && find usr -type f -print0 | sort -z | xargs -0 md5sum) > "$root/DEBIAN/md5sums"
chmod 0644 "$root/DEBIAN/control" "$root/DEBIAN/md5sums"

dpkg-deb --root-owner-group -Zxz --build "$root" "$deb" >/dev/null
echo "The package is $deb"
