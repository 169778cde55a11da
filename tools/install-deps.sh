#!/usr/bin/env bash
# Installs every Debian package needed to build, test and benchmark Tollmere.
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
    libbenchmark-dev
