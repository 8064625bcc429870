// Building the main window: its menus, text windows, meters, status boxes, cluster and frequency panels,
// option frames, macro labels and picture buttons, each control under its name and wired to its handlers.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSlider>
#include <QTextBrowser>
#include <functional>
#include <initializer_list>
#include <utility>

#include "common/vb.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/thread_wake.h"
#include "session/frmMain.h"
#include "session/images.h"
#include "session/keyboard_poll.h"
#include "session/meter_needle.h"
#include "session/station.h"

namespace muv {

namespace {

// The client area at design time: it holds layouts 1 and 2; the wide layouts maximise the window.
constexpr int kDesignWidth = 1017;
constexpr int kDesignHeight = 689;
// Room kept at the top of the receive window for the cluster rows and the frequency panel.
constexpr int kRxHeader = 94;

const QColor kWindowColour(236, 238, 241);
constexpr ColorRef kWindowBack = RGB(236, 238, 241);
constexpr ColorRef kWhite = RGB(255, 255, 255);
constexpr ColorRef kChannelGrey = RGB(168, 168, 168);
constexpr ColorRef kMacroColour = RGB(214, 228, 244);

void Clickable(PictureBox* picture, std::function<void()> handler) {
    picture->Click = std::move(handler);
    picture->setCursor(Qt::PointingHandCursor);
}

void Clickable(TextBox* box, std::function<void()> handler) {
    box->Click = std::move(handler);
    box->setCursor(Qt::PointingHandCursor);
}

}  // namespace

template <class W>
W* frmMain::Register(W* widget, std::string_view name) {
    widget->setObjectName(QString::fromLatin1(name.data(), static_cast<int>(name.size())));
    widget->setVisible(true);  // every control's own Visible setting is explicit from the start
    controls_.emplace(std::string(name), widget);
    return widget;
}

frmMain::frmMain(MessageBoxes* boxes, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("MUV"));
    MenuBar = new QMenuBar(this);
    client_ = new QWidget(this);
    QPalette pal = client_->palette();
    pal.setColor(QPalette::Window, kWindowColour);
    client_->setPalette(pal);
    client_->setAutoFillBackground(true);
    client_->setFont(UiFont(11));

    BuildMenus();
    BuildTextWindows();
    BuildMeters();
    BuildStatusBoxes();
    BuildClusterPanel();
    BuildFrequencyPanel();
    BuildOptionFrames();
    BuildMacroLabels();
    BuildPictureButtons();
    SetDesignTimers();

    // The layout is the resolution menu's choice, applied when the window loads.
    resize(kDesignWidth, kDesignHeight + MenuBar->sizeHint().height());

    if (!boxes) {
        ownBoxes_ = std::make_unique<QtMessageBoxes>(this);
        boxes = ownBoxes_.get();
    }
    windowBoxes_ = std::make_unique<WindowBoxes>(*this, *boxes);
    boxes_ = windowBoxes_.get();
    keyboard_ = std::make_unique<KeyboardPoll>();
    keyboard_->OnPress = [this] { AskForShortcuts(); };
    SetReceiveModeSource([this]() -> const ModeRecord& { return station_->receiver.RxMode(); });
}

void frmMain::BuildTextWindows() {
    QFont text(QStringLiteral("DejaVu Sans"));
    text.setPointSize(10);

    rtfVentanaRX = Register(new RichTextBox(client_, kWhite), "rtfVentanaRX");
    rtfVentanaRX->setGeometry(8, 4, 1001, 209);
    rtfVentanaRX->setFont(text);
    rtfVentanaRX->SetHeaderHeight(kRxHeader);
    rtfVentanaRX->KeyDown = [this](int& code, int shift) { rtfVentanaRX_KeyDown(code, shift); };
    rtfVentanaRX->KeyUp = [this](int& code, int shift) { rtfVentanaRX_KeyUp(code, shift); };
    rtfVentanaRX->MouseUp = [this](int b, int s, float x, float y) { rtfVentanaRX_MouseUp(b, s, x, y); };
    rxWindow_ = std::make_unique<QTextEditWindow>(rtfVentanaRX, kBlack, 10);

    rtfVentanaTX = Register(new RichTextBox(client_, kWhite), "rtfVentanaTX");
    rtfVentanaTX->setGeometry(8, 480, 1001, 38);
    rtfVentanaTX->setFont(text);
    rtfVentanaTX->KeyDown = [this](int& code, int shift) { rtfVentanaTX_KeyDown(code, shift); };
    rtfVentanaTX->KeyPress = [this](int& ascii) { rtfVentanaTX_KeyPress(ascii); };
    txWindow_ = std::make_unique<QTextEditWindow>(rtfVentanaTX, kBlack, 10);
    rtfVentanaTX->SentUpTo = [this]() -> std::optional<int> {
        if (!SendingText()) return std::nullopt;
        return txWindow_->ToDocument(SentTxCharacters());
    };

    pctWaterfall = Register(new WaterfallBox(client_), "pctWaterfall");
    pctWaterfall->setGeometry(8, 520, 1001, 161);
    pctWaterfall->setCursor(Qt::CrossCursor);
}

