#!/usr/bin/env bash
# The 32-bit Windows runner: a small Debian trixie tree with Debian's own
# Wine 10 for 64-bit and 32-bit programs (wine, wine64 and wine32:i386, the
# distribution's supported WoW64 set), in which the i686 builds run. The
# host never gets the i386 architecture: that lives inside the tree alone.
# On a kernel that cannot start 32-bit Linux programs, the tree falls back to
# Wine's own WoW64 (32-bit Windows code inside the 64-bit loader).
#
#   wine32-runner.sh ensure            makes the tree when it is missing, was
#                                      made by another version of this script
#                                      or of its pinned versions, or is
#                                      unfinished (a minute or two, online)
#   wine32-runner.sh ensure --fresh    makes it again from nothing, whatever
#                                      is there (what CI does)
#   wine32-runner.sh run PROGRAM ARG...
#                                      runs PROGRAM with wine in the tree, in
#                                      the caller's working directory and
#                                      environment
#   wine32-runner.sh prefix            creates the Wine prefix named by
#                                      ZK_WINE32_PREFIX (or the default one)
#   wine32-runner.sh drop-prefix       stops the Wine server of that prefix
#                                      and deletes the prefix
#   wine32-runner.sh versions          what the tree was made with
#   wine32-runner.sh remove            deletes the tree
#
# ZK_WINE32_ROOT   where the tree lives (default /var/cache/zeq-kestrin/wine32-trixie)
# ZK_WINE32_PREFIX the Wine prefix, a path inside the tree
#                  (default /var/tmp/zk-wine32-prefix)
# ZK_WINE32_MIRROR the Debian mirror (default http://deb.debian.org/debian)
#
# scripts/wine32-runner.versions pins the Wine packages: the tree is made with
# those versions while the archive serves them; when it serves others, the
# runner says which and tries them, and fails naming them if they do not run.
#
# Each run happens in a mount namespace of its own (unshare -m): /proc, /sys
# (read-only), /dev, /dev/pts, the X server sockets, the repository and the
# working directory are bound into the tree at their own paths, and the
# mounts vanish with the process, however it ends. The host's view of the
# tree never has anything mounted in it, so the tree can be removed at any
# time. In a chroot whose root directory is not a mount point, the directory
# holding the tree is first bound onto itself as a private mount point (see
# private_namespace). Needs root (or sudo).
set -euo pipefail

ROOT="${ZK_WINE32_ROOT:-/var/cache/zeq-kestrin/wine32-trixie}"
PREFIX="${ZK_WINE32_PREFIX:-/var/tmp/zk-wine32-prefix}"
MIRROR="${ZK_WINE32_MIRROR:-http://deb.debian.org/debian}"
SELF="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/$(basename "${BASH_SOURCE[0]}")"
REPO="$(dirname "$(dirname "$SELF")")"
VERSIONS_FILE="$(dirname "$SELF")/wine32-runner.versions"
# Written last, after the tree has run a 32-bit Windows program: the digest
# of this script and of the pinned versions, so that a tree made by any other
# version of either is made again.
STAMP_TEXT="zeq-kestrin wine32 runner: $(cat "$SELF" "$VERSIONS_FILE" 2>/dev/null | sha256sum | cut -c1-16)"
STAMP="$ROOT/.zk-runner-ready"
LOCK="$ROOT.lock"

die() { echo "wine32-runner: $*" >&2; exit 1; }

if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null 2>&1 || die "needs root (chroot and mounts); run it as root or install sudo"
  exec sudo --preserve-env "$SELF" "$@"
fi

ready() { [ -f "$STAMP" ] && [ "$(cat "$STAMP")" = "$STAMP_TEXT" ]; }
# The marks of the steps of an unfinished tree carry the same text.
step_done() { [ -f "$1" ] && [ "$(cat "$1")" = "$STAMP_TEXT" ]; }

# Mounts under a path in this (the host's) namespace: a tree made by an older
# version of this script, or by a debootstrap that was killed, may have some.
mounts_under() {
  awk -v dir="$1" '$5 == dir || index($5, dir "/") == 1 { print $5 }' /proc/self/mountinfo | sort -r
}

unmount_all_under() {
  local dir=$1 m
  for m in $(mounts_under "$dir"); do
    umount "$m" 2>/dev/null || umount -l "$m" || true
  done
  [ -z "$(mounts_under "$dir")" ] || die "cannot unmount everything under $dir; remove it by hand"
}

remove_tree() {
  local dir=$1
  [ -e "$dir" ] || return 0
  unmount_all_under "$dir"
  # --one-file-system: should anything still be mounted, it is left alone.
  rm -rf --one-file-system "$dir"
}

