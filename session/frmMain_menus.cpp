// The main window's menus, built and handled: the settings windows, the screen layout, text size, colours,
// menu style and language, beacon, scan, frequencies, skeds, statistics, user profiles and help.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <functional>
#include <utility>

#include "common/cp1252.h"
#include "platform/qt/qt_text.h"

#include "session/frmMain.h"
#include "session/station.h"

namespace muv {

namespace {

// Menu items whose tick is the stored choice: the handler decides the ticks, so the automatic toggle
// of a checkable item is undone before it runs.
QAction* ChoiceItem(QMenu* menu, const QString& caption, std::function<void()> handler) {
    QAction* item = menu->addAction(caption);
    item->setCheckable(true);
    QObject::connect(item, &QAction::triggered, menu, [item, handler = std::move(handler)](bool checked) {
        item->setChecked(!checked);
        handler();
    });
    return item;
}

// The receive window's back colours, items 1 to 7 of the colour menu.
constexpr ColorRef kReceiveColours[8] = {0,
                                         RGB(254, 219, 160),   // Brown
                                         RGB(217, 217, 243),   // Quartz
                                         RGB(224, 224, 224),   // Background
                                         RGB(234, 234, 174),   // Medium Goldenrod
                                         RGB(255, 255, 204),   // Yellow
                                         RGB(216, 216, 191),   // Wheat
                                         RGB(255, 255, 255)};  // White

// The pages the menus open. Only the donation page is fetched over TLS.
constexpr const char* kPskReporterMap =
    "http://www.pskreporter.info/"
    "pskmap.html?preset&callsign=ZZZZZ&what=all&mode=MUV&timerange=3600&hideunrec=1";
constexpr const char* kHam2HamRoom = "http://www.ham2ham.com/room307_muv.php";
constexpr const char* kDxFunCluster = "http://www.dxfun.com/muv";
constexpr const char* kMuvSite = "http://www.muv-modem.org/";
constexpr const char* kMuvGroup = "http://www.facebook.com/group.php?gid=103847529631842&v=wall/";
// The receiving account, donations@muv-modem.org, URL-encoded.
constexpr const char* kDonationPage =
    "https://www.paypal.com/cgi-bin/webscr?cmd=_donations&business=donations%40muv-modem.org"
    "&lc=US&no_note=0&currency_code=EUR&bn=PP%2dDonationsBF%3abtn_donateCC_LG%2egif%3aNonHostedGuest";

QAction* Item(QMenu* menu, const QString& caption, std::function<void()> handler) {
    QAction* item = menu->addAction(caption);
    QObject::connect(item, &QAction::triggered, menu, [handler = std::move(handler)] { handler(); });
    return item;
}

}  // namespace

void frmMain::BuildMenus() {
    mnuConfigure = MenuBar->addMenu(QStringLiteral("&Configure"));
    mnuOperator = Item(mnuConfigure, QStringLiteral("&Operator"), [this] { mnuOperator_Click(); });
    mnuMacros = Item(mnuConfigure, QStringLiteral("M&acros"), [this] { mnuMacros_Click(); });
    mnuEmail = Item(mnuConfigure, QStringLiteral("&E-Mail"), [this] { mnuEmail_Click(); });
    mnuLog = Item(mnuConfigure, QStringLiteral("&Log/ADIF"), [this] { mnuLog_Click(); });
    mnuEQSL = Item(mnuConfigure, QStringLiteral("e&QSL"), [this] { mnuEQSL_Click(); });
    mnuConfigure->addSeparator();
    mnuRig = Item(mnuConfigure, QStringLiteral("&Rig"), [this] { mnuRig_Click(); });
    mnuTarjetaSonido = Item(mnuConfigure, QStringLiteral("Sound&Card"), [this] { mnuTarjetaSonido_Click(); });
    mnuAlarma = Item(mnuConfigure, QStringLiteral("&Alarm/Sounds"), [this] { mnuAlarma_Click(); });
    mnuConfigure->addSeparator();
    mnuUserProfiles =
        Item(mnuConfigure, QStringLiteral("User Profiles"), [this] { mnuUserProfiles_Click(); });
    mnuConfigure->addSeparator();
    mnuGUI = mnuConfigure->addMenu(QStringLiteral("GUI Settings"));
    mnuPantalla = mnuGUI->addMenu(QStringLiteral("Size"));
    const char* const resolutions[] = {"1024x768", "1024x600", "1280x1024", "1280x960",
                                       "1280x768", "1280x720", "1280x600"};
    for (int i = 1; i <= 7; ++i)
        mnuResolucion[i] = ChoiceItem(mnuPantalla, QString::fromLatin1(resolutions[i - 1]),
                                      [this, i] { mnuResolucion_Click(i); });
    mnuTamano = mnuGUI->addMenu(QStringLiteral("&Font Size"));
    for (int i = 1; i <= 3; ++i)
        mnuFont[i] = ChoiceItem(mnuTamano, QString::number(8 + 2 * i), [this, i] { mnuFont_Click(i); });
    mnuColor = mnuGUI->addMenu(QStringLiteral("&Colour"));
    const char* const colours[] = {"Brown",  "Quartz", "Background", "Medium Goldenrod",
                                   "Yellow", "Wheat",  "White"};
    for (int i = 1; i <= 7; ++i)
        mnuColour[i] =
            ChoiceItem(mnuColor, QString::fromLatin1(colours[i - 1]), [this, i] { mnuColour_Click(i); });
    mnuMenuStyle = mnuGUI->addMenu(QStringLiteral("Menu Style"));
    mnuEstiloMenu[1] = ChoiceItem(mnuMenuStyle, QStringLiteral("XP"), [this] { mnuEstiloMenu_Click(1); });
    mnuEstiloMenu[2] = ChoiceItem(mnuMenuStyle, QStringLiteral("Office"), [this] { mnuEstiloMenu_Click(2); });
    mnuLanguage = mnuConfigure->addMenu(QStringLiteral("&Language"));
    const char* const languages[] = {"English", "Español",   "Français", "Italiano", "Deutsch", "Nederlands",
                                     "Cesky ",  "Português", "Russian",  "Euskara",  "Magyar"};
    for (int i = 1; i <= 11; ++i)
        mnuTipoIdioma[i] =
            ChoiceItem(mnuLanguage, ToQString(languages[i - 1]), [this, i] { mnuTipoIdioma_Click(i); });

    mnuBeacon = MenuBar->addAction(QStringLiteral("&Beacon"));
    connect(mnuBeacon, &QAction::triggered, this, [this] { mnuBeacon_Click(); });
    mnuScan = MenuBar->addAction(QStringLiteral("&Scan"));
    connect(mnuScan, &QAction::triggered, this, [this] { mnuScan_Click(); });
    mnuScan->setEnabled(false);  // enabled while a rig is under CAT control

    mnuFrequencies = MenuBar->addMenu(QStringLiteral("&Frequencies"));
    const char* const frequencies[] = {
        "136 kHz MUV MF (USB)",          "502 kHz  MUV MF (USB)",         "1.837 MHz MUV HF (USB)",
        "3.583 MHz MUV HF (USB)",        "3.585 MHz MUV HF (USB)",        "5.367 MHz MUV HF (USB) ",
        "7.040 MHz MUV HF (USB) 500Hz",  "7.042 MHz MUV HF (USB)",        "7.044 MHz MUV HF (USB) ",
        "10.144 MHz MUV HF (USB) 500Hz", "10.145 MHz MUV HF (USB) 500Hz", "14.078 MHz MUV HF (USB) 500Hz",
        "14.101 MHz MUV HF (USB) ",      "14.103 MHz MUV HF (USB)",       "14.113 MHz MUV HF (USB)",
        "18.111 MHz MUV HF (USB)",       "18.113 MHz MUV HF (USB)",       "21.110 MHz MUV HF (USB)",
        "21.114 MHz MUV HF (USB)",       "24.931 MHz MUV HF (USB)",       "28.295 MHz MUV HF (USB)",
        "50.295 MHz MUV HF (USB)",       "70.074 MHz MUV HF (USB)",       "144.160 MHz MUV EME (USB)",
        "144.980 MHz MUV HF (USB)"};
    for (int i = 1; i <= 25; ++i)
        mnuFrequenciesList[i] = ChoiceItem(mnuFrequencies, QString::fromLatin1(frequencies[i - 1]),
                                           [this, i] { mnuFrequenciesList_Click(i); });

    mnuSkeds = MenuBar->addMenu(QStringLiteral("S&keds"));
    const char* const skeds[] = {"PSK Reporter/MUV", "Ham2Ham/MUV", "DX Fun/MUV", "Cluster Spot", "ISS"};
    for (int i = 1; i <= 5; ++i)
        mnuSkedsOpcion[i] =
            Item(mnuSkeds, QString::fromLatin1(skeds[i - 1]), [this, i] { mnuSkedsOpcion_Click(i); });
    mnuSkedsOpcion[5]->setEnabled(false);

    mnuEstadisticas = MenuBar->addAction(QStringLiteral("S&tats"));
    connect(mnuEstadisticas, &QAction::triggered, this, [this] { mnuEstadisticas_Click(); });

    mnuUsuario = MenuBar->addMenu(QStringLiteral("&User"));
    for (int i = 1; i <= 8; ++i)
        mnuListaUsuarios[i] =
            ChoiceItem(mnuUsuario, QStringLiteral("Vacio"), [this, i] { mnuListaUsuarios_Click(i); });

    mnuHelp = MenuBar->addMenu(QStringLiteral("&Help"));
    mnuShortcuts = Item(mnuHelp, QStringLiteral("Shortcuts"), [this] { mnuShortcuts_Click(); });
    mnuMuvSite = Item(mnuHelp, QStringLiteral("MUV Blog"), [this] { mnuMuvSite_Click(); });
    mnuMuvFacebook = Item(mnuHelp, QStringLiteral("MUV Facebook"), [this] { mnuMuvFacebook_Click(); });
    mnuAbout = Item(mnuHelp, QStringLiteral("About"), [this] { mnuAbout_Click(); });

    mnuDonate = MenuBar->addAction(QStringLiteral("Donate"));
    connect(mnuDonate, &QAction::triggered, this, [this] { mnuDonate_Click(); });

    // The menus and entries by name, as the interface texts find them.
    const std::pair<QObject*, const char*> named[] = {
        {mnuConfigure, "mnuConfigure"},
        {mnuOperator, "mnuOperator"},
        {mnuMacros, "mnuMacros"},
        {mnuEmail, "mnuEmail"},
        {mnuLog, "mnuLog"},
        {mnuEQSL, "mnuEQSL"},
        {mnuRig, "mnuRig"},
        {mnuTarjetaSonido, "mnuTarjetaSonido"},
        {mnuAlarma, "mnuAlarma"},
        {mnuUserProfiles, "mnuUserProfiles"},
        {mnuGUI, "mnuGUI"},
        {mnuPantalla, "mnuPantalla"},
        {mnuTamano, "mnuTamano"},
        {mnuColor, "mnuColor"},
        {mnuMenuStyle, "mnuMenuStyle"},
        {mnuLanguage, "mnuLanguage"},
        {mnuBeacon, "mnuBeacon"},
        {mnuScan, "mnuScan"},
        {mnuFrequencies, "mnuFrequencies"},
        {mnuSkeds, "mnuSkeds"},
        {mnuEstadisticas, "mnuEstadisticas"},
        {mnuUsuario, "mnuUsuario"},
        {mnuHelp, "mnuHelp"},
        {mnuShortcuts, "mnuShortcuts"},
        {mnuMuvSite, "mnuMuvSite"},
        {mnuMuvFacebook, "mnuMuvFacebook"},
        {mnuAbout, "mnuAbout"},
        {mnuDonate, "mnuDonate"},
    };
    for (const auto& [menu, name] : named)
        menu->setObjectName(QString::fromLatin1(name));
}

template <size_t N>
void frmMain::TickOnly(std::array<QAction*, N>& items, int index) {
    for (size_t i = 1; i < N; ++i)
        items[i]->setChecked(false);
    if (index >= 1 && static_cast<size_t>(index) < N) items[static_cast<size_t>(index)]->setChecked(true);
}

// --- menu events ---
void frmMain::mnuOperator_Click() {
    station_->settings.ShowOperator();
}

void frmMain::mnuMacros_Click() {
    station_->settings.ShowMacros();
}

void frmMain::mnuEmail_Click() {
    station_->settings.ShowEmailReport();
}

void frmMain::mnuLog_Click() {
    station_->settings.ShowLogDirectories();
}

void frmMain::mnuEQSL_Click() {
    station_->settings.ShowEqslAccount();
}

void frmMain::mnuRig_Click() {
    frmRig& window = station_->rig.Window();
    window.show();
    window.raise();
}

void frmMain::mnuTarjetaSonido_Click() {
    station_->ShowSoundCard();
}

void frmMain::mnuUserProfiles_Click() {
    station_->settings.ShowProfiles();
}

void frmMain::mnuResolucion_Click(int index) {
    TickOnly(mnuResolucion, index);
    ApplyScreenLayout(*this, static_cast<int16_t>(index));
    FitWaterfallImage();
}

void frmMain::mnuFont_Click(int index) {
    static constexpr int kSizes[4] = {0, 10, 12, 14};
    if (index < 1 || index > 3) return;
    Station& st = *station_;
    st.shared.RxFontSize = kSizes[index];
    TickOnly(mnuFont, index);
    // The whole received text takes the size; the caret and selection of both windows stay where the
    // operator left them, so that the next key typed replaces nothing.
    TextWindow& rx = RxWindow();
    const int32_t start = rx.SelStart(), length = rx.SelLength();
    rx.SetSelStart(0);
    rx.SetSelLength(rx.TextLength());
    rx.SetSelFontSize(st.shared.RxFontSize);
    rx.SetSelStart(start);
    rx.SetSelLength(length);
    if (length == 0) rx.SetSelFontSize(st.shared.RxFontSize);
}

void frmMain::mnuColour_Click(int index) {
    // The tick is the stored choice.
    TickOnly(mnuColour, index);
    if (index >= 1 && index <= 7) rtfVentanaRX->SetBackColor(kReceiveColours[index]);
}

void frmMain::mnuEstiloMenu_Click(int index) {
    TickOnly(mnuEstiloMenu, index);
}

void frmMain::mnuTipoIdioma_Click(int index) {
    TickOnly(mnuTipoIdioma, index);
    LanguageIndex = static_cast<uint8_t>(index);
    station_->ApplyLanguage();
}

void frmMain::mnuSkedsOpcion_Click(int index) {
    switch (index) {
        case 1:
            Pages().Open(kPskReporterMap);
            break;
        case 2:
            Pages().Open(kHam2HamRoom);
            break;
        case 3:
            Pages().Open(kDxFunCluster);
            break;
        default: {
            // The spot windows, with the dial frequency and the partner (not the box's hint).
            if (index < 4) break;
            std::string partner = FromQString(txtDestination->text());
            if (Utf8ToUpper(partner) == "DESTINATION") partner.clear();
            if (index == 4) {
                frmClusterSpot& spot = station_->ClusterSpot();
                spot.txtFrecuencia->setText(txtFrecuencia->text());
                spot.txtCallsign->setText(ToQString(partner));
                spot.ShowWindow();
            } else {
                OpenInternalSpot(partner);
            }
            break;
        }
    }
}

void frmMain::mnuEstadisticas_Click() {
    // Counted afresh each time it is shown.
    station_->Statistics().Form_Load();
    station_->ShowStatistics();
}

void frmMain::mnuListaUsuarios_Click(int index) {
    Station& st = *station_;
    if (index < 1 || index > kProfiles) return;
    // Loading another profile retunes and rebuilds the receiver and the transmitter's set-up: not while
    // a transmission runs.
    if (st.shared.TxRxState != 0) {
        Boxes().Show("The user profile cannot be changed while transmitting.", "User Profiles",
                     BoxIcon::Exclamation);
        return;
    }
    TickOnly(mnuListaUsuarios, index);
    mnuUsuario->setTitle(mnuListaUsuarios[static_cast<size_t>(index)]->text());
    st.settings.SwitchProfile(index);
    st.online.ClusterConnect();
    // The new profile's log, or none when it has no log file: never the old profile's contacts. A log
    // file is made only when one is chosen in the log locations window.
    st.LoadLogBook();
    FocusTransmitWindow();
}

void frmMain::mnuShortcuts_Click() {
    station_->settings.ShowShortcuts();
}

void frmMain::mnuMuvSite_Click() {
    Pages().Open(kMuvSite);
}

void frmMain::mnuMuvFacebook_Click() {
    Pages().Open(kMuvGroup);
}

void frmMain::mnuAbout_Click() {
    station_->settings.ShowAbout();
}

void frmMain::mnuDonate_Click() {
    Pages().Open(kDonationPage);
}

WebPages& frmMain::Pages() {
    return webPages_ ? *webPages_ : station_->pages;
}

// --- ProfileMenu ---
void frmMain::SetProfileItemCaption(int item, const std::string& name) {
    if (item >= 1 && item <= kProfiles) mnuListaUsuarios[static_cast<size_t>(item)]->setText(ToQString(name));
}

bool frmMain::ProfileItemTicked(int item) const {
    return item >= 1 && item <= kProfiles && mnuListaUsuarios[static_cast<size_t>(item)]->isChecked();
}

void frmMain::TickProfileItem(int item) {
    TickOnly(mnuListaUsuarios, item);
}

void frmMain::SetProfileMenuCaption(const std::string& name) {
    mnuUsuario->setTitle(ToQString(name));
}

}  // namespace muv