void frmMain::BuildMeters() {
    struct MeterPlace {
        MeterBox** meter;
        const char* name;
        const char* caption;
        int left, top;
    };
    const MeterPlace meters[] = {
        {&pctSimbolosCoincidentes, "pctSimbolosCoincidentes", "SYNC", 24, 216},
        {&pctTramaFinal, "pctTramaFinal", "END PATTERN", 184, 216},
        {&pctJitter, "pctJitter", "TIMING", 344, 216},
        {&pctOffsetFrecuencia, "pctOffsetFrecuencia", "FREQ. OFFSET", 512, 216},
        {&pctErrores, "pctErrores", "VITERBI", 680, 216},
        {&pctRelacionSN, "pctRelacionSN", "S/N", 848, 216},
        {&pctVumetro, "pctVumetro", "LEVEL", 24, 320},
        {&pctCPU, "pctCPU", "CPU", 184, 320},
    };
    for (const MeterPlace& m : meters) {
        *m.meter = Register(new MeterBox(client_, MeterDialImage(QString::fromLatin1(m.caption))), m.name);
        (*m.meter)->move(m.left, m.top);
    }
}

void frmMain::BuildStatusBoxes() {
    auto box = [this](const char* name, const char* text, QRect place, bool visible = true) {
        TextBox* b =
            Register(new TextBox(client_, TextBox::Look::Sunken, kStatusGrey, ToQString(text)), name);
        b->setGeometry(place);
        b->setVisible(visible);
        return b;
    };
    txtAdquisicionInicial = box("txtAdquisicionInicial", "Frame Acquisition: 0/24", {24, 293, 147, 20});
    txtAdquisicionFinal = box("txtAdquisicionFinal", "Final Acquisition: 0/24", {184, 293, 147, 20});
    txtSincronismo = box("txtSincronismo", "UNLOCKED", {344, 293, 147, 20});
    txtAFC = box("txtAFC", "Frequency Shift: 0 Hz", {512, 293, 147, 20});
    txtViterbi = box("txtViterbi", "Viterbi: 0%", {680, 293, 147, 20});
    txtSN = box("txtSN", "S/N (2500 Hz): 0 dB", {848, 293, 147, 20});
    txtVU = box("txtVU", "Volume: -20 dB", {24, 395, 147, 20});
    txtCPU = box("txtCPU", "CPU Usage: 0 %", {184, 395, 147, 20});

    txtModo = box("txtModo", "MUV16/2000", {872, 328, 137, 32});
    txtModo->setFont(UiFont(16, true));
    txtTemporizadorBeacon = box("txtTemporizadorBeacon", "Beacon: 180", {820, 368, 96, 20}, false);
    txtTonoDePrueba = box("txtTonoDePrueba", "TEST TONE", {820, 368, 96, 20}, false);
    txtTemporizador1Baudio = box("txtTemporizador1Baudio", "WAIT... 40", {820, 368, 96, 20}, false);

    // Boxes that appear over other controls for a while: the transmit indicator, the e-mail result,
    // the mute warning over the level meter, the cursor read-out over the waterfall.
    txtTransmitting = box("txtTransmitting", "PTT ON", {384, 280, 120, 40}, false);
    txtTransmitting->SetBackColor(kStatusRed);
    txtTransmitting->setFont(UiFont(20, true));
    txtEmail = box("txtEmail", "", {344, 280, 200, 20}, false);
    txtMute = box("txtMute", "MUTE", {80, 342, 60, 20}, false);
    txtMute->SetBackColor(kStatusYellow);
    txtMute->setFont(UiFont(11, true));
    Clickable(txtMute, [this] { txtMute_Click(); });
    txtPosicionCursor = box("txtPosicionCursor", "", {824, 528, 180, 19});
    txtPosicionCursor->SetBackColor(kWhite);
}