# The mount namespace of a run (and of debootstrap). unshare makes every
# mount in it private, so that nothing mounted there reaches the caller's
# namespace. Where the root directory is not a mount point (a chroot), it
# cannot ("cannot change root filesystem propagation"): the directory that
# holds the tree is then made a private mount point of its own (bound onto
# itself in the caller's namespace, once; it stays until it is unmounted or
# the machine restarts), and the namespace keeps the propagation it has, so
# that the mounts of a run, all under that directory, stay in the run.
UNSHARE=()
private_namespace() {
  [ ${#UNSHARE[@]} -eq 0 ] || return 0
  local error base
  if error=$(unshare -m --propagation private true 2>&1); then
    UNSHARE=(unshare -m --propagation private --)
    return 0
  fi
  case "$error" in
    *"root filesystem propagation"*) ;;
    *) die "cannot make a mount namespace of its own ($error); run it as root where mounts are allowed (not in an unprivileged container)" ;;
  esac
  base=$(dirname "$ROOT")
  mkdir -p "$base"
  local how="the root directory is not a mount point here (a chroot?), and $base could not be made a private mount point of its own"
  local todo="make the chroot's root a mount point before entering it (mount --bind DIR DIR), or run it outside the chroot"
  if ! mountpoint -q "$base"; then
    mount --rbind "$base" "$base" || die "$how (mount --rbind); $todo"
  fi
  mount --make-rprivate "$base" || die "$how (mount --make-rprivate); $todo"
  UNSHARE=(unshare -m --propagation unchanged --)
}

# Runs a command inside the tree with the service file systems mounted, in a
# mount namespace that ends with it.
in_tree() {
  private_namespace
  "${UNSHARE[@]}" "$SELF" __inside "$@"
}

