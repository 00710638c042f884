#!/usr/bin/env bash
# The Windows program folder: the programs, the stripped DLLs they need, the
# platform and style plugins, Qt's Italian catalogue, Guida.pdf and the
# initial password file; then its zip.
#   windows/package.sh QT_FOLDER BUILD_FOLDER
set -euo pipefail
qt="$1"
build="$(cd "$2" && pwd)"
bin="$build/bin"
gcc="$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")"
strip=x86_64-w64-mingw32-strip

mkdir -p "$bin/platforms" "$bin/styles" "$bin/translations"
for dll in Qt6Core Qt6Gui Qt6Widgets Qt6PrintSupport Qt6Test; do
  cp -u "$qt/bin/$dll.dll" "$bin/"
done
cp -u "$gcc/libstdc++-6.dll" "$gcc/libgcc_s_seh-1.dll" /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll "$bin/"
cp -u "$qt/plugins/platforms/qwindows.dll" "$qt/plugins/platforms/qoffscreen.dll" "$bin/platforms/"
cp -u "$qt/plugins/styles/qwindowsvistastyle.dll" "$bin/styles/"
cp -u /usr/share/qt6/translations/qtbase_it.qm "$bin/translations/"
# Qt finds its plugins and catalogue beside the program, wherever the folder is.
printf '[Paths]\r\nPrefix=.\r\nPlugins=.\r\nTranslations=translations\r\n' >"$bin/qt.conf"
# The test programs and tools use the same Qt, from the program folder.
for d in tests tools bench; do
  if [ -d "$build/$d" ]; then
    printf '[Paths]\r\nPrefix=../bin\r\nPlugins=.\r\nTranslations=translations\r\n' >"$build/$d/qt.conf"
  fi
done

# The zip: what a PC needs, nothing of the build or the tests.
stage="$build/package/Scortex"
rm -rf "$build/package" "$build/Scortex-windows-x64.zip"
mkdir -p "$stage/platforms" "$stage/styles" "$stage/translations"
for f in scortex.exe scortex-cli.exe Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll Qt6PrintSupport.dll \
         libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll qt.conf Guida.pdf unins000.dll \
         platforms/qwindows.dll styles/qwindowsvistastyle.dll translations/qtbase_it.qm; do
  cp "$bin/$f" "$stage/$f"
done
for f in "$stage"/*.exe "$stage"/*.dll "$stage"/platforms/*.dll "$stage"/styles/*.dll; do
  case "$f" in */unins000.dll) continue ;; esac
  "$strip" --strip-unneeded "$f"
done
(cd "$build/package" && zip -qr -X "$build/Scortex-windows-x64.zip" Scortex)
echo "$build/Scortex-windows-x64.zip: $(du -k "$build/Scortex-windows-x64.zip" | cut -f1) KB, unpacked $(du -sk "$stage" | cut -f1) KB"
