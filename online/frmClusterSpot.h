// The cluster-spot window: the operator sends an ordinary DX-cluster spot of the station in the callsign
// box. The main window fills the frequency box with the dial frequency and the callsign box with the
// partner.
#pragma once

#include "online/spot_window.h"

namespace muv {

class frmClusterSpot : public SpotWindow {
public:
    static constexpr int kCommentLimit = 30;

    explicit frmClusterSpot(SpotWindowLinks links, QWidget* parent = nullptr);

    // The shared place, the button's colour and the comment's limit.
    void Form_Load();
    // Sends the spot; the callsign box must not be empty.
    void cmdEnviar_Click();
};

}  // namespace muv
