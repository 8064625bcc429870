#include "settings/frmProfiles.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <optional>
#include <utility>

#include "common/profile_store.h"
#include "platform/qt/qt_text.h"
#include "settings/profile_menu.h"

namespace muv {

namespace {

constexpr size_t kNameBuffer = 40;
constexpr const char* kProfilesSection = "User Profiles";

std::string ProfileKey(int profile) {
    return std::to_string(profile);
}

}  // namespace

frmProfiles::frmProfiles(ProfilesWindowLinks links, QWidget* parent)
    : QDialog(parent), links_(std::move(links)) {
    static_assert(kProfiles == ProfileMenu::kProfiles);
    setObjectName("frmProfiles");
    // English captions until the interface language is applied.
    setWindowTitle("User Profiles");
    lblUsuario = new QLabel("Username:", this);
    lblUsuario->setObjectName("lblUsuario");
    cmdOK = new QPushButton("OK", this);
    cmdOK->setObjectName("cmdOK");

    auto* grid = new QGridLayout(this);
    grid->addWidget(lblUsuario, 0, 1);
    for (int i = 1; i <= kProfiles; ++i) {
        Label[i] = new QLabel(QString::number(i), this);
        Label[i]->setObjectName(QString("Label%1").arg(i));
        txtProfiles[i] = new ClickClearsLineEdit(this);
        txtProfiles[i]->setObjectName(QString("txtProfiles%1").arg(i));
        // What the settings file gives back: a longer name would come back cut at the next start.
        txtProfiles[i]->setMaxLength(static_cast<int>(kNameBuffer) - 1);
        grid->addWidget(Label[i], i, 0);
        grid->addWidget(txtProfiles[i], i, 1);
    }
    grid->addWidget(cmdOK, kProfiles + 1, 1, Qt::AlignRight);

    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
}

std::string frmProfiles::DefaultProfileName(int profile) {
    return "User" + std::to_string(profile);
}

std::string frmProfiles::ProfileName(int profile) const {
    return FromQString(txtProfiles.at(static_cast<size_t>(profile))->text());
}

void frmProfiles::Form_Load() {
    PaintOkButton(cmdOK);
    for (int i = 1; i <= kProfiles; ++i)
        txtProfiles[i]->setText(ToQString(DefaultProfileName(i)));
    LoadProfileNames(links_.store, *this);
}

void frmProfiles::cmdOK_Click() {
    for (int i = 1; i <= kProfiles; ++i)
        if (txtProfiles[i]->text().isEmpty()) txtProfiles[i]->setText(ToQString(DefaultProfileName(i)));
    for (int i = 1; i <= ProfileMenu::kProfiles; ++i) {
        const std::string name = ProfileName(i);
        links_.menu.SetProfileItemCaption(i, name);
        if (links_.menu.ProfileItemTicked(i)) links_.menu.SetProfileMenuCaption(name);
    }
    SaveProfileNames(links_.store, *this);
    accept();
}

void LoadProfileNames(ProfileStore& store, frmProfiles& w) {
    for (int i = 1; i <= frmProfiles::kProfiles; ++i) {
        const std::optional<std::string> name = store.Read(kProfilesSection, ProfileKey(i), kNameBuffer);
        if (name) w.txtProfiles[i]->setText(ToQString(*name));
    }
}

void SaveProfileNames(ProfileStore& store, frmProfiles& w) {
    for (int i = 1; i <= frmProfiles::kProfiles; ++i)
        store.Write(kProfilesSection, ProfileKey(i), w.ProfileName(i));
}

}  // namespace muv
