#pragma once
// The database side of the login: the opening of `gDbConn` with the user
// check, step by step with the login's step markers.
#include <QString>

namespace database {

// Opens `gDbConn` for a data source and account with the provider kind;
// throws platform::RuntimeError.
void openDbConn(const QString& dataSource, const QString& user, const QString& password,
                const QString& providerKind);

enum class LoginResult {
    Opened,      // user found: gUserId set, marker "I"; the caller shows the main window ("J")
    UnknownUser, // "해당 아이디가 존재하지 않습니다." shown, connection closed, focus in txtID
    Failed,      // error shown with its marker, connection closed
};

// Log in with the four boxes already found filled: markers "A" to "I".
// `marker` holds the last marker reached.
LoginResult loginDatabase(const QString& txtID, const QString& txtDBNm, const QString& txtDBID,
                          const QString& txtDBPW, QString& marker);

// A second login while the main window is open: the user id is looked up on
// the open connection. A known id becomes `gUserId` (true); an unknown one
// shows "해당 아이디가 존재하지 않습니다." and changes nothing; a failed
// lookup ends in the failure report. The connection stays as it is.
bool switchUser(const QString& txtID);

// An error during the login (also while the main window loads): normal
// cursor, `gDbConn` closed, the error text followed by "[" marker "]".
void reportLoginError(const QString& errorText, const QString& marker);

} // namespace database