void frmMain::BuildClusterPanel() {
    // Two rows at the top of the receive window: the last DX-cluster spot and the last chat line.
    auto row = [this](int top, const char* frequency, const char* comment, const char* time, const char* link,
                      const char* clear) {
        auto* f = Register(new TextBox(client_, TextBox::Look::Sunken, kWhite), frequency);
        f->setGeometry(12, top, 66, 20);
        auto* c = Register(new RichTextBox(client_, kWhite), comment);
        c->setGeometry(77, top, 530, 20);
        c->setFont(UiFont(11));
        c->setReadOnly(true);
        c->setLineWrapMode(QTextEdit::NoWrap);
        c->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        c->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        c->document()->setDocumentMargin(2);
        auto* t = Register(new TextBox(client_, TextBox::Look::Sunken, kWhite), time);
        t->setGeometry(606, top, 46, 20);
        auto* l = Register(new PictureBox(client_, kWindowBack, false), link);
        l->setGeometry(657, top, 20, 20);
        l->SetPicture(ClusterLinkImage({20, 20}));
        auto* x = Register(new PictureBox(client_, kWindowBack, false), clear);
        x->setGeometry(682, top, 20, 20);
        x->SetPicture(ClearMessageImage({20, 20}));
        // A row shows when its first line arrives; until then nothing of it is on the window.
        for (QWidget* w : std::initializer_list<QWidget*>{f, c, t, l, x})
            w->setVisible(false);
        return std::make_tuple(f, c, t, l, x);
    };
    std::tie(txtClusterFrecuencia, rtfClusterComentario, txtClusterHora, pctClusterLink, pctBorrarMensaje) =
        row(8, "txtClusterFrecuencia", "rtfClusterComentario", "txtClusterHora", "pctClusterLink",
            "pctBorrarMensaje");
    std::tie(txtClusterFrecuencia2, rtfClusterComentario2, txtClusterHora2, pctClusterLink2,
             pctBorrarMensaje2) = row(30, "txtClusterFrecuencia2", "rtfClusterComentario2", "txtClusterHora2",
                                      "pctClusterLink2", "pctBorrarMensaje2");
    Clickable(pctClusterLink, [this] { pctClusterLink_Click(); });
    Clickable(pctBorrarMensaje, [this] { pctBorrarMensaje_Click(); });
    Clickable(pctClusterLink2, [this] { pctClusterLink2_Click(); });
    Clickable(pctBorrarMensaje2, [this] { pctBorrarMensaje2_Click(); });
    clusterWindow_ = std::make_unique<QTextEditWindow>(rtfClusterComentario, kBlack, 11, TextCoding::kUtf8);
    clusterWindow2_ = std::make_unique<QTextEditWindow>(rtfClusterComentario2, kBlack, 11, TextCoding::kUtf8);
    rtfClusterComentario->MouseUp = [this](int b, int s, float x, float y) {
        rtfClusterComentario_MouseUp(b, s, x, y);
    };
    rtfClusterComentario2->MouseUp = [this](int b, int s, float x, float y) {
        rtfClusterComentario2_MouseUp(b, s, x, y);
    };
}

