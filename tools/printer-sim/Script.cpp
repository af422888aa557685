#include "tools/printer-sim/Script.h"

#include <QFile>
#include <QRegularExpression>

namespace printersim {

void Behaviour::overlay(const Behaviour& o) {
    // Whatever the other behaviour sets wins; what it leaves unset stays.
    const auto take = [](auto& mine, const auto& theirs) {
        if (theirs)
            mine = theirs;
    };
    take(codes, o.codes);
    take(silent, o.silent);
    take(splitAt, o.splitAt);
    take(splitMs, o.splitMs);
    take(together, o.together);
    take(garbage, o.garbage);
    take(noise, o.noise);
    take(delayMs, o.delayMs);
    take(gapMs, o.gapMs);
    take(drop, o.drop);
}

bool isValidCode(QByteArrayView code) {
    if (code.size() != 2)
        return false;
    for (char c : code)
        if (c < 0x20 || c > 0x7E)
            return false;
    return true;
}

namespace {

std::optional<int> toMs(const QString& s) {
    bool ok = false;
    const int v = s.toInt(&ok);
    if (!ok || v < 0 || v > 3600 * 1000)
        return std::nullopt;
    return v;
}

// The actions that only switch something on; nullptr for the others.
std::optional<bool> Behaviour::*flagOf(const QString& action) {
    if (action == QLatin1String("silent"))
        return &Behaviour::silent;
    if (action == QLatin1String("together"))
        return &Behaviour::together;
    if (action == QLatin1String("drop"))
        return &Behaviour::drop;
    return nullptr;
}

// Reads one directive into rule; returns the reason when it is not valid.
QString parseDirective(const QStringList& w, int& first, int& last, Script::Event& event, Behaviour& b) {
    if (w.size() < 2)
        return QStringLiteral("expected 'status|label N ACTION'");
    if (w[0] == QLatin1String("status"))
        event = Script::Event::Status;
    else if (w[0] == QLatin1String("label"))
        event = Script::Event::Label;
    else
        return QStringLiteral("unknown event '%1' (status or label)").arg(w[0]);

    static const QRegularExpression range(QStringLiteral("^(\\d+)(?:-(\\d+))?$"));
    if (w[1] == QLatin1String("*")) {
        first = last = 0;
    } else {
        const auto m = range.match(w[1]);
        if (!m.hasMatch())
            return QStringLiteral("bad number '%1' (N, N-M or *)").arg(w[1]);
        first = m.captured(1).toInt();
        last = m.captured(2).isEmpty() ? first : m.captured(2).toInt();
        if (first < 1 || last < first)
            return QStringLiteral("bad number '%1' (counting starts at 1)").arg(w[1]);
    }
    if (w.size() < 3)
        return QStringLiteral("missing action");
    const QString action = w[2];
    const QStringList args = w.mid(3);
    auto wantArgs = [&](int min, int max) { return args.size() >= min && args.size() <= max; };

    if (action == QLatin1String("code") || action == QLatin1String("answers")) {
        if (action == QLatin1String("code") ? !wantArgs(1, 1) : !wantArgs(1, 1000))
            return QStringLiteral("%1 needs two-character codes").arg(action);
        QList<QByteArray> codes;
        for (const QString& a : args) {
            const QByteArray c = a.toLatin1();
            if (!isValidCode(c))
                return QStringLiteral("bad code '%1' (two printable characters)").arg(a);
            codes << c;
        }
        b.codes = codes;
    } else if (std::optional<bool> Behaviour::*flag = flagOf(action)) {
        if (!wantArgs(0, 0))
            return QStringLiteral("%1 takes no arguments").arg(action);
        b.*flag = true;
    } else if (action == QLatin1String("split")) {
        if (!wantArgs(1, 2))
            return QStringLiteral("split needs K [MS]");
        bool ok = false;
        const int k = args[0].toInt(&ok);
        if (!ok || k < 1 || k > 12)
            return QStringLiteral("split point must be 1 to 12");
        b.splitAt = k;
        if (args.size() == 2) {
            const auto ms = toMs(args[1]);
            if (!ms)
                return QStringLiteral("bad time '%1'").arg(args[1]);
            b.splitMs = *ms;
        }
    } else if (action == QLatin1String("delay") || action == QLatin1String("gap")) {
        if (!wantArgs(1, 1))
            return QStringLiteral("%1 needs MS").arg(action);
        const auto ms = toMs(args[0]);
        if (!ms)
            return QStringLiteral("bad time '%1'").arg(args[0]);
        (action == QLatin1String("delay") ? b.delayMs : b.gapMs) = *ms;
    } else if (action == QLatin1String("garbage")) {
        if (!wantArgs(1, 1000))
            return QStringLiteral("garbage needs hex bytes");
        QByteArray bytes;
        for (const QString& a : args) {
            static const QRegularExpression hexByte(QStringLiteral("^[0-9A-Fa-f]{2}$"));
            if (!hexByte.match(a).hasMatch())
                return QStringLiteral("bad hex byte '%1'").arg(a);
            bytes.append(char(a.toInt(nullptr, 16)));
        }
        b.garbage = bytes;
    } else if (action == QLatin1String("noise")) {
        bool ok = false;
        const int n = wantArgs(1, 1) ? args[0].toInt(&ok) : 0;
        if (!ok || n < 1 || n > 64 * 1024 * 1024)
            return QStringLiteral("noise needs a number of bytes (1 to 67108864)");
        b.noise = n;
    } else {
        return QStringLiteral("unknown action '%1'").arg(action);
    }
    return {};
}

} // namespace

std::optional<Script> Script::parse(const QString& text, QString* error) {
    Script script;
    const QStringList lines = text.split(QLatin1Char('\n'));
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        const int hash = line.indexOf(QLatin1Char('#'));
        if (hash >= 0)
            line.truncate(hash);
        const QStringList words = line.split(blanks, Qt::SkipEmptyParts);
        if (words.isEmpty())
            continue;
        Rule rule;
        const QString reason = parseDirective(words, rule.first, rule.last, rule.event, rule.behaviour);
        if (!reason.isEmpty()) {
            if (error)
                *error = QStringLiteral("line %1: %2").arg(i + 1).arg(reason);
            return std::nullopt;
        }
        script.m_rules.push_back(rule);
    }
    return script;
}

std::optional<Script> Script::load(const QString& path, QString* error) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("cannot read %1: %2").arg(path, f.errorString());
        return std::nullopt;
    }
    return parse(QString::fromUtf8(f.readAll()), error);
}

Behaviour Script::lookup(Event event, int n) const {
    // Wildcards first, then the numbered rules, each in file order, so the
    // most specific and the latest line wins.
    Behaviour result;
    for (const Rule& r : m_rules)
        if (r.event == event && r.first == 0)
            result.overlay(r.behaviour);
    for (const Rule& r : m_rules)
        if (r.event == event && r.first != 0 && n >= r.first && n <= r.last)
            result.overlay(r.behaviour);
    return result;
}

} // namespace printersim
