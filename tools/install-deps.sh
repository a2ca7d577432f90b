#!/usr/bin/env bash
# Installs what building, running and testing the program needs, from
# Debian 12's own packages. Run as root (or through sudo). The last line is
# for the install test: the desktop-entry and metainfo validators, and what
# `cpack -G DEB` uses to find the package's dependencies.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends \
  cmake ninja-build g++ pkg-config ccache clang-format git \
  clang libclang-rt-14-dev \
  qt6-base-dev qt6-base-dev-tools qt6-webengine-dev qt6-webengine-dev-tools libqt6opengl6-dev libgl-dev \
  libfreeimage-dev libarchive-dev libunarr-dev libsquish-dev zlib1g-dev imagemagick \
  libgtest-dev libgmock-dev libbenchmark-dev \
  libarchive-tools xvfb xauth fonts-dejavu-core \
  desktop-file-utils appstream dpkg-dev file >/dev/null