void frmMain::BuildFrequencyPanel() {
    txtFrecuencia = Register(new TextField(client_, kWhite), "txtFrecuencia");
    txtFrecuencia->setGeometry(708, 8, 100, 24);
    txtFrecuencia->setFont(UiFont(15, true));
    txtFrecuencia->setAlignment(Qt::AlignCenter);
    txtFrecuencia->Click = [this] { txtFrecuencia_Click(); };
    connect(txtFrecuencia, &QLineEdit::textChanged, this, [this] { txtFrecuencia_Change(); });

    pctFlechaArriba = Register(new PictureBox(client_, kWhite), "pctFlechaArriba");
    pctFlechaArriba->setGeometry(809, 8, 20, 12);
    pctFlechaArriba->SetPicture(ArrowImage(true, {20, 12}));
    Clickable(pctFlechaArriba, [this] { pctFlechaArriba_Click(); });
    pctFlechaArriba->DblClick = [this] { pctFlechaArriba_DblClick(); };
    pctFlechaAbajo = Register(new PictureBox(client_, kWhite), "pctFlechaAbajo");
    pctFlechaAbajo->setGeometry(809, 20, 20, 12);
    pctFlechaAbajo->SetPicture(ArrowImage(false, {20, 12}));
    Clickable(pctFlechaAbajo, [this] { pctFlechaAbajo_Click(); });
    pctFlechaAbajo->DblClick = [this] { pctFlechaAbajo_DblClick(); };

    // The clock: digits and marks placed in the picture in twips, as the layouts give them.
    pctReloj = Register(new PictureBox(client_, FromQColor(ClockBackground())), "pctReloj");
    pctReloj->setGeometry(835, 8, 100, 38);
    for (int d = 0; d <= 9; ++d)
        imgNumeros[static_cast<size_t>(d)] = ClockDigitImage(d);
    auto part = [this](int index, int leftTwips, QSize size, int top, const QPixmap& picture) {
        const std::string name = "imgFondo(" + std::to_string(index) + ")";
        auto* p = Register(new PictureBox(pctReloj, FromQColor(ClockBackground())), name);
        p->setGeometry(leftTwips / kTwipsPerPixel, top, size.width(), size.height());
        p->SetPicture(picture);
        imgFondo[static_cast<size_t>(index)] = p;
    };
    part(9, 0, {12, 38}, 0, ClockBezelImage({12, 38}));
    for (int i = 0; i < 4; ++i)
        part(i, std::array{180, 435, 795, 1050}[static_cast<size_t>(i)], kClockDigitSize, 4, imgNumeros[0]);
    part(11, 690, {7, 30}, 4, ClockColonImage({7, 30}));
    part(8, 1300, {13, 38}, 0, ClockUtcImage({13, 38}));

    cmdClearScreen = Register(new CommandButton(client_, QStringLiteral("CLEAR"), kWhite), "cmdClearScreen");
    cmdClearScreen->setGeometry(936, 8, 56, 38);
    connect(cmdClearScreen, &QPushButton::clicked, this, [this] { cmdClearScreen_Click(); });

    struct Channel {
        TextBox** box;
        const char* name;
    };
    const Channel channels[] = {
        {&txt3583, "txt3583"},   {&txt3585, "txt3585"},   {&txt7040, "txt7040"},   {&txt7042, "txt7042"},
        {&txt7044, "txt7044"},   {&txt10144, "txt10144"}, {&txt10145, "txt10145"}, {&txt14078, "txt14078"},
        {&txt14101, "txt14101"}, {&txt14103, "txt14103"}, {&txt14113, "txt14113"}, {&txt18111, "txt18111"},
        {&txt18113, "txt18113"}, {&txt21110, "txt21110"}, {&txt21114, "txt21114"},
    };
    for (int i = 0; i < 15; ++i) {
        const Channel& c = channels[i];
        auto* b = Register(
            new TextBox(client_, TextBox::Look::Raised, kChannelGrey, QString::fromLatin1(c.name + 3)),
            c.name);
        b->setGeometry(708, 50, 40, 20);
        b->setFont(UiFont(11, true));
        Clickable(b, [this, index = i + 1] { ChannelBox_Click(index); });
        b->setVisible(false);
        *c.box = b;
    }

    pctCancelFrame = Register(new PictureBox(client_, kWindowBack, false), "pctCancelFrame");
    pctCancelFrame->setGeometry(708, 74, 60, 20);
    pctCancelFrame->SetPicture(CancelFrameImage({60, 20}));
    Clickable(pctCancelFrame, [this] { pctCancelFrame_Click(); });
    pctCancelFrame->setVisible(false);
    pctDetenerAlarma = Register(new PictureBox(client_, kWindowBack, false), "pctDetenerAlarma");
    pctDetenerAlarma->setGeometry(776, 74, 60, 20);
    pctDetenerAlarma->SetPicture(StopAlarmImage({60, 20}));
    Clickable(pctDetenerAlarma, [this] { pctDetenerAlarma_Click(); });
    pctDetenerAlarma->setVisible(false);
    txtTemporizadorScan =
        Register(new TextBox(client_, TextBox::Look::Sunken, kStatusGrey, QStringLiteral("Scan: 300")),
                 "txtTemporizadorScan");
    txtTemporizadorScan->setGeometry(847, 74, 82, 20);
    txtTemporizadorScan->setVisible(false);
}

