# Sourced. Chooses which Windows build the Wine tests, the demo and the
# benchmarks run; the build tree of that edition then names the Wine loader
# that runs its programs (its wine_settings.sh, written when it is
# configured), so the loader is chosen in one place, by the edition.
#
# The launcher ships in two editions, x86 and x64. Wine runs 32-bit Windows
# code through its 32-bit loader, an i386 Linux program, which a kernel
# booted without ia32 emulation cannot start. On such a machine no 32-bit
# code can run at all, so the Wine tests run the x64 edition only, and say so.
# A user-mode emulator registered for i386 programs would start the loader but
# not run Wine, so it does not count.
if [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ] &&
   /usr/lib/wine/wine --version >/dev/null 2>&1; then
  LAUNCHER_WINE_PRESET=win32
  LAUNCHER_WINE_NOTE="the x86 edition"
else
  LAUNCHER_WINE_PRESET=win64
  LAUNCHER_WINE_NOTE="the x64 edition; this kernel cannot run 32-bit code, so the x86 edition is checked statically only"
fi
export LAUNCHER_WINE_PRESET LAUNCHER_WINE_NOTE

# Readies Wine for programs of the chosen edition's build tree $1: its
# loader and settings, and a prefix of their own, $1/$2, made afresh.
use_fresh_wine_prefix() {
  source "$1/wine_settings.sh"
  export WINEPREFIX=$PWD/$1/$2
  source tests/e2e/wine_env.sh
  wine_env_prepare_afresh "$WINEPREFIX"
}
