// The internal-spot window: the operator sends a message or a spot on the program's chat channel, either
// to the station in the callsign box or to all. The main window fills the frequency box with the dial
// frequency and the callsign box with the partner or with the sender of a line it shows.
#pragma once

#include "online/spot_window.h"

namespace muv {

class frmInternalSpot : public SpotWindow {
public:
    static constexpr int kCommentLimit = 70;

    explicit frmInternalSpot(SpotWindowLinks links, QWidget* parent = nullptr);

    // The shared place, both buttons' colour and the comment's limit.
    void Form_Load();
    // Sends to the station in the callsign box, which must not be empty.
    void cmdEnviar_Click();
    // Sends to all; no box is required.
    void cmdEnviarATodos_Click();

    QPushButton* cmdEnviarATodos;
};

}  // namespace muv
