// The profile functions of Windows, emulated on the settings files' bytes.
#include "platform/Profile.h"

#include "platform/ProgramDir.h"

#include "platform/Cp949.h"

#include <QFile>
#include <QSaveFile>

namespace platform {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

QByteArray trimBlanks(QByteArrayView s) {
    qsizetype b = 0, e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && (isBlank(s[e - 1]) || s[e - 1] == '\r'))
        --e;
    return s.sliced(b, e - b).toByteArray();
}

// Names compare without regard to ASCII case. A CP949 trail byte may look
// like an ASCII letter (갂 is 81 41, 갵 is 81 61), so the two bytes of a
// double-byte character compare exactly.
bool sameName(QByteArrayView a, QByteArrayView b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (static_cast<unsigned char>(x) >= 0x81 && i + 1 < a.size()) {
            if (x != y || a[i + 1] != b[i + 1])
                return false;
            ++i;
            continue;
        }
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 32);
        if (x != y)
            return false;
    }
    return true;
}

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

// The file's lines without their ends; eol receives the file's own line end
// (CR LF unless the first line ends in a bare LF), which a write keeps. A UTF-8
// byte-order mark (an editor's "save as UTF-8") is not part of the first line;
// bom receives it so that a write puts it back.
QList<QByteArray> readLines(const QString& fileName, bool* exists = nullptr, QByteArray* eol = nullptr,
                            QByteArray* bom = nullptr) {
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly)) {
        if (exists)
            *exists = false;
        return {};
    }
    if (exists)
        *exists = true;
    QByteArray all = f.readAll();
    if (all.startsWith(kUtf8Bom)) {
        all.remove(0, 3);
        if (bom)
            *bom = kUtf8Bom;
    }
    if (eol) {
        const qsizetype lf = all.indexOf('\n');
        *eol = (lf > 0 && all[lf - 1] == '\r') || lf < 0 ? QByteArray("\r\n") : QByteArray("\n");
    }
    QList<QByteArray> lines = all.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (auto& l : lines)
        if (l.endsWith('\r'))
            l.chop(1);
    return lines;
}

// The section name of a "[name]" line, or nullopt for other lines.
std::optional<QByteArray> sectionOf(const QByteArray& line) {
    const QByteArray t = trimBlanks(line);
    if (!t.startsWith('['))
        return std::nullopt;
    const qsizetype close = t.indexOf(']');
    if (close < 0)
        return std::nullopt;
    return trimBlanks(QByteArrayView(t).sliced(1, close - 1));
}

// The key of a "key=value" line (nullopt for comments and blank lines).
std::optional<QByteArray> keyOf(const QByteArray& line, QByteArray* value = nullptr) {
    const QByteArray t = trimBlanks(line);
    if (t.isEmpty() || t.startsWith(';'))
        return std::nullopt;
    const qsizetype eq = t.indexOf('=');
    if (eq < 0) {
        if (value)
            value->clear();
        return t;
    }
    if (value)
        *value = trimBlanks(QByteArrayView(t).sliced(eq + 1));
    return trimBlanks(QByteArrayView(t).first(eq));
}

std::optional<QByteArray> lookup(const QString& section, const QString& key, const QString& fileName) {
    const QByteArray wantSection = trimBlanks(toCp949(section));
    const QByteArray wantKey = trimBlanks(toCp949(key));
    bool inSection = false;
    for (const QByteArray& line : readLines(fileName)) {
        if (auto s = sectionOf(line)) {
            if (inSection)
                return std::nullopt; // only the first section of that name counts
            inSection = sameName(*s, wantSection);
            continue;
        }
        if (!inSection)
            continue;
        QByteArray value;
        if (auto k = keyOf(line, &value); k && sameName(*k, wantKey)) {
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                value.back() == value.front())
                value = value.sliced(1, value.size() - 2);
            return value;
        }
    }
    return std::nullopt;
}

// Cuts bytes to at most max, never between the two bytes of a double-byte character.
QByteArray cutBytes(const QByteArray& bytes, qsizetype max) {
    if (bytes.size() <= max)
        return bytes;
    qsizetype i = 0;
    while (i < max) {
        const qsizetype step = (static_cast<unsigned char>(bytes[i]) >= 0x81 && i + 1 < bytes.size()) ? 2 : 1;
        if (i + step > max)
            break;
        i += step;
    }
    return bytes.first(i);
}

} // namespace

QString GetPrivateProfileStringA(const QString& section, const QString& key, const QString& defaultValue,
                                 int size, const QString& fileName) {
    if (size <= 0)
        return QString();
    QByteArray bytes;
    if (auto v = lookup(section, key, fileName))
        bytes = *v;
    else
        bytes = trimBlanks(toCp949(defaultValue));
    return fromCp949(cutBytes(bytes, size - 1));
}

int GetPrivateProfileIntA(const QString& section, const QString& key, int defaultValue,
                          const QString& fileName) {
    const auto v = lookup(section, key, fileName);
    if (!v)
        return defaultValue;
    qsizetype i = 0;
    bool negative = false;
    if (i < v->size() && ((*v)[i] == '-' || (*v)[i] == '+'))
        negative = (*v)[i++] == '-';
    qint64 n = 0;
    while (i < v->size() && (*v)[i] >= '0' && (*v)[i] <= '9') {
        n = n * 10 + ((*v)[i++] - '0');
        if (n > 0xFFFFFFFFLL)
            break;
    }
    return static_cast<int>(negative ? -n : n);
}

bool WritePrivateProfileStringA(const QString& section, const std::optional<QString>& key,
                                const std::optional<QString>& value, const QString& fileName) {
    bool exists = false;
    QByteArray eol = "\r\n"; // new files
    QByteArray out;
    QList<QByteArray> lines = readLines(fileName, &exists, &eol, &out);
    const QByteArray wantSection = trimBlanks(toCp949(section));
    const QByteArray wantKey = key ? trimBlanks(toCp949(*key)) : QByteArray();
    const QByteArray newLine = wantKey + '=' + (value ? toCp949(*value) : QByteArray());

    qsizetype sectionLine = -1, sectionEnd = lines.size(), lastKeyLine = -1, keyLine = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (auto s = sectionOf(lines[i])) {
            if (sectionLine >= 0) {
                sectionEnd = i;
                break;
            }
            if (sameName(*s, wantSection)) {
                sectionLine = i;
                lastKeyLine = i;
            }
            continue;
        }
        if (sectionLine < 0)
            continue;
        if (auto k = keyOf(lines[i])) {
            lastKeyLine = i;
            if (key && keyLine < 0 && sameName(*k, wantKey))
                keyLine = i;
        }
    }

    if (!key) { // remove the whole section
        if (sectionLine < 0)
            return true;
        lines.remove(sectionLine, sectionEnd - sectionLine);
    } else if (!value) { // remove the key
        if (keyLine < 0)
            return true;
        lines.remove(keyLine);
    } else if (keyLine >= 0) {
        lines[keyLine] = newLine;
    } else if (sectionLine >= 0) {
        lines.insert(lastKeyLine + 1, newLine);
    } else {
        lines.append('[' + wantSection + ']');
        lines.append(newLine);
    }

    for (const QByteArray& l : lines)
        out += l + eol;
    QSaveFile f(fileName);
    f.setDirectWriteFallback(true);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(out);
    if (!f.commit())
        return false;
    shareWithGroup(fileName);
    return true;
}

} // namespace platform
