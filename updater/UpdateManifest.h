#pragma once
// The signed list of an update's files: "update.manifest" as sha256sum
// writes it, "update.manifest.sig" the Ed25519 signature of its bytes, and
// the installation's public key "update_key.pem". Checked with OpenSSL.
#include <QByteArray>
#include <QHash>
#include <QString>

#include <memory>

namespace updater {

inline const QString kManifestName = QStringLiteral("update.manifest");
inline const QString kSignatureName = QStringLiteral("update.manifest.sig");
inline const QString kUpdateKeyName = QStringLiteral("update_key.pem");

// File name to its SHA-256 (32 bytes).
using ManifestSums = QHash<QString, QByteArray>;

// Reads the lines "64 hex digits, two blanks (or a blank and '*'), file
// name". A line in any other form, an unsafe or repeated name, or no line at
// all makes the whole list invalid: false with the reason in `error`.
bool parseManifest(const QByteArray& bytes, ManifestSums& sums, QString& error);

// True when `signature` is the Ed25519 signature of `message` by the key
// whose public half `publicKeyPem` holds; false with the reason in `error`.
bool verifySignature(const QByteArray& publicKeyPem, const QByteArray& message, const QByteArray& signature,
                     QString& error);

// SHA-256 of bytes fed in pieces.
class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;
    void update(const char* data, qsizetype size);
    QByteArray result(); // 32 bytes; empty when the digest failed

private:
    struct Ctx;
    std::unique_ptr<Ctx> m_ctx;
};

} // namespace updater
