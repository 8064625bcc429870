#include "settings/frmAlarms.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QToolButton>
#include <QVBoxLayout>
#include <filesystem>
#include <functional>
#include <optional>
#include <system_error>
#include <utility>

#include "common/file_dialogs.h"
#include "common/message_box.h"
#include "common/profile_store.h"
#include "common/vb.h"
#include "platform/private_profile.h"
#include "platform/qt/qt_text.h"
#include "settings/settings_window.h"

namespace muv {

const std::vector<AlarmTone> kGeneralAlarmTune = {{440, 100}, {880, 300}, {440, 100}};
const std::vector<AlarmTone> kClusterSpotTune = {{587, 100}, {881, 100}, {1175, 100}};
const std::vector<AlarmTone> kNewCallsignTune = {{349, 100}, {698, 100}, {1048, 100}, {698, 100}};
const std::vector<AlarmTone> kNewDxccTune = {{349, 100}, {698, 100}, {1048, 100}, {698, 100},
                                             {440, 100}, {880, 100}, {1320, 100}, {440, 100}};
const std::vector<AlarmTone> kCallingMeTune = {{989, 100}, {330, 100}, {989, 100}, {330, 100}};

namespace {

constexpr const char* kSection = "Alarma";
constexpr int kVolumeMax = 100;

// A text box that acts as a button.
class ClickableBox : public QLineEdit {
public:
    ClickableBox(const QString& text, std::function<void()> clicked, QWidget* parent)
        : QLineEdit(text, parent), clicked_(std::move(clicked)) {
        setReadOnly(true);
        setAlignment(Qt::AlignCenter);
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void mousePressEvent(QMouseEvent*) override {
        if (clicked_) clicked_();
    }

private:
    std::function<void()> clicked_;
};

QToolButton* SpeakerImage(QWidget* parent, const char* name, std::function<void()> clicked) {
    auto* image = new QToolButton(parent);
    image->setObjectName(name);
    image->setIcon(parent->style()->standardIcon(QStyle::SP_MediaVolume));
    image->setAutoRaise(true);
    image->setCursor(Qt::PointingHandCursor);
    QObject::connect(image, &QToolButton::clicked, parent, std::move(clicked));
    return image;
}

// Selecting an option runs its handler as the operator's click does, also when it was selected already.
template <class Handler>
void Select(QRadioButton* option, Handler handler) {
    if (option->isChecked())
        handler();
    else
        option->setChecked(true);
}

// A box that is read, not typed into: as wide as its whole text, which shows from its start.
void ShowWhole(QLineEdit* box) {
    QStyleOptionFrame option;
    option.initFrom(box);
    option.lineWidth =
        box->hasFrame() ? box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, box) : 0;
    const QMargins margins = box->textMargins();
    // The box keeps 2 pixels each side of its text, and room for the caret.
    const int text =
        box->fontMetrics().horizontalAdvance(box->text()) + 2 * 2 + margins.left() + margins.right() + 1;
    const QSize needed = box->style()->sizeFromContents(QStyle::CT_LineEdit, &option,
                                                        QSize(text, box->fontMetrics().height()), box);
    box->setMinimumWidth(needed.width());
    box->setCursorPosition(0);
}

// The path of the file box as the system takes it.
std::string SystemPath(const QString& text) {
    return QFile::encodeName(text).toStdString();
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

}  // namespace

std::string SoundFileType(const std::string& path) {
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos) return {};
    std::string type = path.substr(dot + 1);
    for (char& c : type)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return type;
}

frmAlarms::frmAlarms(AlarmsWindowLinks links, QWidget* parent) : QDialog(parent), links_(links) {
    setObjectName("frmAlarms");
    // English captions until the interface language is applied.
    setWindowTitle("Alarm / Sounds");

    fraAlarma = new QGroupBox("Alarm selection", this);
    optSpeaker = new QRadioButton("PC Speaker", fraAlarma);
    optArchivoSonido = new QRadioButton("Sound File", fraAlarma);
    // Until a file is chosen: the user's home folder, which names no sound file.
    txtArchivoSonido = new QLineEdit(QDir::homePath() + '/', fraAlarma);
    cmdPathAlarma = new QPushButton("OPEN", fraAlarma);
    lblDeviceOutput = new QLabel("Device Output", fraAlarma);
    txtDeviceOutput = new QLineEdit(fraAlarma);
    txtDeviceOutput->setReadOnly(true);
    lblVolumen = new QLabel("Alarm Volume", fraAlarma);
    sldVolumen = new QSlider(Qt::Horizontal, fraAlarma);
    txtMute = new ClickableBox(
        "MUTE", [this] { txtMute_Click(); }, fraAlarma);
    txtMute->setToolTip("Disable MUTE");
    txtMute->setMaximumWidth(60);
    txtMute->setVisible(false);
    imgAltavozAlarma = SpeakerImage(fraAlarma, "imgAltavozAlarma", [this] { SoundAlarm(); });

    fraSonidos = new QGroupBox("Sounds", this);
    chkClusterSpot = new QCheckBox("Cluster Spot Received", fraSonidos);
    chkCallsign = new QCheckBox("New Callsign", fraSonidos);
    chkDXCC = new QCheckBox("New DXCC", fraSonidos);
    chkMensajeParaMi = new QCheckBox("Someone is calling me", fraSonidos);
    imgAltavozCluster = SpeakerImage(fraSonidos, "imgAltavozCluster", [this] { AlarmaClusterSpot(); });
    imgAltavozCallsign = SpeakerImage(fraSonidos, "imgAltavozCallsign", [this] { AlarmaCallsign(); });
    imgAltavozDXCC = SpeakerImage(fraSonidos, "imgAltavozDXCC", [this] { AlarmaDXCC(); });
    imgAltavozRXMessage = SpeakerImage(fraSonidos, "imgAltavozRXMessage", [this] { AlarmaMensajeParaMi(); });

    cmdOK = new QPushButton("OK", this);

    fraAlarma->setObjectName("fraAlarma");
    optSpeaker->setObjectName("optSpeaker");
    optArchivoSonido->setObjectName("optArchivoSonido");
    txtArchivoSonido->setObjectName("txtArchivoSonido");
    cmdPathAlarma->setObjectName("cmdPathAlarma");
    lblDeviceOutput->setObjectName("lblDeviceOutput");
    txtDeviceOutput->setObjectName("txtDeviceOutput");
    lblVolumen->setObjectName("lblVolumen");
    sldVolumen->setObjectName("sldVolumen");
    txtMute->setObjectName("txtMute");
    fraSonidos->setObjectName("fraSonidos");
    chkClusterSpot->setObjectName("chkClusterSpot");
    chkCallsign->setObjectName("chkCallsign");
    chkDXCC->setObjectName("chkDXCC");
    chkMensajeParaMi->setObjectName("chkMensajeParaMi");
    cmdOK->setObjectName("cmdOK");

    // Neither option is selected until the load selects the stored one.
    auto* options = new QButtonGroup(this);
    options->addButton(optSpeaker);
    options->addButton(optArchivoSonido);

    auto* choice = new QHBoxLayout;
    choice->addWidget(optSpeaker);
    choice->addWidget(optArchivoSonido);
    choice->addStretch(1);
    choice->addWidget(imgAltavozAlarma);
    auto* file = new QHBoxLayout;
    file->addWidget(txtArchivoSonido, 1);
    file->addWidget(cmdPathAlarma);
    auto* device = new QHBoxLayout;
    device->addWidget(lblDeviceOutput);
    device->addWidget(txtDeviceOutput, 1);
    auto* volume = new QHBoxLayout;
    volume->addWidget(lblVolumen);
    volume->addWidget(sldVolumen, 1);
    volume->addWidget(txtMute);
    auto* alarm = new QVBoxLayout(fraAlarma);
    alarm->addLayout(choice);
    alarm->addLayout(file);
    alarm->addLayout(device);
    alarm->addLayout(volume);

    auto* sounds = new QGridLayout(fraSonidos);
    int row = 0;
    for (auto [box, image] :
         {std::pair{chkClusterSpot, imgAltavozCluster}, std::pair{chkCallsign, imgAltavozCallsign},
          std::pair{chkDXCC, imgAltavozDXCC}, std::pair{chkMensajeParaMi, imgAltavozRXMessage}}) {
        sounds->addWidget(box, row, 0);
        sounds->addWidget(image, row++, 1);
    }

    auto* page = new QVBoxLayout(this);
    page->addWidget(fraAlarma);
    page->addWidget(fraSonidos);
    page->addWidget(cmdOK, 0, Qt::AlignRight);

    WhenChosen(optSpeaker, this, [this] { optSpeaker_Click(); });
    WhenChosen(optArchivoSonido, this, [this] { optArchivoSonido_Click(); });
    // The box holds no longer a path than the system can name, which is what the settings file gives
    // back; a paste that goes beyond is cut, and the operator told so once the paste is in.
    txtArchivoSonido->setMaxLength(static_cast<int>(kPathBuffer) - 1);
    connect(
        txtArchivoSonido, &QLineEdit::inputRejected, this,
        [this] {
            links_.boxes.Show("A file path holds at most " + std::to_string(kPathBuffer - 1) +
                                  " characters: the rest was left out.",
                              "File Error", BoxIcon::Exclamation);
        },
        Qt::QueuedConnection);
    connect(cmdPathAlarma, &QPushButton::clicked, this, [this] { cmdPathAlarma_Click(); });
    connect(sldVolumen, &QSlider::valueChanged, this, [this] { sldVolumen_Change(); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    // Before the window's slot hears of it: the window is still the one it holds.
    connect(this, &QDialog::finished, this, [this] { Form_Unload(); });
}

frmAlarms::~frmAlarms() = default;

void frmAlarms::Form_Load() {
    LoadAlarmSettings(links_.store, *this);
    PaintOkButton(cmdOK);
    sldVolumen->setRange(0, kVolumeMax);
    sldVolumen->setTickPosition(QSlider::NoTicks);
    sldVolumen->setTickInterval(kVolumeMax / 10);
    sldVolumen->setSingleStep(kVolumeMax / 100);
    sldVolumen->setPageStep(kVolumeMax / 10);
    AlarmPlayer& player = links_.host.Player();
    // The slider shows the level the player keeps, which outlives the window; moving it sets the level.
    sldVolumen->setValue(CLng(player.Level() * static_cast<double>(kVolumeMax) / 65535));
    // The end of the file, heard by the player, ends it here as the stop picture would; a window gone
    // since leaves it to the next one.
    player.FileEnded = [window = QPointer<frmAlarms>(this)] {
        if (window) window->StopAlarmFile();
    };
}

void frmAlarms::Form_Unload() {
    if (links_.host.StopPictureVisible()) links_.host.pctDetenerAlarma_Click();
}

void frmAlarms::ShowDeviceOutput() {
    const std::optional<std::string> device = links_.host.Player().DeviceName();
    txtDeviceOutput->setText(device ? QString::fromStdString(*device) : QString(kNoDeviceText));
    ShowWhole(txtDeviceOutput);
}

void frmAlarms::optArchivoSonido_Click() {
    ShowDeviceOutput();
    cmdPathAlarma->setVisible(true);
    txtArchivoSonido->setVisible(true);
    lblVolumen->setVisible(true);
    sldVolumen->setVisible(true);
    imgAltavozAlarma->setVisible(false);
}

void frmAlarms::optSpeaker_Click() {
    // There is no PC speaker here: the tune plays where the file would.
    ShowDeviceOutput();
    cmdPathAlarma->setVisible(false);
    txtArchivoSonido->setVisible(false);
    lblVolumen->setVisible(false);
    sldVolumen->setVisible(false);
    txtMute->setVisible(false);
    imgAltavozAlarma->setVisible(true);
}

void frmAlarms::cmdPathAlarma_Click() {
    for (;;) {
        // The picker opens where the present file is, else in the home folder.
        const QFileInfo present(txtArchivoSonido->text());
        const QString start = present.absoluteDir().exists() && present.isAbsolute() ? present.absolutePath()
                                                                                     : QDir::homePath();
        const std::optional<std::string> chosen = links_.dialogs.ChooseOpenFile(
            links_.host.OpenSoundFileTitle(), FromQString(start), "*.wav, *.mp3 (*.wav *.mp3 *.WAV *.MP3)");
        if (!chosen) return;
        const std::string type = SoundFileType(*chosen);
        if (type == "MP3" || type == "WAV") {
            txtArchivoSonido->setText(ToQString(*chosen));
            return;
        }
        links_.boxes.Show("Only wav or MP3 filesType", "File Error", BoxIcon::Exclamation);
    }
}

void frmAlarms::sldVolumen_Change() {
    links_.host.Player().SetLevel(CLng(sldVolumen->value() * 655.35));
}

void frmAlarms::txtMute_Click() {
    links_.host.UnmuteWaveOut();
    links_.host.FocusTransmitWindow();
}

void frmAlarms::cmdOK_Click() {
    SaveAlarmSettings(links_.store, *this);
    accept();
}

void frmAlarms::SoundAlarm() {
    if (sounding_) return;
    sounding_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{sounding_};
    if (optSpeaker->isChecked()) {
        links_.host.Player().PlayTones(kGeneralAlarmTune);
        return;
    }
    if (!links_.host.StopPictureVisible()) PlayAlarmFile();
}

void frmAlarms::AlarmaClusterSpot() {
    links_.host.Player().PlayTones(kClusterSpotTune);
}

void frmAlarms::AlarmaCallsign() {
    links_.host.Player().PlayTones(kNewCallsignTune);
}

void frmAlarms::AlarmaDXCC() {
    links_.host.Player().PlayTones(kNewDxccTune);
}

void frmAlarms::AlarmaMensajeParaMi() {
    links_.host.Player().PlayTones(kCallingMeTune);
}

void frmAlarms::PlayAlarmFile() {
    links_.host.PrepareMixerForOutput();
    const std::string f = FromQString(txtArchivoSonido->text());
    const std::string path = SystemPath(txtArchivoSonido->text());
    if (!FileExists(path)) {
        links_.boxes.Show("File '" + f + "' not found", "Alarm File Error", BoxIcon::Exclamation);
        show();
        raise();
        activateWindow();
        return;
    }
    const std::string type = SoundFileType(f);
    if (type != "WAV" && type != "MP3") return;
    // The player's playing flag is up before anything else can run; the picture follows at once.
    if (links_.host.Player().PlayFile(path) == AlarmFileResult::Playing)
        links_.host.SetStopPictureVisible(true);
}

void frmAlarms::StopAlarmFile() {
    AlarmPlayer& player = links_.host.Player();
    // A file that has ended by itself leaves a tune that may still sound alone.
    if (player.Playing()) player.Stop();
    links_.host.SetStopPictureVisible(false);
}

void LoadAlarmSettings(ProfileStore& store, frmAlarms& w) {
    const std::string section = store.Section(kSection);
    const auto ticked = [&](const char* key, bool missing) {
        const std::optional<std::string> v = store.Read(section, key, 10);
        return v ? Val(*v) == 1 : missing;
    };
    w.chkClusterSpot->setChecked(ticked("ClusterSpot", true));
    w.chkCallsign->setChecked(ticked("Callsign", false));
    w.chkDXCC->setChecked(ticked("DXCC", false));
    w.chkMensajeParaMi->setChecked(ticked("MensajeParaMi", false));
    if (const std::optional<std::string> file = store.Read(section, "Archivo Audio", kPathBuffer))
        w.txtArchivoSonido->setText(ToQString(*file));
    const std::optional<std::string> option = store.Read(section, "Opcion Alarma", 50);
    if (!option || Val(*option) == 1)
        Select(w.optSpeaker, [&w] { w.optSpeaker_Click(); });
    else
        Select(w.optArchivoSonido, [&w] { w.optArchivoSonido_Click(); });
}

void SaveAlarmSettings(ProfileStore& store, frmAlarms& w) {
    const std::string section = store.Section(kSection);
    const auto flag = [](const QCheckBox* box) { return box->isChecked() ? "1" : "0"; };
    store.Write(section, "ClusterSpot", flag(w.chkClusterSpot));
    store.Write(section, "Callsign", flag(w.chkCallsign));
    store.Write(section, "DXCC", flag(w.chkDXCC));
    store.Write(section, "MensajeParaMi", flag(w.chkMensajeParaMi));
    store.Write(section, "Archivo Audio", FromQString(w.txtArchivoSonido->text()));
    store.Write(section, "Opcion Alarma", w.optSpeaker->isChecked() ? "1" : "2");
}

}  // namespace muv
