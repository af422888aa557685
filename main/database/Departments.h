#pragma once
// The department list of the search conditions (`CboDept`) and the
// department name of a code.
#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

namespace database {

// The first list entry: all departments.
inline constexpr const char16_t* kAllDepartments = u"전체(00)";

// Which departments a department search lists: 1 active, 2 abolished, 3 all
// (the `OptDept` buttons 0, 1, 2).
inline qint16 deptKindOf(int optDeptIndex) {
    return static_cast<qint16>(optDeptIndex + 1);
}

// The department query for a name part, a kind and today ("YYYYMMDD").
QString deptQuery(const QString& sDeptNm, qint16 nKind, const QString& today);

// Refills the list: "전체(00)" then "name(code)" per department, in the order
// the database returns them. After a failure report "[GetDeptData]" the list
// holds what was built before the failure. Returns false on failure.
bool GetDeptData(QStringList& CboDept, const QString& sDeptNm, qint16 nKind);

// The stored (untrimmed) name of a department code, "전체" for an unknown
// code, empty text after a failure report "[GetDeptNm]".
QString GetDeptNm(const QString& sDeptCode);

// Every department's name read in one query, answering as GetDeptNm does:
// a search names the departments of its rows while they still arrive on the
// connection, where no other query can run in between.
class DeptNames {
public:
    // Reads the table; false after a failure report "[GetDeptNm]", and then
    // every name is empty text.
    bool load();
    QString nameOf(const QString& deptCode) const;

private:
    bool m_loaded = false;
    QHash<QString, std::optional<QString>> m_names; // nullopt: stored NULL
};

} // namespace database
