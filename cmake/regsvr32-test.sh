#!/usr/bin/env bash
# Registers the module with Wine's own regsvr32 in the build tree's private
# prefix, reads the registry back with Wine's reg, then unregisters it.
#   regsvr32-test.sh WINE_RUN PREFIX ARCH DLL
set -uo pipefail
run=$1 prefix=$2 arch=$3 dll=$4
wine() { "$run" "$prefix" "$arch" "$@"; }

fail() { echo "FAIL: $*"; exit 1; }
wine regsvr32 /s "$dll"
rc=$?
[ $rc -eq 77 ] && exit 77
[ $rc -eq 0 ] || fail "regsvr32 returned $rc"

query() { wine reg query "$@" 2>/dev/null | tr -d '\r'; }
for entry in \
  "{B97C0F23-196D-11D1-B99B-00A0C9053912}|Orlo Noise Gate" \
  "{A6DF8F41-BAF4-11D0-AEBC-00A0C9053912}|AkNoisgt Property Page" \
  "{8B7226EE-4584-11D1-B4CB-00A0C9270A10}|Orlo Graphic EQ" \
  "{026D0AA2-9BB9-11D0-AEBC-00A0C9053912}|AkMbdyn Property Page2"; do
  id=${entry%%|*} name=${entry#*|}
  query "HKCR\\CLSID\\$id" /ve | grep -q "$name" || fail "$id has no display name '$name'"
  query "HKCR\\CLSID\\$id\\InprocServer32" /v ThreadingModel | grep -q Both || fail "$id ThreadingModel"
  query "HKCR\\CLSID\\$id\\InprocServer32" /ve | grep -qi 'orlofx.dll' || fail "$id module path"
done
category='HKCR\CLSID\{083863F1-70DE-11D0-BD40-00A0C911CE86}\Instance\{B97C0F23-196D-11D1-B99B-00A0C9053912}'
query "$category" /v FriendlyName | grep -q 'Orlo Noise Gate' || fail "Noise Gate missing from the legacy filter category"

wine regsvr32 /s /u "$dll" || fail "regsvr32 /u failed"
query 'HKCR\CLSID\{B97C0F23-196D-11D1-B99B-00A0C9053912}' /ve | grep -q 'Orlo' && fail "keys left after /u"
query "$category" /v FriendlyName | grep -q 'Orlo' && fail "category entry left after /u"
echo "regsvr32 registered and unregistered the module"
