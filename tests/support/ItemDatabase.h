#pragma once
// An embedded item database in a fresh program directory, opened as the
// process's connection, with a recording operator installed.
#include "main/database/DbConn.h"
#include "main/database/EmbeddedDb.h"
#include "platform/Cp949.h"
#include "tests/support/RecordingOperator.h"
#include "tests/support/TestSupport.h"

#include <QSqlQuery>
#include <QStringList>
#include <QVariant>
#include <memory>

namespace testsupport {

class ItemDb {
public:
    explicit ItemDb(bool schema = true) {
        core::setCurrentOperator(&op);
        dir.write(QStringLiteral("items.db"), {});
        database::gDbConn.open(QStringLiteral("items.db"), {}, {}, QStringLiteral("1"));
        if (schema)
            database::createSchema(database::gDbConn);
    }
    ~ItemDb() {
        database::gDbConn.close();
        core::setCurrentOperator(nullptr);
    }
    void exec(const QString& sql) { database::gDbConn.execute(sql); }
    // The first column of every row, NULL as "<null>".
    QStringList column(const QString& sql) {
        QStringList out;
        QSqlQuery q(database::gDbConn.database());
        if (!q.exec(sql))
            return {QStringLiteral("<error>")};
        while (q.next())
            out << (q.value(0).isNull() ? QStringLiteral("<null>") : q.value(0).toString());
        return out;
    }
    QString scalar(const QString& sql) { return column(sql).value(0); }
    // Lines of a log file without their date/time frame.
    QStringList logLines(const QString& name) const {
        QStringList out;
        const QString text = platform::fromCp949(dir.read(name));
        for (const QString& line : text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
            out << line.mid(19);
        return out;
    }

    testsupport::TempProgramDir dir;
    testsupport::RecordingOperator op;
};

} // namespace testsupport
