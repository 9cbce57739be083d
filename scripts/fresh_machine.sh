#!/bin/bash
# SPDX-License-Identifier: MIT
# Runs the two commands of README.md on a fresh Debian 12 (bookworm): a
# minimal root made by debootstrap --variant=minbase from the mirror apt
# uses here, with a clean clone of HEAD in /root/dlfgen, the commands run
# there as root with a clean environment. Fails when either command fails
# or when any test was skipped.
#
# usage: scripts/fresh_machine.sh   (as root; FRESH_MIRROR=URL overrides
#                                    the mirror)
#
# The commands are read from README.md, never retyped here. They are its
# indented code lines (four spaces, then the command) that begin with
# "scripts/install_deps.sh build " and "scripts/install_deps.sh test ":
# exactly one of each, the build one first. Anything else is an error.
#
# build-fresh/ keeps the bootstrapped root as a tarball, one per mirror, so
# later runs skip debootstrap, and the logs of the last run. Only commits
# are tested: uncommitted changes are not in the clone.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd -P)
build=$source_dir/build-fresh
root=$build/root
suite=bookworm
me=scripts/fresh_machine.sh
started=$SECONDS

fail() {
  echo "$me: $*" >&2
  exit 1
}

# A heading with the seconds since the start, to see where the time goes.
step() {
  echo "== [$((SECONDS - started)) s] $*"
}

((EUID == 0)) || fail "needs root, for debootstrap, mount and chroot"
for tool in debootstrap git chroot mount umount; do
  command -v "$tool" >/dev/null ||
    fail "needs $tool (scripts/install_deps.sh ci installs what is missing)"
done

# --- The commands --------------------------------------------------------

mapfile -t commands < <(grep -E '^    scripts/install_deps\.sh (build|test) ' "$source_dir/README.md" |
  sed 's/^    //')
