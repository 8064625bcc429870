// The rig set-up dialog behind the rig window's "Configure CAT": for each of the two rigs, the rig
// (a rig file or one of Hamlib's models, found through a filter), its serial device, speed and PTT
// method, and what else rigctld is to be given. OK writes the choice to the rig settings (section "RIG":
// Rig1Model, Rig1Device, Rig1Speed, Rig1Ptt, Rig1Arguments and the same for rig 2), from which MUV
// runs a rigctld for each rig whose address is on this computer; Cancel leaves them as they were. What
// rigctld must not be given (an option without its value, one of MUV's own) is not taken: OK then says
// why and leaves the dialog open.
#pragma once

#include <QDialog>
#include <array>
#include <string>
#include <vector>

#include "rig/rig_catalogue.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;

namespace muv {

class ProfileStore;
struct RigServerSetup;

class frmRigSetup : public QDialog {
public:
    // addresses: the rigctld address of each rig as the rig window holds it.
    frmRigSetup(ProfileStore& settings, const std::array<std::string, 2>& addresses,
                QWidget* parent = nullptr);

    // A rig's address after OK: a rig given a model whose address is not on this computer gets the
    // default one of MUV's rigctld for it ("localhost:4532" for rig 1, "localhost:4533" for rig 2).
    const std::string& Address(int rigNumber) const { return addresses_[rigNumber == 2 ? 1 : 0]; }

    void cmdOK_Click();

    // The controls of one rig's tab.
    struct RigTab {
        QLineEdit* txtFilter;
        QListWidget* lstRig;
        QLabel* lblModel;
        QComboBox* cboDevice;
        QComboBox* cboSpeed;
        QComboBox* cboPtt;
        QLineEdit* txtArguments;
    };
    QTabWidget* tabRigs;
    std::array<RigTab, 2> Rig;
    QLabel* lblHamlib;
    QLabel* lblRefused;  // why OK did not take the choice
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

private:
    RigTab MakeTab(int rigNumber);
    void LoadRig(int rigNumber);
    void SaveRig(int rigNumber);
    // The rig's rigctld as the tab sets it up; false for no rig.
    bool TabSetup(int rigNumber, RigServerSetup& setup) const;
    void Chosen(int rigNumber);
    void Filter(int rigNumber);

    ProfileStore& settings_;
    std::array<std::string, 2> addresses_;
    std::vector<RigFile> files_;
    bool loading_ = false;
};

}  // namespace muv
