#!/usr/bin/env bash
# Installs what is missing, builds, and makes the Debian package
# build/vek-enobtest_<version>_<architecture>.deb (CPack's DEB generator on the default build;
# the binaries are stripped, the run-time dependencies found by dpkg-shlibdeps).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default
rm -f build/default/package/*.deb
(cd build/default && cpack -G DEB)
cp build/default/package/*.deb build/
ls build/*.deb
