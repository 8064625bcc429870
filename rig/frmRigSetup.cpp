#include "rig/frmRigSetup.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QTabWidget>
#include <QVBoxLayout>
#include <functional>
#include <map>
#include <set>
#include <sstream>

#include "common/profile_store.h"
#include "common/vb.h"
#include "platform/program_folders.h"
#include "platform/qt/qt_text.h"
#include "rig/rig_engine.h"
#include "rig/rig_server.h"
#include "rig/rigctld_options.h"

namespace muv {

namespace {

constexpr const char* kNoDevice = "(none)";
constexpr const char* kByIdFolder = "/dev/serial/by-id";
constexpr int kSpeeds[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
constexpr const char* kPtt[][2] = {
    {"Model's default", ""}, {"CAT (RIG)", "RIG"}, {"RTS", "RTS"}, {"DTR", "DTR"}, {"None", "NONE"}};

// What a row of the rig list is, and what it holds: a rig file's index, or Hamlib's model number.
enum RowKind { kNoRig, kRigFile, kHamlibModel };
constexpr int kKindRole = Qt::UserRole;
constexpr int kValueRole = Qt::UserRole + 1;
constexpr int kSearchRole = Qt::UserRole + 2;

// Hamlib's model list, read once from `rigctl -l` (empty while rigctl cannot be run).
const std::vector<HamlibModel>& HamlibModels() {
    static std::vector<HamlibModel> models;
    if (models.empty()) {
        QProcess rigctl;
        rigctl.start("rigctl", {"-l"});
        if (rigctl.waitForFinished(5000))
            models = ParseRigctlList(rigctl.readAllStandardOutput().toStdString());
        else
            rigctl.kill();
        rigctl.waitForFinished(1000);
    }
    return models;
}

// The serial ports, each by its stable name under /dev/serial/by-id when it has one.
QStringList SerialDevices() {
    std::map<QString, QString> byId;  // the port's own path -> its stable name
    const QDir ids(kByIdFolder);
    for (const QFileInfo& link :
         ids.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString port = link.canonicalFilePath();
        if (!port.isEmpty() && !byId.count(port)) byId[port] = link.absoluteFilePath();
    }
    std::set<QString> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        ports.insert(info.systemLocation());
    for (const auto& [port, link] : byId)
        ports.insert(port);
    QStringList names;
    for (const QString& port : ports) {
        const auto stable = byId.find(QFileInfo(port).canonicalFilePath());
        names << (stable != byId.end() ? stable->second : port);
    }
    names.removeDuplicates();
    return names;
}

std::string Joined(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& w : words)
        text += (text.empty() ? "" : " ") + w;
    return text;
}

void SelectData(QComboBox* box, const QVariant& value) {
    const int at = box->findData(value);
    box->setCurrentIndex(at >= 0 ? at : 0);
}

}  // namespace

frmRigSetup::frmRigSetup(ProfileStore& settings, const std::array<std::string, 2>& addresses, QWidget* parent)
    : QDialog(parent), settings_(settings), addresses_(addresses) {
    setObjectName("frmRigSetup");
    setWindowTitle("Rig CAT Setup");
    setModal(true);
    files_ = ReadRigFiles(
        {UserDataFolder().empty() ? "" : UserDataFolder() + "/Rigs", ProgramDataFolder() + "/Rigs"});

    tabRigs = new QTabWidget(this);
    for (int n = 1; n <= 2; ++n) {
        Rig[n - 1] = MakeTab(n);
        LoadRig(n);
    }
    lblHamlib = new QLabel(this);
    lblHamlib->setWordWrap(true);
    if (HamlibModels().empty())
        lblHamlib->setText(
            "Hamlib's rigctl could not be run: only the rig files are listed. MUV needs "
            "Hamlib installed to reach a rig.");
    else
        lblHamlib->setText(
            "MUV runs Hamlib's rigctld for a rig chosen here when its address in the rig "
            "window is on this computer (localhost).");
    lblRefused = new QLabel(this);
    lblRefused->setObjectName("lblRefused");
    lblRefused->setTextFormat(Qt::PlainText);  // it quotes what the operator typed
    lblRefused->setWordWrap(true);
    lblRefused->setVisible(false);
    cmdOK = new QPushButton("OK", this);
    cmdOK->setObjectName("cmdOK");
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton("Cancel", this);
    cmdCancel->setObjectName("cmdCancel");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* main = new QVBoxLayout(this);
    main->addWidget(tabRigs);
    main->addWidget(lblHamlib);
    main->addWidget(lblRefused);
    main->addLayout(buttons);
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { reject(); });
}

