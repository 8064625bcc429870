// The option switches of the main window: receive option and symbol rate of each band, the AFC range, the
// waterfall (the beacon's are in frmMain_beacon, the alarm's in frmMain_alarm).
#include <array>
#include <initializer_list>
#include <utility>

#include "session/frmMain.h"
#include "session/station.h"

namespace muv {

namespace {

// Shows the chosen switch of a row lit and the others unlit.
void SelectInRow(std::initializer_list<std::pair<PictureBox*, PictureBox*>> row, PictureBox* chosenOn) {
    for (auto [on, off] : row) {
        on->setVisible(on == chosenOn);
        off->setVisible(on != chosenOn);
    }
}

}  // namespace

bool frmMain::ReceiveOptionMayChange() const {
    const Station& st = *station_;
    return st.shared.TxRxState == 0 && st.receiver.RxLocked == 0 && !tmrTemporizador1Baudio.Enabled();
}

void frmMain::SelectReceiveOption(bool mf, int option) {
    if (!ReceiveOptionMayChange()) return;
    if (mf) {
        SelectInRow({{imgRXON1MF, imgRXOFF1MF}, {imgRXON2MF, imgRXOFF2MF}, {imgRXON3MF, imgRXOFF3MF}},
                    std::array{imgRXON1MF, imgRXON2MF, imgRXON3MF}[static_cast<size_t>(option - 1)]);
    } else {
        SelectInRow({{imgRXON1, imgRXOFF1}, {imgRXON2, imgRXOFF2}, {imgRXON3, imgRXOFF3}},
                    std::array{imgRXON1, imgRXON2, imgRXON3}[static_cast<size_t>(option - 1)]);
    }
    SyncSwitches();
    station_->receiver.RestartReceiver();
}

void frmMain::imgRXOFF1_Click() {
    SelectReceiveOption(false, 1);
}

void frmMain::imgRXOFF2_Click() {
    SelectReceiveOption(false, 2);
}

void frmMain::imgRXOFF3_Click() {
    SelectReceiveOption(false, 3);
}

void frmMain::imgRXOFF1MF_Click() {
    SelectReceiveOption(true, 1);
}

void frmMain::imgRXOFF2MF_Click() {
    SelectReceiveOption(true, 2);
}

void frmMain::imgRXOFF3MF_Click() {
    SelectReceiveOption(true, 3);
}

void frmMain::SelectSymbolRate(PictureBox* chosenOn) {
    if (station_->shared.TxRxState != 0) return;
    if (chosenOn == imgBaudON2MF || chosenOn == imgBaudON3MF) {
        SelectInRow({{imgBaudON2MF, imgBaudOFF2MF}, {imgBaudON3MF, imgBaudOFF3MF}}, chosenOn);
        if (chosenOn == imgBaudON3MF) PararTemporizadorMargen();
    } else {
        SelectInRow({{imgBaudON1, imgBaudOFF1}, {imgBaudON2, imgBaudOFF2}, {imgBaudON3, imgBaudOFF3}},
                    chosenOn);
    }
    SyncSwitches();
    station_->transmitter.SelectTxMode();
}

void frmMain::imgBaudOFF1_Click() {
    SelectSymbolRate(imgBaudON1);
}

void frmMain::imgBaudOFF2_Click() {
    SelectSymbolRate(imgBaudON2);
}

void frmMain::imgBaudOFF3_Click() {
    SelectSymbolRate(imgBaudON3);
}

void frmMain::imgBaudOFF2MF_Click() {
    SelectSymbolRate(imgBaudON2MF);
}

void frmMain::imgBaudOFF3MF_Click() {
    SelectSymbolRate(imgBaudON3MF);
}

void frmMain::SwitchShiftRange(PictureBox* clicked, PictureBox* other) {
    Station& st = *station_;
    if (st.shared.BandClass == 3) {
        // In EME the range also chooses the receive mode: not while a frame is received.
        if (st.receiver.RxLocked == 0 && !tmrTemporizador1Baudio.Enabled()) {
            clicked->setVisible(false);
            other->setVisible(true);
            SyncSwitches();
            st.receiver.ShowFrequencyShift();
            st.receiver.SetupReceiverBuffers();
        }
    } else {
        clicked->setVisible(false);
        other->setVisible(true);
        SyncSwitches();
        st.receiver.ShowFrequencyShift();
    }
    st.settings.SaveShiftRange();
}

void frmMain::imgAFC200_Click() {
    SwitchShiftRange(imgAFC200, imgAFC50);
}

void frmMain::imgAFC50_Click() {
    SwitchShiftRange(imgAFC50, imgAFC200);
}

void frmMain::imgONWaterFall_Click() {
    imgONWaterFall->setVisible(false);
    imgOFFWaterFall->setVisible(true);
    SyncSwitches();
    tmrPosicionCursor.SetEnabled(false);
    // Cleared, so that switching on again starts from an empty picture.
    FitWaterfallImage();
    pctWaterfall->setVisible(false);
    txtPosicionCursor->setVisible(false);
}

void frmMain::imgOFFWaterFall_Click() {
    imgOFFWaterFall->setVisible(false);
    imgONWaterFall->setVisible(true);
    SyncSwitches();
    tmrPosicionCursor.SetEnabled(true);
    pctWaterfall->setVisible(true);
    txtPosicionCursor->setVisible(true);
}

}  // namespace muv
