#!/usr/bin/env bash
# Sourced by the test run: signatures of test updates made with the signing
# tool itself, with the demo league's key and with another one.
sig=$ZANT_BUILD/signatures
mkdir -p "$sig"
cp "$ZANT_BUILD/win64/demo/zant_standin.exe" "$sig/update.exe"
printf 'this is no program' > "$sig/noprogram.exe"
[ -f "$sig/other.key" ] || minisign -G -W -f -p "$sig/other.pub" -s "$sig/other.key" </dev/null >/dev/null
sign() {  # sign KEY FILE SIGNATURE VERSION [minisign options]
  minisign -S -s "$1" -m "$sig/$2" -x "$sig/$3" -t "ZANT Launcher $4" "${@:5}" </dev/null >/dev/null
}
sign "$ZANT_ROOT/demo/update.key" update.exe good.minisig 9.9.0.0 &&
  sign "$ZANT_ROOT/demo/update.key" update.exe legacy.minisig 9.9.0.0 -l &&
  sign "$sig/other.key" update.exe other.minisig 9.9.0.0 &&
  sign "$ZANT_ROOT/demo/update.key" update.exe older.minisig 1.8.4.0 &&
  sign "$ZANT_ROOT/demo/update.key" noprogram.exe noprogram.minisig 1.8.4.0 &&
  export ZANT_SIGNATURES="Z:$sig/"
