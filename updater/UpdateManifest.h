#pragma once
// The signed list of an update's files: "update.manifest" names its release
// (the "DATE" of its "Version.ini") and holds the files' lines as sha256sum
// writes them, "update.manifest.sig" is the Ed25519 signature of its bytes,
// and "update_key.pem" the installation's public key. Checked with OpenSSL.
#include <QByteArray>
#include <QHash>
#include <QString>

#include <memory>

namespace updater {

inline const QString kManifestName = QStringLiteral("update.manifest");
inline const QString kSignatureName = QStringLiteral("update.manifest.sig");
inline const QString kUpdateKeyName = QStringLiteral("update_key.pem");

// The line that names the release, before its date. sha256sum -c passes
// over it as a remark.
inline constexpr char kReleaseLinePrefix[] = "# Version.ini DATE=";

// File name to its SHA-256 (32 bytes).
using ManifestSums = QHash<QString, QByteArray>;

struct Manifest {
    QString release; // the "DATE" of the release's "Version.ini"
    ManifestSums sums;
};

// Reads one release line (kReleaseLinePrefix and a date) and the lines "64
// hex digits, two blanks (or a blank and '*'), file name". A line in any
// other form, an unsafe or repeated name, no file line, or not exactly one
// release line makes the whole list invalid: false with the reason in
// `error`. Without its release line a list could vouch for any release.
bool parseManifest(const QByteArray& bytes, Manifest& manifest, QString& error);

// True when `signature` is the Ed25519 signature of `message` by the key
// whose public half `publicKeyPem` holds; false with the reason in `error`.
bool verifySignature(const QByteArray& publicKeyPem, const QByteArray& message, const QByteArray& signature,
                     QString& error);

// SHA-256 of bytes fed in pieces.
class Sha256 {
public:
    Sha256();
    ~Sha256();
    Q_DISABLE_COPY(Sha256)
    void update(const char* data, qsizetype size);
    QByteArray result(); // 32 bytes; empty when the digest failed

private:
    struct Ctx;
    std::unique_ptr<Ctx> m_ctx;
};

} // namespace updater
