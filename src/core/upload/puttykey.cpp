#include "core/upload/puttykey.h"

#include "core/platform/errors.h"

#include <QCryptographicHash>
#include <QList>
#include <QMap>
#include <QMessageAuthenticationCode>

#include <argon2.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <openssl/pem.h>

#include <memory>

namespace PuttyKey {

namespace {

[[noreturn]] void fail(const QString &why) {
    throw KorvelloError(QStringLiteral("Unreadable PuTTY key file: %1").arg(why));
}

struct Parsed {
    int version = 0;
    QByteArray algorithm;
    QByteArray encryption;
    QByteArray comment;
    QByteArray publicBlob;
    QByteArray privateBlob;
    QByteArray mac;
    QMap<QByteArray, QByteArray> fields;
};

Parsed parse(const QByteArray &content) {
    Parsed key;
    QList<QByteArray> lines = content.split('\n');
    for (QByteArray &line : lines)
        line = line.trimmed();
    int i = 0;
    auto blob = [&](const QByteArray &countText) {
        bool ok = false;
        const int count = countText.toInt(&ok);
        if (!ok || count < 0 || i + count > lines.size())
            fail(QStringLiteral("bad line count"));
        QByteArray base64;
        for (int n = 0; n < count; ++n)
            base64 += lines.at(i++);
        return QByteArray::fromBase64(base64);
    };
    while (i < lines.size()) {
        const QByteArray line = lines.at(i++);
        const qsizetype colon = line.indexOf(": ");
        if (colon < 0)
            continue;
        const QByteArray name = line.left(colon);
        const QByteArray value = line.mid(colon + 2);
        if (name.startsWith("PuTTY-User-Key-File-")) {
            key.version = name.mid(20).toInt();
            key.algorithm = value;
        } else if (name == "Public-Lines") {
            key.publicBlob = blob(value);
        } else if (name == "Private-Lines") {
            key.privateBlob = blob(value);
        } else {
            key.fields.insert(name, value);
        }
    }
    if (key.version != 2 && key.version != 3)
        fail(QStringLiteral("not a version 2 or 3 file"));
    key.encryption = key.fields.value("Encryption");
    key.comment = key.fields.value("Comment");
    key.mac = QByteArray::fromHex(key.fields.value("Private-MAC"));
    if (key.publicBlob.isEmpty() || key.privateBlob.isEmpty() || key.mac.isEmpty())
        fail(QStringLiteral("missing key lines"));
    if (key.encryption != "none" && key.encryption != "aes256-cbc")
        fail(QStringLiteral("unknown encryption %1").arg(QString::fromLatin1(key.encryption)));
    return key;
}

QByteArray sshString(const QByteArray &data) {
    QByteArray out(4, '\0');
    const quint32 n = quint32(data.size());
    out[0] = char(n >> 24);
    out[1] = char(n >> 16);
    out[2] = char(n >> 8);
    out[3] = char(n);
    return out + data;
}

// Reads SSH wire-format strings (and mpints) one after the other.
class Reader {
public:
    explicit Reader(const QByteArray &data) : m_data(data) {}
    QByteArray next() {
        if (m_pos + 4 > m_data.size())
            fail(QStringLiteral("truncated key data"));
        const auto *p = reinterpret_cast<const unsigned char *>(m_data.constData() + m_pos);
        const quint32 n =
            (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | p[3];
        m_pos += 4;
        if (n > quint32(m_data.size() - m_pos))
            fail(QStringLiteral("truncated key data"));
        const QByteArray out = m_data.mid(m_pos, n);
        m_pos += n;
        return out;
    }

private:
    QByteArray m_data;
    qsizetype m_pos = 0;
};

struct Secrets {
    QByteArray cipherKey;
    QByteArray iv;
    QByteArray macKey;
};

Secrets deriveV2(const QByteArray &passphrase, bool encrypted) {
    Secrets s;
    if (encrypted) {
        const QByteArray a = QCryptographicHash::hash(QByteArray("\0\0\0\0", 4) + passphrase,
                                                      QCryptographicHash::Sha1);
        const QByteArray b = QCryptographicHash::hash(QByteArray("\0\0\0\1", 4) + passphrase,
                                                      QCryptographicHash::Sha1);
        s.cipherKey = (a + b).left(32);
        s.iv = QByteArray(16, '\0');
    }
    s.macKey = QCryptographicHash::hash("putty-private-key-file-mac-key" +
                                            (encrypted ? passphrase : QByteArray()),
                                        QCryptographicHash::Sha1);
    return s;
}

Secrets deriveV3(const Parsed &key, const QByteArray &passphrase) {
    Secrets s;
    if (key.encryption == "none")
        return s; // an empty MAC key
    const QByteArray kdf = key.fields.value("Key-Derivation");
    argon2_type type;
    if (kdf == "Argon2id")
        type = Argon2_id;
    else if (kdf == "Argon2i")
        type = Argon2_i;
    else if (kdf == "Argon2d")
        type = Argon2_d;
    else
        fail(QStringLiteral("unknown key derivation %1").arg(QString::fromLatin1(kdf)));
    const quint32 memory = key.fields.value("Argon2-Memory").toUInt();
    const quint32 passes = key.fields.value("Argon2-Passes").toUInt();
    const quint32 lanes = key.fields.value("Argon2-Parallelism").toUInt();
    const QByteArray salt = QByteArray::fromHex(key.fields.value("Argon2-Salt"));
    QByteArray out(80, '\0');
    const int rc = argon2_hash(passes, memory, lanes, passphrase.constData(),
                               size_t(passphrase.size()), salt.constData(), size_t(salt.size()),
                               out.data(), size_t(out.size()), nullptr, 0, type, ARGON2_VERSION_13);
    if (rc != ARGON2_OK)
        fail(QString::fromUtf8(argon2_error_message(rc)));
    s.cipherKey = out.left(32);
    s.iv = out.mid(32, 16);
    s.macKey = out.mid(48, 32);
    return s;
}

QByteArray decrypt(const QByteArray &data, const Secrets &secrets) {
    if (data.size() % 16 != 0)
        fail(QStringLiteral("bad private data length"));
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(),
                                                                        EVP_CIPHER_CTX_free);
    QByteArray out(data.size() + 16, '\0');
    int len = 0;
    int tail = 0;
    const auto *key = reinterpret_cast<const unsigned char *>(secrets.cipherKey.constData());
    const auto *iv = reinterpret_cast<const unsigned char *>(secrets.iv.constData());
    if (!ctx || EVP_DecryptInit_ex(ctx.get(), EVP_aes_256_cbc(), nullptr, key, iv) != 1 ||
        EVP_CIPHER_CTX_set_padding(ctx.get(), 0) != 1 ||
        EVP_DecryptUpdate(ctx.get(), reinterpret_cast<unsigned char *>(out.data()), &len,
                          reinterpret_cast<const unsigned char *>(data.constData()),
                          int(data.size())) != 1 ||
        EVP_DecryptFinal_ex(ctx.get(), reinterpret_cast<unsigned char *>(out.data()) + len,
                            &tail) != 1)
        fail(QStringLiteral("cannot decrypt"));
    out.resize(len + tail);
    return out;
}

using Bignum = std::unique_ptr<BIGNUM, decltype(&BN_clear_free)>;

Bignum bignum(const QByteArray &mpint) {
    return Bignum(BN_bin2bn(reinterpret_cast<const unsigned char *>(mpint.constData()),
                            int(mpint.size()), nullptr),
                  BN_clear_free);
}

QByteArray rsaPem(const QByteArray &publicBlob, const QByteArray &privateBlob) {
    Reader pub(publicBlob);
    if (pub.next() != "ssh-rsa")
        fail(QStringLiteral("public part is not an RSA key"));
    const Bignum e = bignum(pub.next());
    const Bignum n = bignum(pub.next());
    Reader priv(privateBlob);
    const Bignum d = bignum(priv.next());
    const Bignum p = bignum(priv.next());
    const Bignum q = bignum(priv.next());
    const Bignum iqmp = bignum(priv.next());

    std::unique_ptr<BN_CTX, decltype(&BN_CTX_free)> bnctx(BN_CTX_new(), BN_CTX_free);
    Bignum p1(BN_dup(p.get()), BN_clear_free), q1(BN_dup(q.get()), BN_clear_free);
    Bignum dmp1(BN_new(), BN_clear_free), dmq1(BN_new(), BN_clear_free);
    if (!bnctx || !p1 || !q1 || !dmp1 || !dmq1 || !BN_sub_word(p1.get(), 1) ||
        !BN_sub_word(q1.get(), 1) || !BN_mod(dmp1.get(), d.get(), p1.get(), bnctx.get()) ||
        !BN_mod(dmq1.get(), d.get(), q1.get(), bnctx.get()))
        fail(QStringLiteral("inconsistent RSA key"));

    std::unique_ptr<OSSL_PARAM_BLD, decltype(&OSSL_PARAM_BLD_free)> build(OSSL_PARAM_BLD_new(),
                                                                          OSSL_PARAM_BLD_free);
    OSSL_PARAM_BLD_push_BN(build.get(), OSSL_PKEY_PARAM_RSA_N, n.get());
    OSSL_PARAM_BLD_push_BN(build.get(), OSSL_PKEY_PARAM_RSA_E, e.get());
    OSSL_PARAM_BLD_push_BN(build.get(), OSSL_PKEY_PARAM_RSA_D, d.get());
    OSSL_PARAM_BLD_push_BN(build.get(), OSSL_PKEY_PARAM_RSA_FACTOR1, p.get());
    OSSL_PARAM_BLD_push_BN(build.get(), OSSL_PKEY_PARAM_RSA_FACTOR2, q.get());
    OSSL_PARAM_BLD_push_BN(build.get(), OSSL_PKEY_PARAM_RSA_EXPONENT1, dmp1.get());
    OSSL_PARAM_BLD_push_BN(build.get(), OSSL_PKEY_PARAM_RSA_EXPONENT2, dmq1.get());
    OSSL_PARAM_BLD_push_BN(build.get(), OSSL_PKEY_PARAM_RSA_COEFFICIENT1, iqmp.get());
    std::unique_ptr<OSSL_PARAM, decltype(&OSSL_PARAM_free)> params(
        OSSL_PARAM_BLD_to_param(build.get()), OSSL_PARAM_free);
    std::unique_ptr<EVP_PKEY_CTX, decltype(&EVP_PKEY_CTX_free)> ctx(
        EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr), EVP_PKEY_CTX_free);
    EVP_PKEY *raw = nullptr;
    if (!params || !ctx || EVP_PKEY_fromdata_init(ctx.get()) <= 0 ||
        EVP_PKEY_fromdata(ctx.get(), &raw, EVP_PKEY_KEYPAIR, params.get()) <= 0)
        fail(QStringLiteral("inconsistent RSA key"));
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> pkey(raw, EVP_PKEY_free);

