#!/usr/bin/env bash
# Sourced by the test run inside its private network and mount namespaces:
# makes a test certificate authority that only this run trusts, names the
# test hosts, and starts TLS fronts for the tests' own web server on port 80:
#   league.test:443   certificate of the test authority for league.test
#   league.test:8443  self-signed certificate (an authority nobody trusts)
#   league.test:9443  certificate of the test authority for other.test
# Wine trusts the host's bundle and checks names, not addresses.
tls=$ZANT_BUILD/tls
make_certificates() {
  mkdir -p "$tls"
  [ -f "$tls/other.pem" ] && return 0
  openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -keyout "$tls/ca.key" -out "$tls/ca.pem" \
    -subj "/CN=ZANT test authority" >/dev/null 2>&1
  openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -keyout "$tls/untrusted.key" -out "$tls/untrusted.pem" \
    -subj "/CN=league.test" -addext "subjectAltName=DNS:league.test" >/dev/null 2>&1
  for name in league other; do
    openssl req -newkey rsa:2048 -nodes -keyout "$tls/$name.key" -out "$tls/$name.csr" \
      -subj "/CN=$name.test" >/dev/null 2>&1
    printf 'subjectAltName=DNS:%s.test\n' "$name" > "$tls/$name.ext"
    openssl x509 -req -in "$tls/$name.csr" -CA "$tls/ca.pem" -CAkey "$tls/ca.key" -CAcreateserial \
      -days 3650 -extfile "$tls/$name.ext" -out "$tls/$name.pem" >/dev/null 2>&1
  done
}
if make_certificates; then
  cat /etc/ssl/certs/ca-certificates.crt "$tls/ca.pem" > "$tls/bundle.crt"
  { cat /etc/hosts; echo "127.0.0.1 league.test other.test"; } > "$tls/hosts"
  if mount --bind "$tls/bundle.crt" /etc/ssl/certs/ca-certificates.crt && mount --bind "$tls/hosts" /etc/hosts; then
    python3 "$ZANT_ROOT/tests/support/tls_front.py" "$tls" </dev/null >/dev/null 2>&1 &
    tls_front=$!
    export ZANT_TLS=1
  fi
fi
