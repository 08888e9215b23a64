#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package is native and carries the version record's version and
# the release day the metainfo gives it.
#
#   check_debian.sh SOURCE_DIR VERSION METAINFO
set -euo pipefail
source=$1 version=$2 metainfo=$3
changelog="$source/debian/changelog"
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

packaged=$(dpkg-parsechangelog -l "$changelog" -S Version)
[ "$packaged" = "$version" ] || fail "debian/changelog is at $packaged, the version record at $version"
day=$(date -u -d "$(dpkg-parsechangelog -l "$changelog" -S Date)" +%F)
released=$(xmllint --xpath 'string(//releases/release[1]/@date)' "$metainfo")
[ "$day" = "$released" ] || fail "debian/changelog is dated $day, the release $released"
format=$(cat "$source/debian/source/format")
[ "$format" = "3.0 (native)" ] || fail "debian/source/format is '$format'"

[ $failures -eq 0 ] || exit 1
echo "debian/changelog: $packaged of $day"
