#pragma once

#include <QByteArray>

// PuTTY private-key files (versions 2 and 3), the form the head office's key comes in. The
// SSH library reads OpenSSH and PEM keys only, so a PuTTY file is turned into PEM in memory.
namespace PuttyKey {

bool isPuttyKey(const QByteArray &content);

// The key as unencrypted PKCS#8 PEM text. An encrypted file needs its passphrase (version 3
// files derive the cipher key with Argon2). Raises KorvelloError for a malformed file, a
// wrong passphrase (the file's MAC does not match) or a key type other than RSA.
QByteArray toPem(const QByteArray &content, const QByteArray &passphrase);

} // namespace PuttyKey
