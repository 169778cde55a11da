#!/usr/bin/env bash
# Installs every Debian package needed to build, test, benchmark and package Tollmere (Qt 6
# for the desktop program tollmere and its translations, Qt's own translations so that its
# file and folder choosers follow the language, dpkg-dev and file for the Debian package's
# dependencies).
# Safe to run again: apt-get skips what is already installed.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends \
    ca-certificates \
    cmake \
    ninja-build \
    g++ \
    clang \
    libclang-rt-14-dev \
    libgtest-dev \
    libgmock-dev \
    libbenchmark-dev \
    qt6-base-dev \
    qt6-tools-dev \
    qt6-tools-dev-tools \
    qt6-l10n-tools \
    qt6-translations-l10n \
    libgl-dev \
    dpkg-dev \
    file
