#!/usr/bin/env bash
# Sourced by the test run inside its private network and mount namespaces: a
# test certificate authority only this run trusts, the test host names, and
# TLS fronts (socat) for the tests' web server on port 80. Wine trusts the
# host's bundle and checks names, not addresses:
#   league.test:443 authority's certificate for league.test; :8443 a
#   self-signed one; :9443 the authority's certificate for other.test.
tls=$ZANT_BUILD/tls
certify() {  # certify NAME CN [CA]: a key and certificate, signed by the test authority when CA is given
  openssl req -newkey rsa:2048 -nodes -keyout "$tls/$1.key" -subj "/CN=$2" -addext "subjectAltName=DNS:$2" \
    ${3:+-CA "$tls/ca.pem" -CAkey "$tls/ca.key"} -x509 -days 3650 -out "$tls/$1.pem" >/dev/null 2>&1
}
mkdir -p "$tls"
[ -f "$tls/other.pem" ] || { certify ca "ZANT test authority" && certify untrusted league.test &&
  certify league league.test ca && certify other other.test ca; }
cat /etc/ssl/certs/ca-certificates.crt "$tls/ca.pem" > "$tls/bundle.crt"
{ cat /etc/hosts; echo "127.0.0.1 league.test other.test"; } > "$tls/hosts"
if mount --bind "$tls/bundle.crt" /etc/ssl/certs/ca-certificates.crt && mount --bind "$tls/hosts" /etc/hosts; then
  for front in 443:league 8443:untrusted 9443:other; do
    socat "OPENSSL-LISTEN:${front%%:*},bind=127.0.0.1,reuseaddr,fork,verify=0,cert=$tls/${front#*:}.pem,key=$tls/${front#*:}.key" \
      TCP:127.0.0.1:80 </dev/null >/dev/null 2>&1 &
    tls_fronts+=" $!"
  done
  export ZANT_TLS=1
fi
