#!/bin/sh
# Installs what building, testing and the demo need on a fresh Debian 12.
set -e
packages="cmake g++ make qtbase5-dev libquazip1-qt5-dev zlib1g-dev python3 xvfb xdotool x11-utils imagemagick
fonts-wqy-microhei libarchive-tools unzip zip curl g++-mingw-w64-x86-64-posix clang libclang-rt-14-dev"
missing=""
for p in $packages; do
    dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "deps: installing$missing"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends $missing >/dev/null
