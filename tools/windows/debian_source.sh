# Sourced by the build scripts: a Debian source package from the archive's
# pool, each of its files checked against its SHA-256 sum, kept in
# $cache/source and unpacked with Debian's patches applied.
#   unpack_debian_source POOL_URL DSC_FILE FOLDER   (the sums in array `sums`)
unpack_debian_source() {
    local pool=$1 dsc=$2 folder=$3 f
    mkdir -p "$cache/source"
    for f in "${!sums[@]}"; do
        if [ ! -f "$cache/source/$f" ] ||
            ! (cd "$cache/source" && echo "${sums[$f]}  $f" | sha256sum -c --quiet - 2>/dev/null); then
            curl -sSfL -o "$cache/source/$f.part" "$pool/$f"
            mv "$cache/source/$f.part" "$cache/source/$f"
        fi
        (cd "$cache/source" && echo "${sums[$f]}  $f" | sha256sum -c --quiet - >&2)
    done
    rm -rf "$folder"
    dpkg-source --no-check -x "$cache/source/$dsc" "$folder" >&2
}
