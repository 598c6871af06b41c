#!/usr/bin/env bash
# Runs a command with Heimdal's glue configured by one file, in a mount
# namespace of its own: Heimdal reads /etc/gss/mech and nothing else (no
# environment variable names another file), so the namespace gets a tmpfs
# over /etc/gss holding a copy of MECH as its mech file. The machine's own
# /etc/gss is never touched, and the mounts end with the command.
#
#   heimdal_namespace.sh MECH COMMAND [ARG...]
#
# Needs to be root, or unprivileged user namespaces (the command then runs
# as the root of a user namespace of its own). Without either, or without an
# /etc/gss to mount over, it exits 77, which the tests take as skipped.
set -euo pipefail

if (($# < 2)); then
  echo "usage: $0 MECH COMMAND [ARG...]" >&2
  exit 2
fi
mech=$1
shift
if [[ ! -r $mech ]]; then
  echo "heimdal_namespace: cannot read $mech" >&2
  exit 2
fi
if [[ ! -d /etc/gss ]]; then
  echo "heimdal_namespace: SKIP: no /etc/gss to mount over in a namespace"
  exit 77
fi

# Inside: the tmpfs, the one file, then the command ($0 is MECH).
mount_gss='mount -t tmpfs -o mode=0755 orbi-gss /etc/gss'
inside="$mount_gss && cp \"\$0\" /etc/gss/mech && exec \"\$@\""

# A private mount namespace as root, else in a user namespace; each is
# tried with the mount it will make.
for prefix in "unshare --mount --propagation private" \
  "unshare --user --map-root-user --mount --propagation private"; do
  if $prefix sh -c "$mount_gss" 2>/dev/null; then
    exec $prefix sh -c "$inside" "$mech" "$@"
  fi
done
echo "heimdal_namespace: SKIP: cannot mount over /etc/gss in a private mount namespace (unshare -m needs root or user namespaces)"
exit 77
