#!/usr/bin/env bash
# Installs the Debian packages given as arguments that are not installed yet
# (apt-get update once, only when something is missing). With --list-missing
# first, only prints those that are missing, on one line.
set -euo pipefail
list=0
if [ "${1:-}" = "--list-missing" ]; then list=1; shift; fi
missing=()
for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
if [ $list = 1 ]; then
    echo "${missing[*]}"
    exit 0
fi
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