frmRigSetup::RigTab frmRigSetup::MakeTab(int rigNumber) {
    auto* page = new QWidget(tabRigs);
    tabRigs->addTab(page, QString("Rig %1").arg(rigNumber));
    RigTab t;
    t.txtFilter = new QLineEdit(page);
    t.txtFilter->setObjectName(QString("txtFilter%1").arg(rigNumber));
    t.txtFilter->setPlaceholderText("Find a rig: maker or model");
    t.txtFilter->setClearButtonEnabled(true);
    t.lstRig = new QListWidget(page);
    t.lstRig->setObjectName(QString("lstRig%1").arg(rigNumber));
    t.lstRig->setMinimumSize(360, 240);
    t.lblModel = new QLabel(page);
    t.cboDevice = new QComboBox(page);
    t.cboDevice->setObjectName(QString("cboDevice%1").arg(rigNumber));
    t.cboDevice->setEditable(true);
    t.cboDevice->addItems(SerialDevices());
    t.cboDevice->addItem(kNoDevice);
    t.cboSpeed = new QComboBox(page);
    t.cboSpeed->setObjectName(QString("cboSpeed%1").arg(rigNumber));
    t.cboSpeed->addItem("Model's default", 0);
    for (int speed : kSpeeds)
        t.cboSpeed->addItem(QString::number(speed), speed);
    t.cboPtt = new QComboBox(page);
    t.cboPtt->setObjectName(QString("cboPtt%1").arg(rigNumber));
    for (const auto& [caption, value] : kPtt)
        t.cboPtt->addItem(caption, QString(value));
    t.txtArguments = new QLineEdit(page);
    t.txtArguments->setObjectName(QString("txtArguments%1").arg(rigNumber));
    t.txtArguments->setPlaceholderText("more rigctld arguments, e.g. -C key=value");
    // What the settings hold of them.
    t.txtArguments->setMaxLength(static_cast<int>(kRigArgumentsTextMax));
    t.cboDevice->lineEdit()->setMaxLength(static_cast<int>(kRigArgumentsTextMax));

    auto* list = t.lstRig;
    auto add = [list](const QString& text, RowKind kind, int value, const QString& search) {
        auto* item = new QListWidgetItem(text, list);
        item->setData(kKindRole, kind);
        item->setData(kValueRole, value);
        item->setData(kSearchRole, search.toLower());
        return item;
    };
    add("(no rig)", kNoRig, 0, "");
    for (size_t i = 0; i < files_.size(); ++i) {
        const RigFile& f = files_[i];
        QListWidgetItem* item = add(QString::fromStdString(f.name), kRigFile, static_cast<int>(i),
                                    QString::fromStdString(f.name + " " + f.description));
        item->setToolTip(
            QString::fromStdString(f.description + (f.description.empty() ? "" : "\n") + "rigctld -m " +
                                   std::to_string(f.arguments.model) +
                                   (f.arguments.device.empty() ? "" : " -r " + f.arguments.device)));
    }
    for (const HamlibModel& m : HamlibModels()) {
        const QString name = QString::fromStdString(m.maker + (m.maker.empty() ? "" : " ") + m.model);
        QListWidgetItem* item = add(QString("%1 (#%2)").arg(name).arg(m.number), kHamlibModel, m.number,
                                    name + QString(" #%1").arg(m.number));
        item->setToolTip(QString::fromStdString("Hamlib model " + std::to_string(m.number) + ", " + m.status +
                                                ", version " + m.version));
    }

    auto* form = new QFormLayout;
    form->addRow("Serial device:", t.cboDevice);
    form->addRow("Speed:", t.cboSpeed);
    form->addRow("PTT:", t.cboPtt);
    form->addRow("Other arguments:", t.txtArguments);
    auto* box = new QVBoxLayout(page);
    box->addWidget(t.txtFilter);
    box->addWidget(t.lstRig);
    box->addWidget(t.lblModel);
    box->addLayout(form);

    connect(t.txtFilter, &QLineEdit::textChanged, this, [this, rigNumber] { Filter(rigNumber); });
    connect(t.lstRig, &QListWidget::currentRowChanged, this, [this, rigNumber] { Chosen(rigNumber); });
    return t;
}

