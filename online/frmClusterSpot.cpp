#include "online/frmClusterSpot.h"

#include <QPushButton>

#include "online/spot_sender.h"

namespace muv {

frmClusterSpot::frmClusterSpot(SpotWindowLinks links, QWidget* parent)
    : SpotWindow(links, "frmClusterSpot", "Cluster Spot", "SEND", parent) {
    Arrange({cmdEnviar});
    connect(cmdEnviar, &QPushButton::clicked, this, [this] { cmdEnviar_Click(); });
}

void frmClusterSpot::Form_Load() {
    LoadSpotWindow(kCommentLimit);
    Paint(cmdEnviar, kSendColour);
}

void frmClusterSpot::cmdEnviar_Click() {
    const std::string callsign = Callsign();
    const std::string frequency = Frequency();
    std::string comment = Comment();
    // A comment that starts with the mode's name goes with a blank in front.
    if (comment.rfind("MUV", 0) == 0) comment = " " + comment;
    if (callsign.empty()) {
        AskForCallsign("Cluster Warning");
        return;
    }
    SendThenUnload([&] { return links_.sender.SendClusterSpot(callsign, frequency, comment); },
                   "Cluster Error");
}

}  // namespace muv
