#pragma once
// What `vantrelctl issue` and `vantrelctl preview` set up as the main window
// does when it loads: the login with the given user id, the settings record,
// the printer link, the result grid and the issue context.
#include "main/cli/Command.h"
#include "main/database/ItemSearch.h"
#include "main/issuing/IssueStation.h"
#include "main/journal/Journal.h"

#include <QString>
#include <memory>

namespace cli {

struct Workstation : issuing::IssueStation {
    std::unique_ptr<journal::Journal> journal;

    // Logs in as `user` with the database account of the settings and loads
    // what the main window loads; false after the operator has been told why.
    // labelType: 0 label, 1 hang tag, -1 the stored choice.
    bool open(const QString& user, int labelType, bool unlock);
    // What a command does first: reads the search options of `o` (a usage
    // error when one is bad), installs the printing operator and opens with
    // the user of --user. -1 when open, otherwise the exit code.
    int openForCommand(const QString& command, const Options& o, database::SearchConditions& conditions,
                       int labelType, bool unlock);
};

} // namespace cli