void frmMain::BuildOptionFrames() {
    auto frame = [this](const char* name, const char* caption, QRect place) {
        Frame* f = Register(new Frame(client_, QString::fromLatin1(caption)), name);
        f->setGeometry(place);
        return f;
    };
    // A switch picture inside a frame; ON pictures are lit, OFF pictures raised.
    auto image = [this](QWidget* frame, const char* name, const QPixmap& picture, QRect place, bool visible) {
        auto* p = Register(new PictureBox(frame, kWindowBack, false), name);
        p->setGeometry(place);
        p->SetPicture(picture);
        p->setVisible(visible);
        return p;
    };
    auto caption = [this](QWidget* frame, const char* name, const char* text, QRect place) {
        auto* c = Register(new TextBox(frame, TextBox::Look::Flat, kWindowBack, ToQString(text)), name);
        c->setGeometry(place);
        return c;
    };
    const QSize toggle(40, 22);
    auto onOff = [&](Frame* f, const char* onName, const char* offName, int left, bool on, Lamp lamp,
                     PictureBox** onImage, PictureBox** offImage) {
        const QRect place(QPoint(left, 25), toggle);
        *onImage = image(f, onName, SwitchImage(QStringLiteral("ON"), true, toggle, lamp), place, on);
        *offImage = image(f, offName, SwitchImage(QStringLiteral("OFF"), false, toggle), place, !on);
    };

    fraAlarma = frame("fraAlarma", "Alarm", {340, 328, 48, 62});
    onOff(fraAlarma, "imgONAlarm", "imgOFFAlarm", 4, true, Lamp::Green, &imgONAlarm, &imgOFFAlarm);

    fraShiftRange = frame("fraShiftRange", "AFC", {392, 328, 76, 62});
    lblAFCAmplio = caption(fraShiftRange, "lblAFCAmplio", "±200 Hz", {9, 16, 45, 18});
    lblAFCEstrecho = caption(fraShiftRange, "lblAFCEstrecho", "±78 Hz", {9, 38, 45, 18});
    lblAFCAmplio->SetAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    lblAFCEstrecho->SetAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    imgAFC200 = image(fraShiftRange, "imgAFC200", AfcSwitchImage(true, {18, 40}), {54, 16, 18, 40}, true);
    imgAFC50 = image(fraShiftRange, "imgAFC50", AfcSwitchImage(false, {18, 40}), {54, 16, 18, 40}, false);

    // The band frames: receive options above, transmit symbol rates below; the band class shows one.
    // Columns: the first is wider for the option that decodes every mode of the band.
    const std::array<QRect, 3> columns = {QRect(16, 0, 40, 20), QRect(57, 0, 34, 20), QRect(92, 0, 34, 20)};
    auto pair = [&](Frame* f, const char* label, const char* onName, const char* offName, int col, int top,
                    bool on, PictureBox** onImage, PictureBox** offImage) {
        const QRect place = columns[static_cast<size_t>(col)].translated(0, top);
        const QSize rate = place.size();
        *onImage = image(f, onName, SwitchImage(QString::fromLatin1(label), true, rate), place, on);
        *offImage = image(f, offName, SwitchImage(QString::fromLatin1(label), false, rate), place, !on);
    };
    fraSymbolRateHF = frame("fraSymbolRateHF", "HF modes", {472, 328, 128, 62});
    lblRXHF = caption(fraSymbolRateHF, "lblRXHF", "RX", {2, 17, 14, 20});
    lblTXHF = caption(fraSymbolRateHF, "lblTXHF", "TX", {2, 39, 14, 20});
    pair(fraSymbolRateHF, "16/8/4", "imgRXON1", "imgRXOFF1", 0, 17, true, &imgRXON1, &imgRXOFF1);
    pair(fraSymbolRateHF, "16/8", "imgRXON2", "imgRXOFF2", 1, 17, false, &imgRXON2, &imgRXOFF2);
    pair(fraSymbolRateHF, "4", "imgRXON3", "imgRXOFF3", 2, 17, false, &imgRXON3, &imgRXOFF3);
    pair(fraSymbolRateHF, "16", "imgBaudON1", "imgBaudOFF1", 0, 39, true, &imgBaudON1, &imgBaudOFF1);
    pair(fraSymbolRateHF, "8", "imgBaudON2", "imgBaudOFF2", 1, 39, false, &imgBaudON2, &imgBaudOFF2);
    pair(fraSymbolRateHF, "4", "imgBaudON3", "imgBaudOFF3", 2, 39, false, &imgBaudON3, &imgBaudOFF3);

    fraSymbolRateMF = frame("fraSymbolRateMF", "MF modes", {472, 328, 128, 62});
    lblRXMF = caption(fraSymbolRateMF, "lblRXMF", "RX", {2, 17, 14, 20});
    lblTXMF = caption(fraSymbolRateMF, "lblTXMF", "TX", {2, 39, 14, 20});
    pair(fraSymbolRateMF, "7/1", "imgRXON1MF", "imgRXOFF1MF", 0, 17, true, &imgRXON1MF, &imgRXOFF1MF);
    pair(fraSymbolRateMF, "7", "imgRXON2MF", "imgRXOFF2MF", 1, 17, false, &imgRXON2MF, &imgRXOFF2MF);
    pair(fraSymbolRateMF, "1", "imgRXON3MF", "imgRXOFF3MF", 2, 17, false, &imgRXON3MF, &imgRXOFF3MF);
    pair(fraSymbolRateMF, "7", "imgBaudON2MF", "imgBaudOFF2MF", 1, 39, true, &imgBaudON2MF, &imgBaudOFF2MF);
    pair(fraSymbolRateMF, "1", "imgBaudON3MF", "imgBaudOFF3MF", 2, 39, false, &imgBaudON3MF, &imgBaudOFF3MF);
    fraSymbolRateMF->setVisible(false);
    for (TextBox* row : {lblRXHF, lblTXHF, lblRXMF, lblTXMF})
        row->setFont(UiFont(9, true));

    fraWaterFall = frame("fraWaterFall", "Waterfall", {604, 328, 56, 62});
    onOff(fraWaterFall, "imgONWaterFall", "imgOFFWaterFall", 8, true, Lamp::Green, &imgONWaterFall,
          &imgOFFWaterFall);
    fraBeacon = frame("fraBeacon", "Beacon", {664, 328, 48, 62});
    onOff(fraBeacon, "imgONBeacon", "imgOFFBeacon", 4, false, Lamp::Amber, &imgONBeacon, &imgOFFBeacon);
    fraTune = frame("fraTune", "Tune", {716, 328, 48, 62});
    onOff(fraTune, "imgTuneON", "imgTuneOFF", 4, false, Lamp::Red, &imgTuneON, &imgTuneOFF);
    fraScan = frame("fraScan", "Scan", {768, 328, 48, 62});
    onOff(fraScan, "imgScanON", "imgScanOFF", 4, false, Lamp::Green, &imgScanON, &imgScanOFF);

    // A click lands on the picture that is shown. ON pictures of the band rows take no click.
    Clickable(imgONAlarm, [this] { imgONAlarm_Click(); });
    Clickable(imgOFFAlarm, [this] { imgOFFAlarm_Click(); });
    Clickable(imgAFC200, [this] { imgAFC200_Click(); });
    Clickable(imgAFC50, [this] { imgAFC50_Click(); });
    Clickable(imgRXOFF1, [this] { imgRXOFF1_Click(); });
    Clickable(imgRXOFF2, [this] { imgRXOFF2_Click(); });
    Clickable(imgRXOFF3, [this] { imgRXOFF3_Click(); });
    Clickable(imgRXOFF1MF, [this] { imgRXOFF1MF_Click(); });
    Clickable(imgRXOFF2MF, [this] { imgRXOFF2MF_Click(); });
    Clickable(imgRXOFF3MF, [this] { imgRXOFF3MF_Click(); });
    Clickable(imgBaudOFF1, [this] { imgBaudOFF1_Click(); });
    Clickable(imgBaudOFF2, [this] { imgBaudOFF2_Click(); });
    Clickable(imgBaudOFF3, [this] { imgBaudOFF3_Click(); });
    Clickable(imgBaudOFF2MF, [this] { imgBaudOFF2MF_Click(); });
    Clickable(imgBaudOFF3MF, [this] { imgBaudOFF3MF_Click(); });
    Clickable(imgONWaterFall, [this] { imgONWaterFall_Click(); });
    Clickable(imgOFFWaterFall, [this] { imgOFFWaterFall_Click(); });
    Clickable(imgONBeacon, [this] { imgONBeacon_Click(); });
    Clickable(imgOFFBeacon, [this] { imgOFFBeacon_Click(); });
    Clickable(imgTuneON, [this] { imgTuneON_Click(); });
    Clickable(imgTuneOFF, [this] { imgTuneOFF_Click(); });
    Clickable(imgScanON, [this] { imgScanON_Click(); });
    Clickable(imgScanOFF, [this] { imgScanOFF_Click(); });
}

