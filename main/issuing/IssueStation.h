#pragma once
// What the main window loads for its runs, held without the window: the
// settings record and its selections, the printer link and its run state, the
// result grid and the issue context over them. vantrelctl's commands and the
// tests' issuing rig each hold one.
#include "main/database/ItemGrid.h"
#include "main/issuing/IssueContext.h"
#include "main/printerlink/PrinterLink.h"
#include "main/printerlink/RunState.h"
#include "main/settings/SetupData.h"

#include <memory>

namespace core {
class Operator;
}

namespace issuing {

struct IssueStation {
    settings::SetupData setup;
    settings::MainSelections selections;
    printerlink::RunState run;
    std::unique_ptr<printerlink::PrinterLink> link;
    database::ItemGrid grid;
    IssueContext ctx;

    // Loads the settings record as the main window does (a bad value is
    // told to `op`), makes the printer link and points the context at all of
    // it with the values issuing reads. labelType: 0 label, 1 hang tag, -1
    // the stored choice.
    void load(core::Operator& op, int labelType = -1);
};

} // namespace issuing
