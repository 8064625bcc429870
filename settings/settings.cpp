#include "settings/settings.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "common/shared_state.h"
#include "platform/program_folders.h"
#include "platform/qt/qt_text.h"
#include "settings/frmAbout.h"
#include "settings/frmAlarms.h"
#include "settings/frmBeacon.h"
#include "settings/frmEmailReport.h"
#include "settings/frmEqslAccount.h"
#include "settings/frmLogDirectories.h"
#include "settings/frmMacros.h"
#include "settings/frmOperator.h"
#include "settings/frmProfiles.h"
#include "settings/frmScan.h"
#include "settings/frmShortcuts.h"
#include "settings/frmSoundCard.h"
#include "settings/startup_check.h"

namespace muv {

namespace {

// The highest index of the main window's frequency list.
constexpr int kFrequencyListEntries = 25;

// The profile a stored "NumeroUsuario" names: its last character "2" to "8"; anything else is profile 1.
std::string SuffixOf(const std::optional<std::string>& stored) {
    if (!stored || stored->empty()) return {};
    const char last = stored->back();
    return last >= '2' && last <= '8' ? std::string(1, last) : std::string();
}

// What a beacon window without the rest of the program reaches: no beacon runs and nothing is sent.
class IdleBeaconHost final : public BeaconHost {
public:
    void ReportTrappedError(int, const std::string&) override {}
    void imgONBeacon_Click() override {}
    bool BeaconOn() const override { return false; }
    void HoldBeacon() override {}
    std::string AplicarMacros(const std::string& text) override { return text + " "; }
    std::string TxText() override { return {}; }
    void SetTxText(const std::string&) override {}
    void cmdTX_RX_Click() override {}
    uint8_t TxRxState() const override { return 0; }
    std::string RxText() override { return {}; }
    std::string CallsignAfterDe(const std::string&) override { return {}; }
};

BeaconHost& BeaconHostOf(BeaconHost* host) {
    static IdleBeaconHost idle;
    return host ? *host : idle;
}

}  // namespace

WindowCreated Settings::Created() {
    return [this](QWidget& window) {
        if (links_.windowCreated) links_.windowCreated(window);
    };
}

Settings::Settings(SettingsLinks links)
    : links_(std::move(links)),
      operator_(
          [this] {
              return std::make_unique<frmOperator>(
                  OperatorWindowLinks{file_, links_.boxes, links_.clusterConnect, links_.callsignServerLogin},
                  links_.parent);
          },
          Created()),
      emailReport_(
          [this] {
              return std::make_unique<frmEmailReport>(
                  EmailReportWindowLinks{file_, [this] { return FromQString(Operator().txtEmail->text()); }},
                  links_.parent);
          },
          Created()),
      logDirectories_(
          [this] {
              return std::make_unique<frmLogDirectories>(
                  LogDirectoriesWindowLinks{file_, links_.boxes, links_.dialogs, links_.programFolder,
                                            links_.adifChosen},
                  links_.parent);
          },
          Created()),
      scan_(
          [this] {
              return std::make_unique<frmScan>(ScanWindowLinks{file_, kFrequencyListEntries}, links_.parent);
          },
          Created()),
      eqslAccount_(
          [this] {
              return std::make_unique<frmEqslAccount>(
                  EqslAccountWindowLinks{file_, links_.pages, [this] { return OperatorCallsign(); }},
                  links_.parent);
          },
          Created()),
      profiles_(
          [this] {
              return std::make_unique<frmProfiles>(ProfilesWindowLinks{file_, links_.profileMenu},
                                                   links_.parent);
          },
          Created()),
      about_(
          [this] {
              return std::make_unique<frmAbout>(AboutWindowLinks{links_.boxes, StartSystemInformationTool},
                                                links_.parent);
          },
          Created()),
      shortcuts_([this] { return std::make_unique<frmShortcuts>(links_.parent); }, Created()),
      beacon_(
          [this] {
              auto w = std::make_unique<frmBeacon>(
                  BeaconWindowLinks{file_, beacon, BeaconHostOf(links_.beacon)}, links_.parent);
              w->SetBeaconModesAvailable(beacon.BeaconModesAvailable);
              return w;
          },
          Created()),
      macros_(
          [this] {
              return std::make_unique<frmMacros>(MacrosWindowLinks{file_, links_.macroLabels}, links_.parent);
          },
          Created()),
      alarms_(
          [this] {
              return std::make_unique<frmAlarms>(
                  AlarmsWindowLinks{file_, links_.boxes, links_.dialogs, *links_.alarms}, links_.parent);
          },
          Created()) {
    file_.WriteFailed = [this](const std::string& message) {
        links_.boxes.Show(message, "Settings Error", BoxIcon::Exclamation);
    };
}

Settings::~Settings() = default;

// ------------------------------------------------------------------ the file and the profiles

bool Settings::CheckInstalledFiles() {
    InstalledFiles files;
    const std::string data = ProgramDataFolder();
    files.countryFiles = CountryFileCandidates(SettingsFolder(), data);
    files.programFolder = data;
    files.flagsFolder = ProgramFlagsFolder();
    return ReportStartupProblems(muv::CheckInstalledFiles(files), links_.boxes);
}

void Settings::OpenSettings(const std::string& folder, const std::string& seedFile,
                            const std::function<void()>& loadMainWindow) {
    file_.Open(folder, seedFile);
    // The loaders replay handlers that save (the program's event loop is not running yet): what the
    // start writes goes to the file in one write.
    SettingsFile::Batch batch(file_);
    file_.SetProfileSuffix(SuffixOf(file_.Read("User Profiles", "NumeroUsuario", 20)));
    // The main window loads with the profile known, and its loaders read the profile's sections.
    loadMainWindow();
    const int current = CurrentProfile();
    links_.profileMenu.TickProfileItem(current);
    frmProfiles& names = Profiles();
    for (int i = 1; i <= ProfileMenu::kProfiles; ++i) {
        const std::string name = FromQString(names.txtProfiles[static_cast<size_t>(i)]->text());
        links_.profileMenu.SetProfileItemCaption(i, name);
        if (links_.profileMenu.ProfileItemTicked(i)) links_.profileMenu.SetProfileMenuCaption(name);
    }
}

int Settings::CurrentProfile() const {
    const std::string& suffix = file_.ProfileSuffix();
    return suffix.empty() ? 1 : suffix[0] - '0';
}

void Settings::SwitchProfile(int n) {
    if (n < 1 || n > ProfileMenu::kProfiles || n == CurrentProfile()) return;
    // Two hundred values, one write of the file.
    SettingsFile::Batch batch(file_);
    SaveBeaconSettings();
    SaveShiftRange();
    SaveFontSize();
    SaveClearScreenOption();
    SaveDisplaySettings();
    SaveStatistics();
    SaveMacros(file_, Macros());
    SaveLogSettings(file_, LogDirectories());
    SaveOperator(file_, Operator());
    links_.soundCard().SaveSoundCards();
    SaveEmailSettings(file_, EmailReport());
    SaveEqslAccount(file_, EqslAccount());
    SaveQsoFormSettings();
    SaveClusterSpotFormPosition();
    SaveScanSettings(file_, Scan());
    SaveLastFrequency();
    SaveAlarmSettings(file_, Alarms());

    file_.SetProfileSuffix(n == 1 ? std::string() : std::to_string(n));

    LoadBeaconSettings();
    LoadShiftRange();
    LoadFontSize();
    LoadClearScreenOption();
    LoadDisplaySettings();
    LoadStatistics();
    LoadMacros(file_, Macros());
    LoadLogSettings(file_, LogDirectories());
    LoadOperator(file_, Operator());
    links_.soundCard().LoadSoundCards();
    LoadEmailSettings(file_, EmailReport());
    LoadEqslAccount(file_, EqslAccount());
    LoadQsoFormSettings();
    LoadClusterSpotFormPosition();
    LoadScanSettings(file_, Scan());
    LoadLastFrequency();
    LoadAlarmSettings(file_, Alarms());

    Macros().CopiarColoresMacros();
}

void Settings::SaveSelectedProfile() {
    file_.Write("User Profiles", "NumeroUsuario", std::to_string(CurrentProfile()));
}

// ------------------------------------------------------------------ the main window's groups

void Settings::LoadDisplaySettings() {
    muv::LoadDisplaySettings(file_, links_.main);
}
void Settings::SaveDisplaySettings() {
    muv::SaveDisplaySettings(file_, links_.main);
}
void Settings::LoadClearScreenOption() {
    ClearSaveLogFlag = muv::LoadClearScreenOption(file_);
}
void Settings::SaveClearScreenOption() {
    muv::SaveClearScreenOption(file_, ClearSaveLogFlag);
}
void Settings::LoadFontSize() {
    muv::LoadFontSize(file_, links_.main);
}
void Settings::SaveFontSize() {
    muv::SaveFontSize(file_, links_.main);
}
void Settings::LoadShiftRange() {
    muv::LoadShiftRange(file_, links_.shared.BandClass, links_.main);
}
void Settings::SaveShiftRange() {
    muv::SaveShiftRange(file_, links_.shared.BandClass, links_.main.PictureShown("imgAFC200"));
}
void Settings::LoadLastFrequency() {
    muv::LoadLastFrequency(file_, links_.main);
}
void Settings::SaveLastFrequency() {
    muv::SaveLastFrequency(file_, links_.main);
}

// ------------------------------------------------------------------ the beacon

void Settings::LoadBeaconSettings() {
    muv::LoadBeaconSettings(file_, Beacon());
}
void Settings::SaveBeaconSettings() {
    muv::SaveBeaconSettings(file_, Beacon());
}
BeaconMode Settings::BeaconModeSelected() {
    return Beacon().Mode();
}
int Settings::BeaconPeriod() {
    return Beacon().Period();
}
void Settings::BeaconReport() {
    if (links_.beacon) Beacon().BeaconReport();
}
void Settings::SetBeaconModesAvailable(bool available) {
    beacon.BeaconModesAvailable = available;
    if (beacon_.Loaded()) beacon_.Get().SetBeaconModesAvailable(available);
}

// ------------------------------------------------------------------ groups kept here

void Settings::LoadStatistics() {
    if (statisticsGroup.Load) statisticsGroup.Load();
}
void Settings::SaveStatistics() {
    if (statisticsGroup.Save) statisticsGroup.Save();
}
void Settings::LoadQsoFormSettings() {
    if (QsoFormLoader) QsoFormLoader();
}
void Settings::SaveQsoFormSettings() {
    if (QsoFormSaver) QsoFormSaver();
}
void Settings::LoadClusterSpotFormPosition() {
    LoadSpotFormPosition(file_, spotPlace);
}
void Settings::SaveClusterSpotFormPosition() {
    SaveSpotFormPosition(file_, spotPlace);
}

// ------------------------------------------------------------------ windows

frmOperator& Settings::Operator() {
    return operator_.Get();
}
frmEmailReport& Settings::EmailReport() {
    return emailReport_.Get();
}
frmLogDirectories& Settings::LogDirectories() {
    return logDirectories_.Get();
}
frmScan& Settings::Scan() {
    return scan_.Get();
}
frmEqslAccount& Settings::EqslAccount() {
    return eqslAccount_.Get();
}
frmProfiles& Settings::Profiles() {
    return profiles_.Get();
}
frmAbout& Settings::About() {
    return about_.Get();
}
frmShortcuts& Settings::Shortcuts() {
    return shortcuts_.Get();
}
frmBeacon& Settings::Beacon() {
    return beacon_.Get();
}
frmMacros& Settings::Macros() {
    return macros_.Get();
}
frmAlarms& Settings::Alarms() {
    return alarms_.Get();
}
void Settings::ShowOperator() {
    operator_.Show();
}
void Settings::ShowEmailReport() {
    emailReport_.Show();
}
void Settings::ShowLogDirectories() {
    logDirectories_.Show();
}
void Settings::ShowScan() {
    scan_.Show();
}
void Settings::ShowEqslAccount() {
    eqslAccount_.Show();
}
void Settings::ShowProfiles() {
    profiles_.Show();
}
void Settings::ShowAbout() {
    about_.Show();
}
void Settings::ShowShortcuts() {
    shortcuts_.Show();
}
void Settings::ShowBeacon() {
    beacon_.Show();
}
void Settings::ShowMacros() {
    macros_.Show();
}
void Settings::ShowAlarms() {
    alarms_.Show();
}

// ------------------------------------------------------------------ plain values

std::string Settings::OperatorCallsign() {
    return FromQString(Operator().txtCallsign->text());
}
std::string Settings::OperatorLocator() {
    return FromQString(Operator().txtLocator->text());
}
bool Settings::NoInternetSelected() {
    return EmailReport().optNoInternet->isChecked();
}
std::string Settings::SessionLogFolder() {
    return LogDirectories().lblDirectorioLog->text().toStdString();
}
bool Settings::AutoSaveLogClose() {
    return LogDirectories().chkAutoSaveLogClose->isChecked();
}
std::string Settings::AdifPath() {
    return LogDirectories().lblDirectorioADIF->text().toStdString();
}
bool Settings::AdifPathIsDefault() {
    return LogDirectories().AdifPathIsDefault();
}
ColorRef Settings::MacrosSnLabelColor() {
    return Macros().MacroColour(kMacroSN);
}

bool Settings::MensajeParaMiChecked() {
    return Alarms().chkMensajeParaMi->isChecked();
}
bool Settings::DXCCChecked() {
    return Alarms().chkDXCC->isChecked();
}
bool Settings::CallsignChecked() {
    return Alarms().chkCallsign->isChecked();
}
bool Settings::ClusterSpotChecked() {
    return Alarms().chkClusterSpot->isChecked();
}
void Settings::AlarmaMensajeParaMi() {
    Alarms().AlarmaMensajeParaMi();
}
void Settings::AlarmaDXCC() {
    Alarms().AlarmaDXCC();
}
void Settings::AlarmaCallsign() {
    Alarms().AlarmaCallsign();
}
void Settings::AlarmaClusterSpot() {
    Alarms().AlarmaClusterSpot();
}

}  // namespace muv
