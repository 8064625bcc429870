#include "online/frmInternalSpot.h"

#include <QPushButton>

#include "online/spot_sender.h"

namespace muv {

namespace {

constexpr const char* kWarningTitle = "Internal Spot Warning";
constexpr const char* kErrorTitle = "Internal Spot Error";

}  // namespace

frmInternalSpot::frmInternalSpot(SpotWindowLinks links, QWidget* parent)
    : SpotWindow(links, "frmInternalSpot", "Internal Spot", "SEND PRIVATE", parent) {
    cmdEnviarATodos = new QPushButton("SEND  TO ALL", this);
    cmdEnviarATodos->setObjectName("cmdEnviarATodos");
    Arrange({cmdEnviar, cmdEnviarATodos});
    connect(cmdEnviar, &QPushButton::clicked, this, [this] { cmdEnviar_Click(); });
    connect(cmdEnviarATodos, &QPushButton::clicked, this, [this] { cmdEnviarATodos_Click(); });
}

void frmInternalSpot::Form_Load() {
    LoadSpotWindow(kCommentLimit);
    Paint(cmdEnviar, kSendColour);
    Paint(cmdEnviarATodos, kSendColour);
}

void frmInternalSpot::cmdEnviar_Click() {
    const std::string callsign = Callsign();
    const std::string frequency = Frequency();
    const std::string comment = Comment();
    if (callsign.empty()) {
        AskForCallsign(kWarningTitle);
        return;
    }
    SendThenUnload([&] { return links_.sender.SendInternalSpot(frequency, comment, callsign); }, kErrorTitle);
}

void frmInternalSpot::cmdEnviarATodos_Click() {
    const std::string frequency = Frequency();
    const std::string comment = Comment();
    SendThenUnload([&] { return links_.sender.SendInternalSpotWithWeb(frequency, comment, "ALL"); },
                   kErrorTitle);
}

}  // namespace muv
