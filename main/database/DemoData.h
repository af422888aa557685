#pragma once
// A demo item database: the schema, one organisation, the user "demo",
// departments (active and abolished), article categories and their sizes,
// and purchase records spread over several years, departments and amounts,
// some already tagged. The same seed always gives the same data.
#include <QString>

namespace database {

struct DemoSummary {
    int purchases = 0;
    int issued = 0;
    int departments = 0;
    int items = 0;
    int sizes = 0;
};

inline constexpr const char* kDemoOrganCode = "GG413500";
inline constexpr const char* kDemoUser = "demo";

class DbConnection;

// Writes the demo rows into an open database with the schema, inside the
// caller's transaction.
DemoSummary fillDemoRows(DbConnection& conn, int purchases, quint32 seed);

// Creates the database file (which must not exist yet); throws
// platform::RuntimeError and removes a half-written file on failure.
DemoSummary createDemoDatabase(const QString& path, int purchases, quint32 seed);

} // namespace database