void frmMain::BuildMacroLabels() {
    struct Macro {
        TextBox** label;
        const char* name;
        const char* caption;
    };
    // In the order of their numbers: the first row, then the second.
    const Macro macros[16] = {
        {&lblCQ, "lblCQ", "CQ"},
        {&lblCall, "lblCall", "CALL"},
        {&lblMe, "lblMe", "ME"},
        {&lblBye, "lblBye", "BYE"},
        {&lblStation, "lblStation", "STATION"},
        {&lblSN, "lblSN", "S/N"},
        {&lblQSL, "lblQSL", "QSL"},
        {&lblCustom, "lblCustom", "Custom1"},
        {&lblCQDX, "lblCQDX", "CQ DX"},
        {&lblCALL2, "lblCALL2", "CALLx2"},
        {&lblMe2, "lblMe2", "ME2"},
        {&lblBye2, "lblBye2", "BYE2"},
        {&lblEmail, "lblEmail", "@"},
        {&lblRST599, "lblRST599", "599"},
        {&lblQRZ, "lblQRZ", "QRZ?"},
        {&lblRepeat, "lblRepeat", "Custom2"},
    };
    for (int i = 0; i < 16; ++i) {
        const Macro& m = macros[i];
        const int index = i + 1;
        auto* l = Register(
            new TextBox(client_, TextBox::Look::Raised, kMacroColour, QString::fromLatin1(m.caption)),
            m.name);
        l->setGeometry(216 + 78 * (i % 8), i < 8 ? 420 : 448, 72, 24);
        l->setFont(UiFont(12, true));
        Clickable(l, [this, index] { MacroLabel_Click(index); });
        l->MouseMove = [this, index](int b, int s, float x, float y) {
            MacroLabel_MouseMove(index, b, s, x, y);
        };
        l->MouseDown = [this, index](int b, int s, float x, float y) {
            MacroLabel_MouseDown(index, b, s, x, y);
        };
        *m.label = l;
    }

    lblPais = Register(new TextBox(client_, TextBox::Look::Flat, kWindowBack), "lblPais");
    lblPais->setGeometry(8, 432, 200, 16);
    lblPais->SetAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    lblPais->setFont(UiFont(11, true));
    txtDestination = Register(new TextField(client_, kWhite), "txtDestination");
    txtDestination->setGeometry(8, 448, 120, 24);
    txtDestination->setFont(UiFont(14, true));
    txtDestination->setText(QStringLiteral("DESTINATION"));
    txtDestination->Click = [this] { txtDestination_Click(); };
    connect(txtDestination, &QLineEdit::textChanged, this, [this] { txtDestination_Change(); });
    imgBandera = Register(new PictureBox(client_, kWindowBack, false), "imgBandera");
    imgBandera->setGeometry(133, 449, 30, 22);
    imgQRZ = Register(new PictureBox(client_, kWindowBack, false), "imgQRZ");
    imgQRZ->setGeometry(171, 449, 36, 22);
    imgQRZ->SetPicture(QrzImage({36, 22}));
    Clickable(imgQRZ, [this] { imgQRZ_Click(); });
    imgQRZ->MouseMove = [this](int b, int s, float x, float y) { imgQRZ_MouseMove(b, s, x, y); };
    imgQRZ->setVisible(false);

    cmdTX_RX = Register(new CommandButton(client_, QStringLiteral("PTT"), kStatusRed), "cmdTX_RX");
    cmdTX_RX->setGeometry(944, 424, 65, 52);
    cmdTX_RX->setFont(UiFont(16, true));
    connect(cmdTX_RX, &QPushButton::clicked, this, [this] { cmdTX_RX_Click(); });
    cmdClearVentanaTX =
        Register(new CommandButton(client_, QStringLiteral("CLEAR TX"), kWhite), "cmdClearVentanaTX");
    cmdClearVentanaTX->setGeometry(869, 424, 65, 52);
    cmdClearVentanaTX->setFont(UiFont(11, true));
    connect(cmdClearVentanaTX, &QPushButton::clicked, this, [this] { cmdClearVentanaTX_Click(); });
    cmdClearVentanaTX->MouseMove = [this](int b, int s, float x, float y) {
        cmdClearVentanaTX_MouseMove(b, s, x, y);
    };
}