    std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new(BIO_s_mem()), BIO_free);
    if (!bio ||
        PEM_write_bio_PrivateKey(bio.get(), pkey.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1)
        fail(QStringLiteral("cannot convert the key"));
    char *data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return QByteArray(data, size);
}

} // namespace

bool isPuttyKey(const QByteArray &content) {
    return content.startsWith("PuTTY-User-Key-File-");
}

QByteArray toPem(const QByteArray &content, const QByteArray &passphrase) {
    const Parsed key = parse(content);
    const bool encrypted = key.encryption != "none";
    const Secrets secrets =
        key.version == 2 ? deriveV2(passphrase, encrypted) : deriveV3(key, passphrase);
    const QByteArray privateBlob = encrypted ? decrypt(key.privateBlob, secrets) : key.privateBlob;

    const QByteArray macData = sshString(key.algorithm) + sshString(key.encryption) +
                               sshString(key.comment) + sshString(key.publicBlob) +
                               sshString(privateBlob);
    const QByteArray mac = QMessageAuthenticationCode::hash(
        macData, secrets.macKey,
        key.version == 2 ? QCryptographicHash::Sha1 : QCryptographicHash::Sha256);
    if (mac != key.mac)
        fail(encrypted ? QStringLiteral("wrong passphrase")
                       : QStringLiteral("the file is damaged"));
    if (key.algorithm != "ssh-rsa")
        fail(QStringLiteral("key type %1 is not supported (RSA only)")
                 .arg(QString::fromLatin1(key.algorithm)));
    return rsaPem(key.publicBlob, privateBlob);
}

} // namespace PuttyKey