// The rig's settings as stored, its model shown chosen in the list: Hamlib's row for it, else the rig file
// that gives exactly these settings.
void frmRigSetup::LoadRig(int rigNumber) {
    const RigTab& t = Rig[rigNumber - 1];
    const std::string key = "Rig" + std::to_string(rigNumber);
    auto read = [&](const char* name, size_t buffer) {
        return settings_.Read("RIG", key + name, buffer).value_or("");
    };
    RigArguments stored;
    stored.model = static_cast<int>(Val(read("Model", 50)));
    stored.device = read("Device", 260);
    stored.speed = static_cast<int>(Val(read("Speed", 50)));
    stored.ptt = read("Ptt", 50);
    std::istringstream words(read("Arguments", 260));
    for (std::string word; words >> word;)
        stored.extra.push_back(word);

    loading_ = true;
    int row = 0;
    if (stored.model > 0) {
        auto find = [&t, &row](const std::function<bool(int kind, int value)>& wanted) {
            for (int i = 1; i < t.lstRig->count() && row == 0; ++i)
                if (wanted(t.lstRig->item(i)->data(kKindRole).toInt(),
                           t.lstRig->item(i)->data(kValueRole).toInt()))
                    row = i;
        };
        find([&](int kind, int value) { return kind == kHamlibModel && value == stored.model; });
        find([&](int kind, int value) { return kind == kRigFile && files_[value].arguments == stored; });
        if (row == 0) {
            // A model that this Hamlib does not list (or none could be listed).
            auto* item = new QListWidgetItem(QString("Hamlib model #%1").arg(stored.model));
            item->setData(kKindRole, kHamlibModel);
            item->setData(kValueRole, stored.model);
            item->setData(kSearchRole, QString("#%1").arg(stored.model));
            row = 1;
            t.lstRig->insertItem(row, item);
        }
    }
    t.lstRig->setCurrentRow(row);
    t.cboDevice->setCurrentText(stored.device.empty() ? QString(kNoDevice) : ToQString(stored.device));
    if (stored.speed > 0 && t.cboSpeed->findData(stored.speed) < 0)
        t.cboSpeed->addItem(QString::number(stored.speed), stored.speed);
    SelectData(t.cboSpeed, stored.speed > 0 ? stored.speed : 0);
    SelectData(t.cboPtt, ToQString(stored.ptt));
    t.txtArguments->setText(ToQString(Joined(stored.extra)));
    loading_ = false;
    Chosen(rigNumber);
}

// A rig chosen in the list: a rig file sets everything it gives rigctld, Hamlib's model only the model.
void frmRigSetup::Chosen(int rigNumber) {
    const RigTab& t = Rig[rigNumber - 1];
    const QListWidgetItem* item = t.lstRig->currentItem();
    const int kind = item ? item->data(kKindRole).toInt() : kNoRig;
    for (QWidget* w : std::initializer_list<QWidget*>{t.cboDevice, t.cboSpeed, t.cboPtt, t.txtArguments})
        w->setEnabled(kind != kNoRig);
    if (kind == kNoRig) {
        t.lblModel->setText("No rig: MUV runs no rigctld for it.");
        return;
    }
    if (kind == kRigFile) {
        const RigArguments& a = files_[item->data(kValueRole).toInt()].arguments;
        t.lblModel->setText(QString("Hamlib model %1, from the rig file %2")
                                .arg(a.model)
                                .arg(QString::fromStdString(files_[item->data(kValueRole).toInt()].name)));
        if (loading_) return;
        t.cboDevice->setCurrentText(a.device.empty() ? QString(kNoDevice) : QString::fromStdString(a.device));
        if (a.speed > 0 && t.cboSpeed->findData(a.speed) < 0)
            t.cboSpeed->addItem(QString::number(a.speed), a.speed);
        SelectData(t.cboSpeed, a.speed);
        SelectData(t.cboPtt, QString::fromStdString(a.ptt));
        t.txtArguments->setText(QString::fromStdString(Joined(a.extra)));
        return;
    }
    const int model = item->data(kValueRole).toInt();
    t.lblModel->setText(QString("Hamlib model %1").arg(model));
    // Hamlib's dummy rig has no PTT of its own: left to its default it refuses every keying. It is keyed
    // by CAT, as its rig file does.
    constexpr int kHamlibDummy = 1;
    if (model == kHamlibDummy && !loading_ && t.cboPtt->currentData().toString().isEmpty())
        SelectData(t.cboPtt, QStringLiteral("RIG"));
}