void frmMain::BuildPictureButtons() {
    pctADIF = Register(new PictureBox(client_, kWindowBack, false), "pctADIF");
    pctADIF->setGeometry(922, 368, 36, 36);
    pctADIF->SetPicture(AdifImage({36, 36}));
    Clickable(pctADIF, [this] { pctADIF_Click(); });

    // The volume slider takes the level box's place while transmitting.
    sldVolumen = Register(new QSlider(Qt::Horizontal, client_), "sldVolumen");
    sldVolumen->setGeometry(44, 391, 120, 26);
    sldVolumen->setRange(0, 100);
    sldVolumen->setVisible(false);
    connect(sldVolumen, &QSlider::valueChanged, this, [this] { sldVolumen_Change(); });
    // Whatever moves it (a drag, a click on its track, the wheel), the keys go back to the transmit window.
    sldVolumen->setFocusPolicy(Qt::NoFocus);
    connect(sldVolumen, &QSlider::actionTriggered, this, [this] { sldVolumen_Scroll(); });
    lblTXVU =
        Register(new TextBox(client_, TextBox::Look::Flat, kWindowBack, QStringLiteral("TX")), "lblTXVU");
    lblTXVU->setGeometry(23, 399, 18, 14);
    lblTXVU->setFont(UiFont(10, true));
    lblTXVU->setVisible(false);

    WebBrowserEQSL = Register(new QTextBrowser(client_), "WebBrowserEQSL");
    WebBrowserEQSL->setGeometry(294, 280, 300, 100);
    WebBrowserEQSL->setVisible(false);
}

