#include "updater/UpdateManifest.h"

#include "platform/Cp949.h"
#include "updater/UpdateRun.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

namespace updater {

namespace {

struct PkeyFree {
    void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
struct MdCtxFree {
    void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); }
};
struct BioFree {
    void operator()(BIO* b) const { BIO_free(b); }
};

bool isHexDigits(const QByteArray& text) {
    for (const char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
            return false;
    return true;
}

} // namespace

bool parseManifest(const QByteArray& bytes, Manifest& manifest, QString& error) {
    ManifestSums& sums = manifest.sums;
    sums.clear();
    manifest.release.clear();
    bool released = false;
    const QList<QByteArray> lines = bytes.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        // Lines written on a workstation with CR LF line ends are the same list.
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            continue;
        const QString where = QStringLiteral("%1 %2행").arg(kManifestName).arg(i + 1);
        if (line.startsWith(kReleaseLinePrefix)) {
            // Blanks around the date, as in "Version.ini", do not count.
            if (released) {
                error = where + QStringLiteral("의 DATE 행이 중복되었습니다.");
                return false;
            }
            manifest.release =
                platform::fromCp949(line.mid(qsizetype(sizeof kReleaseLinePrefix) - 1)).trimmed();
            released = true;
            continue;
        }
        // sha256sum starts a line with a backslash when the name holds a
        // backslash or a line end: no such name is a plain file name here.
        if (line.size() < 67 || line[64] != ' ' || (line[65] != ' ' && line[65] != '*') ||
            !isHexDigits(line.left(64))) {
            error = where + QStringLiteral("의 형식이 올바르지 않습니다.");
            return false;
        }
        const QString name = platform::fromCp949(line.mid(66));
        if (isUnsafeRemoteName(name)) {
            error = where + QStringLiteral("의 파일명이 올바르지 않습니다.");
            return false;
        }
        if (sums.contains(name)) {
            error = where + QStringLiteral("의 파일명이 중복되었습니다.");
            return false;
        }
        sums.insert(name, QByteArray::fromHex(line.left(64)));
    }
    if (sums.isEmpty() || !released) {
        error = kManifestName + (released ? QStringLiteral("에 파일이 없습니다.")
                                          : QStringLiteral("에 Version.ini의 DATE 행(%1)이 없습니다.")
                                                .arg(QLatin1String(kReleaseLinePrefix)));
        return false;
    }
    return true;
}

bool verifySignature(const QByteArray& publicKeyPem, const QByteArray& message, const QByteArray& signature,
                     QString& error) {
    std::unique_ptr<BIO, BioFree> bio(BIO_new_mem_buf(publicKeyPem.constData(), int(publicKeyPem.size())));
    std::unique_ptr<EVP_PKEY, PkeyFree> key(bio ? PEM_read_bio_PUBKEY(bio.get(), nullptr, nullptr, nullptr)
                                                : nullptr);
    ERR_clear_error();
    if (!key || EVP_PKEY_get_id(key.get()) != EVP_PKEY_ED25519) {
        error = kUpdateKeyName + QStringLiteral("은 Ed25519 공개키가 아닙니다.");
        return false;
    }
    std::unique_ptr<EVP_MD_CTX, MdCtxFree> ctx(EVP_MD_CTX_new());
    // Ed25519 signs the message itself: no separate digest, one-shot verify.
    const bool ok = ctx && EVP_DigestVerifyInit(ctx.get(), nullptr, nullptr, nullptr, key.get()) == 1 &&
                    EVP_DigestVerify(ctx.get(), reinterpret_cast<const unsigned char*>(signature.constData()),
                                     static_cast<size_t>(signature.size()),
                                     reinterpret_cast<const unsigned char*>(message.constData()),
                                     static_cast<size_t>(message.size())) == 1;
    ERR_clear_error();
    if (!ok)
        error = kSignatureName + QStringLiteral(" 서명이 ") + kUpdateKeyName +
                QStringLiteral(" 키와 맞지 않습니다.");
    return ok;
}

struct Sha256::Ctx {
    std::unique_ptr<EVP_MD_CTX, MdCtxFree> md{EVP_MD_CTX_new()};
    bool ok = false;
};

Sha256::Sha256() : m_ctx(std::make_unique<Ctx>()) {
    m_ctx->ok = m_ctx->md && EVP_DigestInit_ex(m_ctx->md.get(), EVP_sha256(), nullptr) == 1;
}

Sha256::~Sha256() = default;

void Sha256::update(const char* data, qsizetype size) {
    if (m_ctx->ok)
        m_ctx->ok = EVP_DigestUpdate(m_ctx->md.get(), data, static_cast<size_t>(size)) == 1;
}

QByteArray Sha256::result() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!m_ctx->ok || EVP_DigestFinal_ex(m_ctx->md.get(), digest, &length) != 1)
        return {};
    m_ctx->ok = false;
    return QByteArray(reinterpret_cast<const char*>(digest), int(length));
}

} // namespace updater