if ((${#commands[@]} != 2)) || [[ ${commands[0]} != "scripts/install_deps.sh build "* ||
  ${commands[1]} != "scripts/install_deps.sh test "* ]]; then
  echo "$me: README.md must have exactly two indented command lines beginning with" >&2
  echo "  'scripts/install_deps.sh build ' and then 'scripts/install_deps.sh test '; found ${#commands[@]}:" >&2
  ((${#commands[@]} == 0)) || printf '  %s\n' "${commands[@]}" >&2
  exit 1
fi

# --- The mirror ----------------------------------------------------------

# The first http(s) or ftp URI of an enabled "deb" entry for bookworm (or
# stable), in the one-line form (sources.list, *.list) or the deb822 form
# (*.sources).
find_mirror() {
  local file
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [[ -f $file ]] || continue
    sed -E 's/#.*//; s/\[[^]]*\]//' "$file" |
      awk '$1 == "deb" && ($3 == "bookworm" || $3 == "stable") { print $2 }'
  done
  for file in /etc/apt/sources.list.d/*.sources; do
    [[ -f $file ]] || continue
    awk '
      function flush() {
        if (f["types"] ~ /(^| )deb( |$)/ && f["enabled"] !~ /^ *no *$/ &&
            f["suites"] ~ /(^| )(bookworm|stable)( |$)/) {
          split(f["uris"], uri, " ")
          print uri[1]
        }
        split("", f)
        key = ""
      }
      /^[ \t]*#/ { next }
      /^[ \t]*$/ { flush(); next }
      /^[ \t]/ { if (key != "") f[key] = f[key] " " $0; next }
      /^[A-Za-z-]+:/ {
        key = tolower(substr($0, 1, index($0, ":") - 1))
        f[key] = substr($0, index($0, ":") + 1)
      }
      END { flush() }' "$file"
  done
}
mirror=${FRESH_MIRROR:-$(find_mirror | grep -E '^(https?|ftp)://' | head -n 1 || true)}
[[ -n $mirror ]] || fail "found no Debian mirror for $suite in /etc/apt; set FRESH_MIRROR"

# --- Mounts --------------------------------------------------------------

# Mount points at or under a folder, deepest first.
mounts_under() {
  awk -v dir="$1" '{ gsub(/\\040/, " ", $2) } $2 == dir || index($2, dir "/") == 1 { print $2 }' \
    /proc/mounts | LC_ALL=C sort -r
}

unmount_under() {
  local point
  while IFS= read -r point; do
    umount "$point" 2>/dev/null || umount -l "$point" || true
  done < <(mounts_under "$1")
  [[ -z $(mounts_under "$1") ]]
}

# Never removes a tree that still has something mounted in it: /dev is a
# bind mount of the machine's own.
remove_tree() {
  unmount_under "$1" || fail "still mounted under $1: $(mounts_under "$1" | paste -sd ' ')"
  rm -rf --one-file-system "$1"
}

cleanup() {
  local status=$?
  if ! unmount_under "$build"; then
    echo "$me: could not unmount: $(mounts_under "$build" | paste -sd ' ')" >&2
    status=1
  fi
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# --- The root ------------------------------------------------------------

mkdir -p "$build"
cache=$build/$suite-minbase-$(printf '%s' "$mirror" | md5sum | cut -c1-12).tar.gz
if [[ ! -f $cache ]]; then
  step "debootstrap --variant=minbase $suite from $mirror (log: build-fresh/debootstrap.log)"
  remove_tree "$build/bootstrap"
  if ! debootstrap --variant=minbase "$suite" "$build/bootstrap" "$mirror" \
    >"$build/debootstrap.log" 2>&1; then
    tail -n 30 "$build/debootstrap.log" >&2
    fail "debootstrap failed"
  fi
  unmount_under "$build/bootstrap" || fail "debootstrap left mounts behind"
  # The packages debootstrap fetched are installed; apt fetches its own.
  tar --numeric-owner --exclude='./var/cache/apt/archives/*.deb' \
    -C "$build/bootstrap" -czf "$cache.part" .
  mv "$cache.part" "$cache"
  remove_tree "$build/bootstrap"
fi

step "a fresh root from ${cache#"$source_dir"/}"
remove_tree "$root"
mkdir "$root"
tar --numeric-owner -C "$root" -xpzf "$cache"
# apt inside needs name resolution.
rm -f "$root/etc/resolv.conf"
cp -L /etc/resolv.conf "$root/etc/resolv.conf"

# The tests need /dev/full, a pty (/dev/pts with ptmx) and /proc.
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"

head=$(git -C "$source_dir" rev-parse HEAD)
if [[ -n $(git -C "$source_dir" status --porcelain --untracked-files=no) ]]; then
  echo "$me: note: uncommitted changes are not tested, only $head"
fi
git clone -q --no-hardlinks "$source_dir" "$root/root/dlfgen"
git -C "$root/root/dlfgen" checkout -q --detach "$head"

# --- The commands, as a newcomer runs them ------------------------------

# run_in_root COMMAND LOG: in /root/dlfgen, with nothing of this shell's
# environment but what a login would set.
run_in_root() {
  # The command is expanded by the shell in the root, not by this one.
  # shellcheck disable=SC2016
  env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    HOME=/root LANG=C.UTF-8 "$(command -v chroot)" "$root" \
    /bin/bash -c 'cd /root/dlfgen && eval "$1"' bash "$1" </dev/null 2>&1 | tee "$2"
  return "${PIPESTATUS[0]}"
}

for i in 0 1; do
  log=$build/command$((i + 1)).log
  step "README.md command $((i + 1)): ${commands[i]}"
  run_in_root "${commands[i]}" "$log" || fail "README.md command $((i + 1)) failed (log: ${log#"$source_dir"/})"
done

# The second command runs the test suite: every test must have run.
if grep -qE '^The following tests did not run:|\*\*\*(Skipped|Not Run)' "$log"; then
  fail "some tests did not run (log: ${log#"$source_dir"/})"
fi
summary=$(grep -E '^100% tests passed, 0 tests failed out of [0-9]+$' "$log") ||
  fail "no ctest summary of all tests passed (log: ${log#"$source_dir"/})"

trap - EXIT
# A failed run leaves the root for a look inside; a passed one is removed.
step "removing the root"
remove_tree "$root"
echo "$me: README.md's two commands passed on a fresh Debian 12 ($summary, none skipped) in $((SECONDS - started)) s"
