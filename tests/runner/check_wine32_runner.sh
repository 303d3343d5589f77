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
recipe=$(sed -n 's/^STAMP_TEXT="\(.*\)"$/\1/p' "$RUNNER")
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
case "$out" in *"does not run 32-bit Windows programs"*) ;; *) fail "ensure of a broken tree: $out" ;; esac
[ -e "$root/.zk-runner-ready" ] || [ -e "$root.partial/.zk-runner-ready" ] && fail "a broken tree got its stamp"
"$RUNNER" run prog.exe >/dev/null 2>&1 && fail "run in a broken tree succeeded"
"$RUNNER" remove >/dev/null 2>&1 || fail "remove failed"
[ -e "$root.partial" ] && fail "remove left the unfinished tree"
[ -f "$keep/file" ] || fail "remove deleted files through a mount in the tree"
grep -q " $scratch/cache" /proc/self/mountinfo && fail "mounts left under the tree"

[ $status -eq 0 ] && echo "ok: unmade, outdated and broken trees refused; nothing deleted through a mount"
exit $status
