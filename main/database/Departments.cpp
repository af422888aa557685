#include "main/database/Departments.h"

#include "main/core/Reported.h"
#include "main/database/DbConn.h"

#include <QDate>

namespace database {

QString deptQuery(const QString& sDeptNm, qint16 nKind, const QString& today) {
    QString sql = QStringLiteral("select *from slfanrfiddept ");
    bool where = true;
    if (nKind == 1)
        sql += QStringLiteral(" where (del_ymd is NULL or del_ymd = '' or del_ymd  > '") + sqlText(today) +
               QStringLiteral("') ");
    else if (nKind == 2)
        sql += QStringLiteral(" where del_ymd  <= '") + sqlText(today) + QStringLiteral("' ");
    else
        where = false;
    if (!sDeptNm.isEmpty())
        sql += (where ? QStringLiteral(" and dept_nm like'%") : QStringLiteral(" where dept_nm like'%")) +
               sqlText(sDeptNm) + QStringLiteral("%' ");
    return sql;
}

bool GetDeptData(QStringList& CboDept, const QString& sDeptNm, qint16 nKind) {
    return core::runReported(QStringLiteral("GetDeptData"), [&] {
        core::WaitCursor wait;
        const QString today = QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
        gDbConn.reconnectIfLost();
        Recordset rs(gDbConn, deptQuery(sDeptNm, nKind, today));
        // A search that fails part-way keeps the list it had.
        QStringList found{QString::fromUtf16(kAllDepartments)};
        const int name = rs.column(QStringLiteral("dept_nm")), code = rs.column(QStringLiteral("dept_code"));
        for (; !rs.eof(); rs.moveNext()) {
            if (rs.isNull(name) || rs.isNull(code))
                throw core::invalidUseOfNull();
            found << rs.text(name).trimmed() + QLatin1Char('(') + rs.text(code).trimmed() + QLatin1Char(')');
        }
        CboDept = found;
    });
}

QString GetDeptNm(const QString& sDeptCode) {
    QString name;
    const bool ok = core::runReported(QStringLiteral("GetDeptNm"), [&] {
        Recordset rs(gDbConn, QStringLiteral("select *from slfanrfiddept where dept_code = '") +
                                  sqlText(sDeptCode) + QStringLiteral("'"));
        if (rs.recordCount() == 0) {
            name = QStringLiteral("전체");
            return;
        }
        if (rs.isNull(QStringLiteral("dept_nm")))
            throw core::invalidUseOfNull();
        name = rs.text(QStringLiteral("dept_nm"));
    });
    return ok ? name : QString();
}

} // namespace database

namespace database {

bool DeptNames::load() {
    m_names.clear();
    m_loaded = core::runReported(QStringLiteral("GetDeptNm"), [&] {
        Recordset rs(gDbConn, QStringLiteral("select dept_code, dept_nm from slfanrfiddept"));
        for (; !rs.eof(); rs.moveNext())
            m_names.insert(rs.text(0), rs.isNull(1) ? std::nullopt : std::optional<QString>(rs.text(1)));
    });
    return m_loaded;
}

QString DeptNames::nameOf(const QString& deptCode) const {
    if (!m_loaded)
        return {};
    const auto it = m_names.constFind(deptCode);
    if (it == m_names.constEnd())
        return QStringLiteral("전체");
    if (it->has_value())
        return **it;
    core::runReported(QStringLiteral("GetDeptNm"), [] { throw core::invalidUseOfNull(); });
    return {};
}

} // namespace database
