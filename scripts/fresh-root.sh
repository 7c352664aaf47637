# shellcheck shell=bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A fresh, minimal Debian root made with debootstrap from this machine's own
# Debian mirror, for the scripts that try the project on a fresh machine
# (sourced). They set $project to the project's folder first. Everything
# mounted is unmounted and the root removed when the script ends, also on
# failure or Ctrl-C (KEEP_ROOT=1 keeps it).
project=${project:?set project to the project folder before sourcing fresh-root.sh}
target=""   # the root being made
inside=/root/vibrating-string # where in_root runs its commands
mounted=()  # what is mounted in it, in order
started=$(date +%s)

elapsed() { echo "$(( ($(date +%s) - started) / 60 )) min $(( ($(date +%s) - started) % 60 )) s"; }

# The first Debian archive this machine installs from (deb822 or one-line
# sources), never the security or update archives.
debian_mirror() {
    {
        cat /etc/apt/sources.list.d/*.sources 2>/dev/null | sed -n 's/^URIs:[[:space:]]*//p' | tr ' ' '\n'
        cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
            sed -n 's/^deb[[:space:]]\+\(\[[^]]*\][[:space:]]\+\)\?\([^[:space:]]*\).*/\2/p'
    } | grep -E '/debian/?$' | head -n 1 || true
}

cleanup() {
    local status=$? i
    trap - EXIT INT TERM
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
        umount -l "${mounted[i]}" 2>/dev/null || true
    done
    if [ "${KEEP_ROOT:-0}" = 1 ]; then
        echo "The root is kept in $target"
    else
        rm -rf --one-file-system "$target"
    fi
    exit "$status"
}

make_root() { # release mirror
    echo "== A minimal $1 root from $2, in $target"
    debootstrap --variant=minbase --include=git,ca-certificates "$1" "$target" "$2" \
        >"$target.debootstrap.log" 2>&1 || { tail -n 20 "$target.debootstrap.log" >&2; exit 1; }
    rm -f "$target.debootstrap.log"
}

# What lets this machine reach the archives and the npm registry: its name
# service, apt's settings for reaching the mirror (only the machine's own,
# none that a package installed), and the certificates it added locally (a
# TLS-inspecting proxy's, say).
share_network_settings() {
    local setting
    cp /etc/resolv.conf "$target/etc/resolv.conf"
    { grep -l '^Acquire::' /etc/apt/apt.conf.d/* 2>/dev/null || true; } | while read -r setting; do
        dpkg -S "$setting" >/dev/null 2>&1 || cp "$setting" "$target/etc/apt/apt.conf.d/"
    done
    if compgen -G '/usr/local/share/ca-certificates/*' >/dev/null; then
        cp -r /usr/local/share/ca-certificates/. "$target/usr/local/share/ca-certificates/"
        chroot "$target" update-ca-certificates >/dev/null
    fi
}

mount_into() { # type source path
    mkdir -p "$target/$3"
    mount -t "$1" "$2" "$target/$3"
    mounted+=("$target/$3")
}

# Runs COMMAND in the root, in the folder $inside, with a clean environment.
in_root() {
    chroot "$target" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}" \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        bash -c "cd $inside && $1"
}

# Makes a fresh root of RELEASE (bookworm or trixie) in $target, with the
# machine's network settings and the kernel's file systems mounted, and
# arranges that it is unmounted and removed whenever the caller exits.
start_root() { # release caller
    local mirror
    if [ "$(id -u)" -ne 0 ]; then
        echo "$2: debootstrap, mount and chroot need root" >&2
        exit 1
    fi
    mirror=$(debian_mirror)
    if [ -z "$mirror" ]; then
        echo "$2: found no Debian archive in this machine's apt sources" >&2
        exit 1
    fi
    "$project/scripts/deps" fresh

    target=$(mktemp -d "${TMPDIR:-/var/tmp}/vibrating-string-$1.XXXXXX")
    chmod 755 "$target" # a root directory: its system users (_apt, man) must get in
    trap cleanup EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM

    make_root "$1" "$mirror"
    share_network_settings
    mount_into proc proc proc
    mount_into sysfs sys sys
    mount_into devtmpfs udev dev
    mount_into devpts devpts dev/pts
    mount_into tmpfs tmpfs dev/shm
}
