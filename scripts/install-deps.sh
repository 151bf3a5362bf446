#!/usr/bin/env bash
# Installs everything the builds, tests, fuzzers and benchmarks need on Debian 12 (as root).
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
  # host build and tests
  cmake g++ make git clang clang-format clang-tidy libclang-rt-14-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev
  # the browser test of the report page (kdxinfo read --html)
  chromium
  python3
  # the JSON of kdxinfo read and diff held to docs/report-json.schema.json
  python3-jsonschema
  # /usr/bin/time: the peak memory of the host program on the machine shapes
  time
  # Windows build and its tests under Wine: wine32 for the 32-bit prefixes, wine64 for the
  # 64-bit one, where the programs run under WOW64
  g++-mingw-w64-i686 wine wine32:i386 wine64 xvfb xdotool imagemagick
  # the German locale Wine takes its user locale from (tests/win32/wine_prefix.sh)
  locales
)

export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
apt-get update -qq
apt-get install -y -qq "${packages[@]}" >/dev/null

# Wine falls back to US English when the Unix locale it is given is not there.
if ! locale -a | grep -qix 'de_DE\.utf-\?8'; then
  sed -i 's/^# *\(de_DE\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -qx 'de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen >/dev/null
fi
