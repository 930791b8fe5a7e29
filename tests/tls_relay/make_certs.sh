#!/bin/sh
# Makes the certificates of the tests' loopback TLS server into DIR:
#   ca.pem                      a test certificate authority
#   localhost.pem, .key         a server certificate for "localhost" that it issued
#   untrusted.pem, .key         a self-signed server certificate for "localhost"
# Only the tests trust ca.pem, and only in their own process or Wine prefix;
# the CA's key is deleted once the server certificate is signed.
# OPENSSL names the openssl command (default: the one on the PATH).
set -e
OPENSSL="${OPENSSL:-openssl}"
dir="$1"
mkdir -p "$dir"
cd "$dir"
days=3650
"$OPENSSL" req -x509 -newkey rsa:2048 -nodes -sha256 -days $days -subj "/CN=Trovelinks Test CA" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
  -keyout ca.key -out ca.pem 2>/dev/null
printf '%s\n' "subjectAltName=DNS:localhost" "basicConstraints=CA:FALSE" \
  "authorityKeyIdentifier=keyid" \
  "keyUsage=critical,digitalSignature,keyEncipherment" "extendedKeyUsage=serverAuth" > server.ext
"$OPENSSL" req -newkey rsa:2048 -nodes -sha256 -subj "/CN=localhost" \
  -keyout localhost.key -out localhost.csr 2>/dev/null
"$OPENSSL" x509 -req -sha256 -days $days -in localhost.csr -CA ca.pem -CAkey ca.key \
  -set_serial 2 -extfile server.ext -out localhost.pem 2>/dev/null
"$OPENSSL" req -x509 -newkey rsa:2048 -nodes -sha256 -days $days -subj "/CN=localhost" \
  -addext "subjectAltName=DNS:localhost" -addext "extendedKeyUsage=serverAuth" \
  -keyout untrusted.key -out untrusted.pem 2>/dev/null
rm -f localhost.csr server.ext ca.key