void frmMain::SetDesignTimers() {
    // Design-time intervals and states; the program sets the run-time ones.
    tmrPosicionCursor.SetInterval(10);
    tmrVolumenSlider.SetInterval(1000);
    tmrRefrescoVumetro.SetEnabled(true);
    tmrRefrescoAdquisicion.SetEnabled(true);
    tmrRefrescoAdquisicionFinal.SetEnabled(true);
    tmrEnviarEmail.SetInterval(1);
    tmrAlarma.SetInterval(1);
    tmrBeacon.SetInterval(1000);
    tmrScan.SetInterval(1000);
    tmrTemporizador1Baudio.SetInterval(1000);
    tmrPSKreporter.SetInterval(5000);
    // The refreshers of the meters, the cursor read-out, the clock and the volume controls sample what
    // the receiver and the mixer left (a buffer of sound comes every 64 ms whatever the timers do): they
    // may fire a little early or late, together, in one wake-up of the program.
    for (QtTimer* refresher :
         {&tmrRefrescoVumetro, &tmrRefrescoMetrica, &tmrRefrescoAdquisicion, &tmrRefrescoAdquisicionMaxima,
          &tmrRefrescoAdquisicionFinal, &tmrRefrescoAdquisicionMaximaFinal, &tmrRefrescoCPU,
          &tmrPosicionCursor, &tmrUTC, &tmrVolumenSlider})
        refresher->SetCoarse(true);
}

}  // namespace muv
