// The user-profiles window: the names of the eight user profiles, which live in its boxes for the whole
// run (the profile menu takes its captions from them). OK gives an emptied box its default name back,
// renames the menu items and stores the names, which all profiles share.
#pragma once

#include <QDialog>
#include <array>
#include <string>

#include "settings/settings_window.h"

class QLabel;
class QPushButton;

namespace muv {

class ProfileMenu;
class ProfileStore;

struct ProfilesWindowLinks {
    ProfileStore& store;
    ProfileMenu& menu;
};

class frmProfiles : public QDialog {
public:
    static constexpr int kProfiles = 8;

    explicit frmProfiles(ProfilesWindowLinks links, QWidget* parent = nullptr);

    // The window's load: the default names, then the stored ones.
    void Form_Load();
    // Names the profile menu after the boxes, stores the names and closes.
    void cmdOK_Click();

    // "User1" to "User8".
    static std::string DefaultProfileName(int profile);
    // The name of profile 1 to 8 as the box holds it.
    std::string ProfileName(int profile) const;

    // Items 1 to 8 (item 0 is not used).
    std::array<ClickClearsLineEdit*, kProfiles + 1> txtProfiles{};
    QLabel* lblUsuario;
    // Label1 to Label8 as items 1 to 8.
    std::array<QLabel*, kProfiles + 1> Label{};
    QPushButton* cmdOK;

private:
    ProfilesWindowLinks links_;
};

// The profile names in the shared "User Profiles" section, keys "1" to "8"; a box keeps its name when
// nothing is stored for it.
void LoadProfileNames(ProfileStore& store, frmProfiles& w);
void SaveProfileNames(ProfileStore& store, frmProfiles& w);

}  // namespace muv
