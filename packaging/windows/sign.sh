#!/bin/sh
# Signs Windows programs (Authenticode, SHA-256) with osslsigncode, in place, when a certificate
# is configured: QUILLANE_SIGN_CERT (PEM certificate, with its chain) and QUILLANE_SIGN_KEY (its
# PEM private key). Without them it signs nothing and says nothing, so that a build for a
# developer needs no certificate.
#   packaging/windows/sign.sh FILE.exe...
# The packages call it for every program before they are packed, for the installer once made
# and for the uninstaller the installer carries.
set -eu
[ -n "${QUILLANE_SIGN_CERT:-}" ] && [ -n "${QUILLANE_SIGN_KEY:-}" ] || exit 0
for file in "$@"; do
    osslsigncode sign -certs "$QUILLANE_SIGN_CERT" -key "$QUILLANE_SIGN_KEY" -h sha256 \
        -n Quillane -i https://quillane.velmora.example/ -in "$file" -out "$file.signed" >/dev/null
    mv "$file.signed" "$file"
done
