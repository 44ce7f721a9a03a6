#!/usr/bin/env bash
# Installs what building, testing and packaging the Windows program on Linux needs, from Debian
# 12's own packages: MinGW-w64 with the POSIX thread model, wine to run the result, nsis for the
# installer, and the fonts a Windows desktop would offer (see scripts/wine-prefix.sh). Also makes sure apt knows where
# bookworm's source packages are, because Qt for Windows is built from Debian's own qt6-base
# source (scripts/windows-qt.sh).
set -euo pipefail

packages=(
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    mingw-w64-x86-64-dev
    wine wine64 libwine
    nsis zip unzip
    # The Windows icon is drawn from the SVG at build time.
    librsvg2-bin icoutils
    # Metric twins of Arial, Times New Roman and Courier New, and wine's own Tahoma and
    # friends: without them a wine prefix has next to no fonts (see README, Windows).
    fonts-liberation fonts-wine
    # qt6-base's source and the tools to unpack it.
    dpkg-dev xz-utils
    # Qt's configure for a cross build runs Debian's own host tools of the same version.
    qt6-base-dev-tools
)

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)

# The deb-src entry for bookworm main, beside the deb one, in the deb822 file the machine has.
# Added once: the line it writes is what the check looks for.
sources=/etc/apt/sources.list.d/debian.sources
updated=
if ! grep -qs '^Types:.*deb-src' "$sources" /etc/apt/sources.list.d/*.sources /etc/apt/sources.list 2>/dev/null &&
    ! grep -qs '^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null; then
    [ -f "$sources" ] || { echo "windows-setup.sh: no $sources to take the mirror from" >&2; exit 1; }
    # The mirror and key of the stanza that serves bookworm itself.
    stanza=$(awk -v RS= '/(^|\n)Suites:[^\n]*[[:space:]]bookworm([[:space:]]|$)/ { print; exit }' "$sources")
    uri=$(sed -n 's/^URIs:[[:space:]]*//p' <<<"$stanza" | head -n 1)
    key=$(sed -n 's/^Signed-By:[[:space:]]*//p' <<<"$stanza" | head -n 1)
    [ -n "$uri" ] || { echo "windows-setup.sh: no bookworm entry in $sources" >&2; exit 1; }
    {
        printf '\nTypes: deb-src\nURIs: %s\nSuites: bookworm\nComponents: main\n' "$uri"
        [ -z "$key" ] || printf 'Signed-By: %s\n' "$key"
    } | "${sudo[@]}" tee -a "$sources" >/dev/null
    echo "windows-setup.sh: added bookworm main sources to $sources"
    updated=yes
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

# apt may be busy with another install on a shared machine: wait for its lock, for a while.
apt() {
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 "$@"
}
# The source index is needed as well as the binary one; a machine without it has never seen
# deb-src before.
if [ -n "$updated" ] || ((${#missing[@]})) ||
    ! ls /var/lib/apt/lists/*_source_Sources* >/dev/null 2>&1; then
    apt update -q
fi
if ((${#missing[@]})); then
    apt install -y -q --no-install-recommends "${missing[@]}"
fi
