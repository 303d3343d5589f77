#!/bin/sh
# The 32-bit Windows runner's guards, on a fake tree in a scratch directory
# (no download, no Wine): an unmade or outdated tree is never used, a tree
# that cannot run a 32-bit program never gets its stamp, and removing a tree
# never reaches through a mount into other files.
#   check_wine32_runner.sh RUNNER
RUNNER="$1"
if [ "$(id -u)" -ne 0 ]; then
  echo "SKIPPED: needs root (mount namespaces and bind mounts)"
  exit 77
fi
if ! unshare -m --propagation private true 2>/dev/null; then
  echo "SKIPPED: unshare -m does not work here"
  exit 77
fi
status=0
fail() { echo "FAIL: $*"; status=1; }
scratch=$(mktemp -d)
keep="$scratch/keep"
root="$scratch/cache/wine32"
cleanup() {
  umount "$root.partial/mnt/keep" 2>/dev/null
  rm -rf --one-file-system "$scratch"
}
trap cleanup EXIT
mkdir -p "$keep" && echo precious >"$keep/file"
export ZK_WINE32_ROOT="$root"
recipe=$("$RUNNER" stamp)
[ -n "$recipe" ] || fail "the runner prints no stamp"
unset ZK_WINE32_PREFIX

# No tree: a run refuses and says what to do.
out=$("$RUNNER" run prog.exe 2>&1) && fail "run without a tree succeeded"
case "$out" in *"wine32-runner.sh ensure"*) ;; *) fail "run without a tree: $out" ;; esac

# A tree of an older recipe (another stamp) is not used either.
mkdir -p "$root" && echo "an older recipe" >"$root/.zk-runner-ready"
"$RUNNER" run prog.exe >/dev/null 2>&1 && fail "run in a tree with another stamp succeeded"

# A prefix named by a path that runs bind into the tree (its directory there
# is empty, and a running test may have it mounted) is left alone.
echo "$recipe" >"$root/.zk-runner-ready"
mkdir -p "$root$keep"
ZK_WINE32_PREFIX="$keep" "$RUNNER" drop-prefix >/dev/null 2>&1
[ -d "$root$keep" ] || fail "drop-prefix deleted a directory other paths are bound onto"
[ -f "$keep/file" ] || fail "drop-prefix deleted files outside the tree"
rm -rf "$root"

# An unfinished tree whose steps are marked done but which cannot run a
# program: ensure fails with the reason, stamps nothing, leaves no mount.
# A directory still mounted in it (as an older, killed run could leave one)
# is unmounted before the tree goes, not deleted through.
mkdir -p "$root.partial/mnt/keep"
echo "$recipe" >"$root.partial/.zk-step-base"
echo "$recipe" >"$root.partial/.zk-step-wine"
mount --bind "$keep" "$root.partial/mnt/keep" || fail "cannot bind-mount into the fake tree"
out=$("$RUNNER" ensure 2>&1) && fail "ensure made a tree that cannot run programs"
case "$out" in *"does not run 32-bit Windows programs"*"wine32:i386 missing (pinned "*) ;; *) fail "ensure of a broken tree: $out" ;; esac
[ -e "$root/.zk-runner-ready" ] || [ -e "$root.partial/.zk-runner-ready" ] && fail "a broken tree got its stamp"
"$RUNNER" run prog.exe >/dev/null 2>&1 && fail "run in a broken tree succeeded"
"$RUNNER" remove >/dev/null 2>&1 || fail "remove failed"
[ -e "$root.partial" ] && fail "remove left the unfinished tree"
[ -f "$keep/file" ] || fail "remove deleted files through a mount in the tree"
grep -q " $scratch/cache" /proc/self/mountinfo && fail "mounts left under the tree"

# In a chroot whose root directory is not a mount point (unshare cannot make
# every mount private there) a run still works, and leaves nothing mounted.
# The chroot: a plain directory with the host's /usr, /etc, /dev, /sys and this
# repository bound into it, in a private namespace of this test. In it, a
# finished fake tree (the host's /usr bound into it) whose "wine" only says
# it ran; the run's own mounts (proc, sys, dev, ...) must be gone after it.
chroot_dir="$scratch/chroot"
runner_dir=$(cd "$(dirname "$RUNNER")" && pwd)
tree="$chroot_dir/cache/wine32"
mkdir -p "$chroot_dir/usr" "$chroot_dir/etc" "$chroot_dir/dev" "$chroot_dir/sys" "$chroot_dir/proc" "$chroot_dir/tmp" \
         "$chroot_dir$runner_dir" "$tree/usr" "$tree/proc" "$tree/sys" "$tree/dev" "$tree/tmp" "$tree/fake"
for dir in "$chroot_dir" "$tree"; do
  for link in bin sbin lib lib64; do [ -e "/$link" ] && ln -s "usr/$link" "$dir/$link"; done
done
printf '#!/bin/sh\necho "wine ran $*"\n' >"$tree/fake/wine"
printf '#!/bin/sh\nmkdir -p "$WINEPREFIX" && touch "$WINEPREFIX/system.reg"\n' >"$tree/fake/wineboot"
printf '#!/bin/sh\nexit 0\n' >"$tree/fake/wineserver"
chmod +x "$tree/fake/"*
echo "$recipe" >"$tree/.zk-runner-ready"
out=$(unshare -m --propagation private -- sh -c '
  c=$1 runner=$2 runner_dir=$3
  for dir in /usr /etc /dev /sys; do mount --rbind "$dir" "$c$dir" || exit 1; done
  mount -t proc proc "$c/proc" && mount --bind "$runner_dir" "$c$runner_dir" &&
    mount -o remount,bind,ro "$c/usr" && mount --bind /usr "$c/cache/wine32/usr" || exit 1
  cd "$c" && chroot "$c" /usr/bin/env -i PATH=/fake:/usr/bin:/usr/sbin ZK_WINE32_ROOT=/cache/wine32 \
    sh -c "cd /tmp && \"\$0\" run prog.exe one two && grep -cE \" /cache/wine32/(proc|sys|dev|tmp)[ /]\" /proc/self/mountinfo" "$runner"
' sh "$chroot_dir" "$runner_dir/$(basename "$RUNNER")" "$runner_dir" 2>&1)
case "$out" in
  *"wine ran prog.exe one two"*) ;;
  *) fail "run in a chroot whose root is not a mount point: $out" ;;
esac
case "$out" in *"
0") ;; *) fail "mounts left in the tree after a run in a chroot: $out" ;; esac
grep -q " $chroot_dir" /proc/self/mountinfo && fail "mounts of the chroot test left behind"

[ $status -eq 0 ] && echo "ok: unmade, outdated and broken trees refused; nothing deleted through a mount; runs in a chroot"
exit $status