// Each word of the filter is found in the row's maker and model (or the rig file's name and comment).
void frmRigSetup::Filter(int rigNumber) {
    const RigTab& t = Rig[rigNumber - 1];
    const QStringList words = t.txtFilter->text().toLower().split(' ', Qt::SkipEmptyParts);
    for (int i = 1; i < t.lstRig->count(); ++i) {
        QListWidgetItem* item = t.lstRig->item(i);
        const QString search = item->data(kSearchRole).toString();
        bool shown = true;
        for (const QString& w : words)
            shown = shown && search.contains(w);
        item->setHidden(!shown);
    }
}

void frmRigSetup::cmdOK_Click() {
    for (int n = 1; n <= 2; ++n) {
        RigServerSetup setup;
        if (!TabSetup(n, setup)) continue;
        const std::string why = CheckRigctldWords(RigctldArguments(setup)).refusal;
        if (why.empty()) continue;
        tabRigs->setCurrentIndex(n - 1);
        lblRefused->setText(ToQString("Rig " + std::to_string(n) + ": rigctld would not be started: " + why));
        lblRefused->setVisible(true);
        Rig[n - 1].txtArguments->setFocus();
        return;
    }
    SaveRig(1);
    SaveRig(2);
    accept();
}

bool frmRigSetup::TabSetup(int rigNumber, RigServerSetup& setup) const {
    const RigTab& t = Rig[rigNumber - 1];
    const QListWidgetItem* item = t.lstRig->currentItem();
    const int kind = item ? item->data(kKindRole).toInt() : kNoRig;
    if (kind == kNoRig) return false;
    setup.model = kind == kRigFile ? files_[item->data(kValueRole).toInt()].arguments.model
                                   : item->data(kValueRole).toInt();
    setup.device = FromQString(t.cboDevice->currentText().trimmed());
    if (setup.device == kNoDevice) setup.device.clear();
    setup.speed = t.cboSpeed->currentData().toInt();
    setup.ptt = FromQString(t.cboPtt->currentData().toString());
    std::istringstream words(FromQString(t.txtArguments->text()));
    for (std::string word; words >> word;)
        setup.extra.push_back(word);
    return true;
}

void frmRigSetup::SaveRig(int rigNumber) {
    const std::string key = "Rig" + std::to_string(rigNumber);
    auto write = [&](const char* name, const std::string& value) {
        settings_.Write("RIG", key + name, value);
    };
    RigServerSetup setup;
    if (!TabSetup(rigNumber, setup)) {
        for (const char* name : {"Model", "Device", "Speed", "Ptt", "Arguments"})
            write(name, "");
        return;
    }
    write("Model", std::to_string(setup.model));
    write("Device", setup.device);
    write("Speed", setup.speed > 0 ? std::to_string(setup.speed) : "");
    write("Ptt", setup.ptt);
    write("Arguments", Joined(setup.extra));

    std::string& address = addresses_[rigNumber - 1];
    std::string host;
    uint16_t port = 0;
    if (!ParseRigctldEndpoint(address, host, port) || !IsLoopbackHost(host))
        address = "localhost:" + std::to_string(kRigctldDefaultPort + rigNumber - 1);
}

}  // namespace muv
