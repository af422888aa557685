#include "main/issuing/IssueStation.h"

#include "main/issuing/IssueValues.h"

namespace issuing {

void IssueStation::load(core::Operator& op, int labelType) {
    settings::GetSetupData(setup, selections, op);
    link = std::make_unique<printerlink::PrinterLink>(setup, run);
    ctx.setup = &setup;
    ctx.vaSpread1 = &grid;
    ctx.link = link.get();
    ctx.run = &run;
    ctx.CboPrintType = labelType >= 0 ? labelType : selections.CboPrintType;
    takeSetupValues(ctx.values, setup);
    loadIssueValues(ctx);
}

} // namespace issuing
