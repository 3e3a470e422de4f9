#!/usr/bin/env bash
# Signing: scripts/sign on a copy of each program file, with a throwaway
# certificate made here. Each signature must verify against that
# certificate with a SHA-256 digest, and removing it must give back the
# unsigned bytes (signing adds a signature and changes nothing else). The
# PKCS#12 route with a password and the route with no signer at all are
# tried once each; a file changed after signing must fail verification.
#   signing_test.sh SIGN_SCRIPT PROGRAM...
set -euo pipefail
sign=$1
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Melvox signing test" \
  -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
  -keyout "$work/key.pem" -out "$work/cert.pem" >/dev/null 2>&1

verifies() { # FILE: a valid SHA-256 signature by the test certificate
  local out
  out=$(osslsigncode verify -CAfile "$work/cert.pem" -in "$1" 2>&1) || return 1
  grep -q "Subject: /CN=Melvox signing test" <<<"$out" &&
    grep -qi "Message digest algorithm *: SHA256" <<<"$out"
}

for program in "$@"; do
  name=$(basename "$program")
  copy="$work/$name"
  cp "$program" "$copy"
  MELVOX_SIGN_CERT="$work/cert.pem" MELVOX_SIGN_KEY="$work/key.pem" "$sign" "$copy" >/dev/null
  cmp -s "$program" "$copy" && fail "$name: the file was not changed by signing"
  verifies "$copy" || fail "$name: the signature does not verify against the certificate"
  osslsigncode remove-signature -in "$copy" -out "$work/unsigned.exe" >/dev/null
  cmp -s "$program" "$work/unsigned.exe" ||
    fail "$name: removing the signature does not give back the unsigned bytes"
  rm -f "$work/unsigned.exe"
  echo "ok: $name signed, verified, and unsigned to its original bytes"
done

program=$1
copy="$work/p12-$(basename "$program")"
cp "$program" "$copy"
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -passout pass:s3cret \
  -out "$work/signer.p12"
MELVOX_SIGN_PKCS12="$work/signer.p12" MELVOX_SIGN_PASSWORD=s3cret "$sign" "$copy" >/dev/null
verifies "$copy" || fail "PKCS#12: the signature does not verify against the certificate"
echo "ok: signed from a PKCS#12 file with its password"

# One byte of the code changed after signing: the signature no longer holds.
printf 'X' | dd of="$copy" bs=1 seek=1100 conv=notrunc status=none
verifies "$copy" && fail "a file changed after signing still verifies"
echo "ok: a file changed after signing fails verification"

copy="$work/throwaway-$(basename "$program")"
cp "$program" "$copy"
said=$(env -u MELVOX_SIGN_CERT -u MELVOX_SIGN_KEY -u MELVOX_SIGN_PKCS12 "$sign" "$copy")
grep -q "throwaway self-signed certificate" <<<"$said" ||
  fail "signing with no signer given does not say it used a throwaway certificate"
# Verification itself fails (the certificate is trusted by nobody); the
# signer is named all the same.
shown=$(osslsigncode verify -in "$copy" 2>&1 || true)
grep -q "Subject: /CN=Melvox Repair Tool throwaway" <<<"$shown" ||
  fail "signing with no signer given left no throwaway signature"
echo "ok: with no signer given, a throwaway certificate signs and the script says so"

[ "$failures" -eq 0 ]