inside() {
  mount -t proc proc "$ROOT/proc"
  mount --rbind /sys "$ROOT/sys"
  mount -o remount,bind,ro "$ROOT/sys" 2>/dev/null || true
  mount --bind /dev "$ROOT/dev"
  mkdir -p "$ROOT/dev/pts"
  mount --bind /dev/pts "$ROOT/dev/pts"
  mkdir -p "$ROOT/tmp/.X11-unix"
  [ -d /tmp/.X11-unix ] && mount --bind /tmp/.X11-unix "$ROOT/tmp/.X11-unix"
  local path
  for path in "$REPO" "$PWD" ${XAUTHORITY:+"$(dirname "$XAUTHORITY")"} ${ZK_WINE32_BIND:-}; do
    [ -d "$path" ] || continue
    case "$path" in /|/proc|/proc/*|/sys|/sys/*|/dev|/dev/*) continue ;; esac
    if mountpoint -q "$ROOT$path" 2>/dev/null; then continue; fi
    mkdir -p "$ROOT$path"
    mount --bind "$path" "$ROOT$path"
  done
  exec chroot "$ROOT" /bin/sh -c 'cd "$1" && shift && exec "$@"' sh "$PWD" "$@"
}

build_tree() {
  command -v debootstrap >/dev/null 2>&1 || die "debootstrap is missing (apt-get install debootstrap)"
  local partial="$ROOT.partial"
  private_namespace  # here, so that its failure is reported as such
  remove_tree "$ROOT"
  mkdir -p "$(dirname "$ROOT")"
  echo "wine32-runner: making the 32-bit Windows runner in $ROOT (Debian trixie and Wine, a minute or two)"
  # An unfinished tree is made again from the last step that completed (each
  # step writes its mark when it is done); anything else is started afresh.
  if ! step_done "$partial/.zk-step-base"; then
    remove_tree "$partial"
    # debootstrap mounts /proc and /sys in the tree while it works: in a
    # namespace of its own, nothing stays mounted if it is interrupted.
    private_namespace
    "${UNSHARE[@]}" debootstrap --variant=minbase trixie "$partial" "$MIRROR" \
      >"$partial.log" 2>&1 || { tail -20 "$partial.log" >&2; die "debootstrap failed (log: $partial.log)"; }
    echo "$STAMP_TEXT" >"$partial/.zk-step-base"
  fi
  if ! step_done "$partial/.zk-step-wine"; then
    install_wine "$partial"
    echo "$STAMP_TEXT" >"$partial/.zk-step-wine"
  fi
  check_tree "$partial"
  echo "$STAMP_TEXT" >"$partial/.zk-runner-ready"
  mv "$partial" "$ROOT"
  mv "$partial.log" "$ROOT.log"
  echo "wine32-runner: ready ($(tr '\n' ' ' <"$ROOT/.zk-runner-versions"| sed 's/ $//'))"
  if [ -f "$ROOT/.zk-runner-unpinned" ]; then
    echo "wine32-runner: the versions served run 32-bit programs: pin them in scripts/wine32-runner.versions" >&2
  fi
}

# The pinned packages, "name version" a line (comments and blank lines left
# out).
pins() { sed -e 's/#.*//' -e '/^[[:space:]]*$/d' "$VERSIONS_FILE"; }

# What the tree has against what is pinned: one "name: made with X, pinned Y"
# for each package whose version differs.
version_drift() {
  local tree=$1 name pinned made
  while read -r name pinned; do
    made=$(awk -v n="$name" '$1 == n { print $2 }' "$tree/.zk-runner-versions" 2>/dev/null)
    [ "$made" = "$pinned" ] || echo "$name ${made:-missing} (pinned $pinned)"
  done < <(pins)
}

# Installs the pinned Wine packages in the tree; when the archive no longer
# serves one of those versions, says which and installs what it serves
# (check_tree then decides whether that still runs).
install_wine() {
  local tree=$1 names pinned
  [ -f "$VERSIONS_FILE" ] || die "$VERSIONS_FILE is missing (it pins the Wine packages)"
  names=$(pins | awk '{ print $1 }' | tr '\n' ' ')
  pinned=$(pins | awk '{ print $1 "=" $2 }' | tr '\n' ' ')
  ZK_WINE32_ROOT="$tree" ZK_NAMES="$names" ZK_PINNED="$pinned" in_tree /bin/sh -ec '
    export DEBIAN_FRONTEND=noninteractive
    dpkg --add-architecture i386
    apt-get update -qq
    rm -f /.zk-runner-unpinned
    if ! apt-get install -y -qq --no-install-recommends $ZK_PINNED >/dev/null 2>/var/tmp/zk-pinned.err; then
      cat /var/tmp/zk-pinned.err
      for name in $ZK_NAMES; do
        echo "$name $(apt-cache policy "$name" | sed -n "s/^ *Candidate: //p")"
      done >/.zk-runner-unpinned
      apt-get install -y -qq --no-install-recommends $ZK_NAMES >/dev/null
    fi
    rm -f /var/tmp/zk-pinned.err
    for name in $ZK_NAMES; do
      echo "$name $(dpkg-query -W -f "\${Version}" "$name")"
    done >/.zk-runner-versions
    apt-get clean
    rm -rf /var/lib/apt/lists/*
  ' >>"$tree.log" 2>&1 || { tail -20 "$tree.log" >&2; die "installing Wine in the tree failed (log: $tree.log)"; }
  if [ -f "$tree/.zk-runner-unpinned" ]; then
    echo "wine32-runner: the archive no longer serves the pinned Wine versions; trying what it serves:" >&2
    version_drift "$tree" | sed 's/^/  /' >&2
  fi
  # Debian's 32-bit loader is a 32-bit Linux program. A kernel that cannot
  # start one (IA32 emulation off) still runs 32-bit Windows code inside the
  # 64-bit loader (Wine's own WoW64), given the 32-bit Windows libraries
  # beside the 64-bit ones; the wine command then picks the 64-bit loader.
  if ZK_WINE32_ROOT="$tree" in_tree /usr/lib/wine/wine --version >>"$tree.log" 2>&1 && [ -z "${ZK_WINE32_FORCE_WOW64:-}" ]; then
    echo "mode 32-bit-loader" >>"$tree/.zk-runner-versions"
  else
    echo "wine32-runner: this kernel does not start 32-bit Linux programs; using Wine's own WoW64 (64-bit loader)" >&2
    cp -a "$tree/usr/lib/i386-linux-gnu/wine/i386-windows/." "$tree/usr/lib/x86_64-linux-gnu/wine/i386-windows/"
    rm -f "$tree/usr/lib/wine/wine"
    echo "mode 64-bit-loader" >>"$tree/.zk-runner-versions"
  fi
}

# A 32-bit Windows program must run before the tree counts as made: a fresh
# prefix is created (its 32-bit system directory must be filled), then the
# 32-bit command interpreter says which architecture it runs as.
check_tree() {
  local tree=$1 check why
  local prefix=/var/tmp/zk-wine32-check
  rm -rf "$tree$prefix"
  check=$(cd / && ZK_WINE32_ROOT="$tree" WINEPREFIX="$prefix" WINEDEBUG=-all in_tree /bin/sh -c '
    wineboot --init >/dev/null 2>&1; wineserver -w
    echo "syswow64 $(ls "$WINEPREFIX/drive_c/windows/syswow64" 2>/dev/null | wc -l)"
    wine "C:\\windows\\syswow64\\cmd.exe" /c "echo runs-as-%PROCESSOR_ARCHITECTURE%"
  ' 2>>"$tree.log" | tr -d '\r') || true
  echo "$check" >>"$tree.log"
  ZK_WINE32_ROOT="$tree" in_tree /bin/sh -c "wineserver -k 2>/dev/null; rm -rf $prefix" >/dev/null 2>&1 || true
  case "$check" in
    *runs-as-x86*) return 0 ;;
    *"syswow64 0"*) why="the new prefix's 32-bit system directory (syswow64) stayed empty: Wine's 32-bit side did not start" ;;
    *) why="the 32-bit command interpreter did not run" ;;
  esac
  local drift
  drift=$(version_drift "$tree" | sed 's/^/    /')
  if [ -n "$drift" ]; then
    die "the tree does not run 32-bit Windows programs: $why (log: $tree.log).
  The archive served other Wine versions than the pinned ones (scripts/wine32-runner.versions):
$drift
  Point ZK_WINE32_MIRROR at a mirror or snapshot that still serves the pinned versions, or find
  versions that work and pin them there."
  fi
  die "the tree does not run 32-bit Windows programs: $why, with the pinned Wine versions
  ($(tr '\n' ' ' <"$tree/.zk-runner-versions" 2>/dev/null)) (log: $tree.log).
  The kernel must run 32-bit x86 code (IA32 emulation): check 'uname -r' and the boot options
  (ia32_emulation=0 turns it off), then run scripts/wine32-runner.sh ensure --fresh."
}

ensure() {
  local fresh=${1:-}
  [ -n "$fresh" ] || ! ready || return 0
  mkdir -p "$(dirname "$ROOT")"
  exec 9>"$LOCK"
  flock 9
  if [ -n "$fresh" ]; then
    remove_tree "$ROOT.partial"
    remove_tree "$ROOT"
  fi
  ready || build_tree
  exec 9>&-
}

# The command run in the tree: creates the prefix when it is missing (once,
# under a lock, even when several tests start together), then runs wine.
WINE_IN_TREE='
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    flock "$(dirname "$WINEPREFIX")/.zk-prefix.lock" sh -c "
      [ -f \"\$WINEPREFIX/system.reg\" ] || { wineboot --init && wineserver -w; } >/dev/null 2>&1"
  fi
  exec wine "$@"'

case "${1:-}" in
  __inside) shift; inside "$@" ;;
  ensure)
    case "${2:-}" in
      "") ensure ;;
      --fresh) ensure fresh ;;
      *) die "usage: wine32-runner.sh ensure [--fresh]" ;;
    esac ;;
  versions)
    ready || die "the runner is not made yet: run scripts/wine32-runner.sh ensure"
    cat "$ROOT/.zk-runner-versions" ;;
  stamp) echo "$STAMP_TEXT" ;;
  prefix)
    ensure
    WINEPREFIX="$PREFIX" WINEDEBUG=-all in_tree /bin/sh -c "$WINE_IN_TREE" sh cmd /c exit >/dev/null 2>&1 \
      || die "cannot create the Wine prefix $PREFIX in $ROOT; remove it (drop-prefix) and try again"
    ;;
  run)
    shift
    [ $# -gt 0 ] || die "usage: wine32-runner.sh run PROGRAM [ARG...]"
    ready || die "the runner is not made yet: run scripts/wine32-runner.sh ensure (or scripts/test-all.sh win32-wine)"
    WINEPREFIX="$PREFIX" WINEDEBUG="${WINEDEBUG:--all}" in_tree /bin/sh -c "$WINE_IN_TREE" sh "$@"
    ;;
  drop-prefix)
    # Only a prefix in the tree's own files. The host's view of the tree has
    # nothing mounted in it; the directories runs bind other paths onto are
    # empty there, and must stay, since running tests may have them mounted.
    ready && [ -f "$ROOT$PREFIX/system.reg" ] || exit 0
    (cd / && WINEPREFIX="$PREFIX" in_tree wineserver -k) >/dev/null 2>&1 || true
    unmount_all_under "$ROOT"
    rm -rf --one-file-system "$ROOT$PREFIX"
    ;;
  remove)
    exec 9>"$LOCK"
    flock 9
    remove_tree "$ROOT.partial"
    remove_tree "$ROOT"
    rm -f "$ROOT.log" "$ROOT.partial.log"
    ;;
  *) sed -n '2,44p' "$SELF" | sed 's/^# \{0,1\}//'; exit 2 ;;
esac
