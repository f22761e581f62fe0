#!/usr/bin/env bash
# Runs a 32-bit Windows program under Debian's i386 Wine, emulated by qemu-i386, on this kernel
# that runs no 32-bit code. Made once into $SKYMRA_WINE32 (~/.cache/skymra/wine32), as root:
#  - qemu-i386 from bookworm-backports (10.x): bookworm's 7.2 searches guest memory a page at a
#    time on every mapping, and Wine's reserved gigabytes make each start take minutes, not
#    seconds;
#  - wine32, libwine, libc6 and the X11 and FreeType libraries Wine opens for a window and its
#    fonts, all i386, unpacked into one merged-/usr root that qemu reads as the guest's /;
#  - qemu registered with binfmt_misc (flag F), since Wine starts its own loader anew.
# The 64-bit wineserver of wine64 serves the 32-bit processes.
# Usage: scripts/wine32.sh PROGRAM.exe [ARGS...]   (WINEPREFIX as for wine; WINEARCH is win32)
#        scripts/wine32.sh --server [ARGS...]      (the wineserver of those processes)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dir=${SKYMRA_WINE32:-${XDG_CACHE_HOME:-$HOME/.cache}/skymra/wine32}
root=$dir/root
server=/usr/lib/wine/wineserver64

if [ "${1:-}" = --server ]; then
  shift
  exec "$server" "$@"
fi

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

prepare() {
  "$here/setup.sh" wine64 libz-mingw-w64 g++-mingw-w64-i686-posix
  if ! dpkg --print-foreign-architectures | grep -qx i386 ||
    ! grep -rqs bookworm-backports /etc/apt/sources.list /etc/apt/sources.list.d ||
    ! compgen -G '/var/lib/apt/lists/*bookworm*_binary-i386_Packages*' >/dev/null; then
    as_root dpkg --add-architecture i386
    echo "deb http://deb.debian.org/debian bookworm-backports main" |
      as_root tee /etc/apt/sources.list.d/skymra-backports.list >/dev/null
    # A mirror in the middle of a sync fails an index now and then: asked again, and at worst
    # what did come is used (a package still missing is named by the download below).
    local try
    for try in 1 2 3; do
      as_root apt-get update -qq && break
      [ "$try" = 3 ] || sleep 20
    done
  fi
  rm -rf "$dir.part" && mkdir -p "$dir.part/debs" "$dir.part/root/usr/lib"
  local p libs=(
    wine32 libwine libc6 libgcc-s1 libx11-6 libxcb1 libxau6 libxdmcp6 libbsd0 libmd0 libxext6
    libxrender1 libxrandr2 libxi6 libxcursor1 libxfixes3 libxinerama1 libxcomposite1
    libxxf86vm1 libfreetype6 libpng16-16 zlib1g libbrotli1 libfontconfig1 libexpat1 libuuid1
  )
  (cd "$dir.part/debs" && apt-get download -q -t bookworm-backports qemu-user &&
    apt-get download -q "${libs[@]/%/:i386}")
  dpkg-deb -x "$dir.part"/debs/qemu-user_*.deb "$dir.part/qemu"
  # Merged /usr: the i386 loader then finds /lib's libraries where it looks for /usr/lib's.
  for p in lib bin sbin; do ln -s "usr/$p" "$dir.part/root/$p"; done
  for p in "$dir.part"/debs/*_i386.deb; do
    dpkg-deb --fsys-tarfile "$p" | tar -x --keep-directory-symlink -C "$dir.part/root"
  done
  # Wine's user32 loads zlib as a Windows DLL.
  cp /usr/i686-w64-mingw32/lib/zlib1.dll "$dir.part/root/usr/lib/i386-linux-gnu/wine/i386-windows/"
  rm -rf "$dir.part/debs" "$dir" && mv "$dir.part" "$dir"
}

register() {
  local qemu=$dir/qemu/usr/bin/qemu-i386 entry=/proc/sys/fs/binfmt_misc/skymra-i386
  [ -f /proc/sys/fs/binfmt_misc/register ] ||
    as_root mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  [ -f "$entry" ] && grep -qx "interpreter $qemu" "$entry" && return
  [ -f "$entry" ] && echo -1 | as_root tee "$entry" >/dev/null
  # i386 ELF executables and shared objects (e_type 2 or 3, e_machine 3); binfmt_misc itself
  # reads the \x escapes.
  echo ":skymra-i386:M::\\x7fELF\\x01\\x01\\x01\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x02\\x00\\x03\\x00:\\xff\\xff\\xff\\xff\\xff\\xfe\\xfe\\x00\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xfe\\xff\\xff\\xff:$qemu:F" |
    as_root tee /proc/sys/fs/binfmt_misc/register >/dev/null
}

[ -x "$root/usr/lib/wine/wine" ] || prepare
register

# Wine's shared user data sits near the top of 2 GB: the guest gets the whole 4 GB.
export QEMU_LD_PREFIX=$root QEMU_RESERVED_VA=0xffff0000 WINEARCH=win32 WINESERVER=$server
export WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
# The i686 MinGW runtime, for programs run from their build folder.
export WINEPATH='Z:\usr\lib\gcc\i686-w64-mingw32\12-posix;Z:\usr\i686-w64-mingw32\lib'
exec "$root/usr/lib/wine/wine" "$@"
