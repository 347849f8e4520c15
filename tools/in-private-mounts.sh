#!/usr/bin/env bash
# Runs a command in a mount namespace of its own, whose mounts reach no other
# namespace, or says why it cannot:
#
#     tools/in-private-mounts.sh [--pid] COMMAND [ARGUMENT...]
#
# With --pid the command is also the first process of a PID namespace of its
# own, with its own /proc: every process it starts ends when it ends, or when
# this script is stopped, whatever else they did to stay.
#
# unshare makes every mount of the new namespace private. That needs root (or
# a user namespace of its own, tried next) and a root folder that is a mount
# point, which in a chroot it is not. There the new namespace keeps the
# mounts' propagation as it is, once a trial mount made in it has not shown
# up outside: so it is in a chroot entered from a private namespace (unshare
# -m, then chroot). Exits 77 with the reason on standard error when no such
# namespace can be made; otherwise the command's own status.
set -uo pipefail
pid=()
[[ ${1:-} != --pid ]] || { pid=(--pid --fork --kill-child --mount-proc); shift; }
[[ $# -gt 0 ]] || { echo "usage: $0 [--pid] COMMAND [ARGUMENT...]" >&2; exit 2; }

why=""  # the first way's error
for options in "--mount" "--map-root-user --mount"; do
  # shellcheck disable=SC2086  # the options are words
  if error=$(unshare $options "${pid[@]}" --propagation private true 2>&1); then
    exec unshare $options "${pid[@]}" --propagation private "$@"
  fi
  why=${why:-$error}
done

# A private namespace's mount is gone with it; a shared one's stays here.
probe=$(mktemp -d)
if unshare --mount --propagation unchanged mount -t tmpfs pelvaro-probe "$probe" 2>/dev/null; then
  if ! mountpoint -q "$probe"; then
    rmdir "$probe"
    exec unshare --mount "${pid[@]}" --propagation unchanged "$@"
  fi
  umount "$probe"
  why="its mounts would reach the machine's (${why:-unshare failed})"
fi
rmdir "$probe"
echo "cannot make a private mount namespace here: ${why:-unshare failed}" >&2
exit 77
