// The main window's face to the modem, its meters, clock, cursor read-out and menus, and a screenshot of
// the whole window for the eye.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QSlider>
#include <QStyleFactory>
#include <QTextBrowser>
#include <QWindow>
#include <cmath>
#include <memory>
#include <random>
#include <set>
#include <vector>

#include "receiver/waterfall.h"
#include "session/cursor_readout.h"
#include "session/frmMain.h"
#include "session/station.h"
#include "test_support/qt_app.h"

namespace muv {
namespace {

class FormTest : public test::QtAppTest {
protected:
};

constexpr Control kLastControl = Control::cmdClearVentanaTX;

TEST_F(FormTest, EveryControlRoundTripsThroughTheModemsFace) {
    Station station;
    frmMain& form = station.form;
    form.show();
    for (int i = 0; i <= static_cast<int>(kLastControl); ++i) {
        const Control c = static_cast<Control>(i);
        const std::string name(frmMain::ControlName(c));
        ASSERT_NE(form.FindControl(name), nullptr) << name;

        // The program's UTF-8 text passes unchanged, also where Windows-1252 has no code for it
        // (pictures have no text and keep none; the partner's callsign box writes it in capitals).
        const bool hasText = dynamic_cast<PictureBox*>(form.FindControl(name)) == nullptr;
        const std::string text = "CQ ±78 é€ Győr Журнал";
        form.SetText(c, text);
        const std::string shown = c == Control::txtDestination ? "CQ ±78 É€ GYŐR ЖУРНАЛ" : text;
        EXPECT_EQ(form.Text(c), hasText ? shown : "") << name;

        form.SetBackColor(c, RGB(12, 34, 56));
        EXPECT_EQ(form.BackColor(c), RGB(12, 34, 56)) << name;
        for (bool state : {false, true, false}) {
            form.SetVisible(c, state);
            EXPECT_EQ(form.Visible(c), state) << name;
            form.SetEnabled(c, state);
            EXPECT_EQ(form.Enabled(c), state) << name;
        }
    }
}

// The one list of controls and the window agree: each control is built, under its name, as its member.
TEST_F(FormTest, EveryListedControlIsBuiltUnderItsName) {
    Station station;
    frmMain& form = station.form;
#define MUV_CHECK_CONTROL(Kind, name)                                              \
    EXPECT_NE(form.name, nullptr) << #name;                                        \
    EXPECT_EQ(form.FindControl(#name), static_cast<QWidget*>(form.name)) << #name; \
    EXPECT_EQ(frmMain::ControlName(Control::name), #name);
    MUV_MAIN_WINDOW_CONTROLS(MUV_CHECK_CONTROL)
#undef MUV_CHECK_CONTROL
}

TEST_F(FormTest, VisibilityAndEnabledAreTheControlsOwnInsideAHiddenFrame) {
    Station station;
    frmMain& form = station.form;
    form.show();
    // The MF row is hidden at start with its frame; its ON image still counts as shown.
    EXPECT_FALSE(form.Visible(Control::fraSymbolRateMF));
    EXPECT_TRUE(form.Visible(Control::imgRXON1MF));
    EXPECT_FALSE(form.Visible(Control::imgRXOFF1MF));
    form.SetEnabled(Control::fraSymbolRateHF, false);
    EXPECT_TRUE(form.Enabled(Control::imgRXON1));
    // Default states the program starts from.
    EXPECT_EQ(form.Text(Control::cmdTX_RX), "PTT");
    EXPECT_EQ(form.BackColor(Control::cmdTX_RX), 255);
    EXPECT_EQ(form.BackColor(Control::txtSN), kStatusGrey);
    for (TextBox* channel : {form.txt3583, form.txt14078, form.txt21114})
        EXPECT_TRUE(channel->isHidden());
}

TEST_F(FormTest, NeedlesEndWhereTheDialSays) {
    Station station;
    frmMain& form = station.form;
    struct Case {
        float value;
        double x, y;
    };
    // Pivot (74, 73): 73.5 rounds to even; radius 68, shortened by 7 to 61.
    for (const Case& c : {Case{0, 13, 73}, Case{50, 74, 12}, Case{100, 135, 73}}) {
        form.DrawMeterNeedle(8, c.value);
        EXPECT_EQ(form.pctVumetro->NeedlePivot(), QPointF(74, 73));
        EXPECT_NEAR(form.pctVumetro->NeedleEnd().x(), c.x, 1e-6) << c.value;
        EXPECT_NEAR(form.pctVumetro->NeedleEnd().y(), c.y, 1e-6) << c.value;
    }
    // Each meter number has its own picture; 3 and unknown numbers draw nothing.
    const std::set<MeterBox*> meters = {form.Meter(1), form.Meter(2), form.Meter(4), form.Meter(5),
                                        form.Meter(6), form.Meter(7), form.Meter(8), form.Meter(9)};
    EXPECT_EQ(meters.size(), 8u);
    EXPECT_EQ(meters.count(nullptr), 0u);
    form.DrawMeterNeedle(3, 50);
    form.DrawMeterNeedle(10, 50);
    for (MeterId m : {1, 2, 4, 5, 6, 7, 9})
        EXPECT_FALSE(form.Meter(m)->HasNeedle()) << m;

    // Drawn on the dial: a vertical needle, then a level one that leaves no trace of it.
    form.DrawMeterNeedle(8, 50);
    const QImage up = form.pctVumetro->grab().toImage();
    EXPECT_LT(qGray(up.pixel(74, 40)), 80);
    form.DrawMeterNeedle(8, 0);
    const QImage left = form.pctVumetro->grab().toImage();
    EXPECT_GT(qGray(left.pixel(74, 40)), 200);
    EXPECT_LT(qGray(left.pixel(40, 73)), 80);
}

TEST_F(FormTest, CursorReadoutOverThePicture) {
    // A 1001 x 161 picture, 3072-sample buffers (3000 Hz across), centre 1500 Hz.
    EXPECT_EQ(CursorReadout(0, 0, 1000, 160, 1001, 161, 3072, 1500), "Freq: 0 Hz @ Shift: -1500 Hz");
    EXPECT_EQ(CursorReadout(1000, 160, 1000, 160, 1001, 161, 3072, 1500), "Freq: 3000 Hz @ Shift: 1500 Hz");
    EXPECT_EQ(CursorReadout(500, 80, 1000, 160, 1001, 161, 3584, 1500), "Freq: 1286 Hz @ Shift: -215 Hz");
    for (auto [x, y] : {std::pair{-1, 0}, {1001, 0}, {0, -1}, {0, 161}})
        EXPECT_EQ(CursorReadout(x, y, 1000, 160, 1001, 161, 3072, 1500), "") << x << "," << y;
    // Beyond the window's edge, and a picture too narrow to have a scale.
    EXPECT_EQ(CursorReadout(600, 10, 1000, 160, 600, 161, 3072, 1500), "");
    EXPECT_EQ(CursorReadout(0, 10, 1000, 160, 1001, 40, 3072, 1500), "Freq: 0 Hz @ Shift: -1500 Hz");
    EXPECT_EQ(CursorReadout(0, 40, 1000, 160, 1001, 40, 3072, 1500), "");
    EXPECT_EQ(CursorReadout(0, 0, 0, 160, 1, 161, 3072, 1500), "");
}

TEST_F(FormTest, ClockShowsTwoDigitsOfHourAndMinute) {
    Station station;
    frmMain& form = station.form;
    form.ShowClockDigits(9, 5);
    const int expected[4] = {0, 9, 0, 5};
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(form.imgFondo[i]->Picture().cacheKey(),
                  form.imgNumeros[static_cast<size_t>(expected[i])].cacheKey())
            << i;
    form.ShowClockDigits(23, 59);
    EXPECT_EQ(form.imgFondo[0]->Picture().cacheKey(), form.imgNumeros[2].cacheKey());
    EXPECT_EQ(form.imgFondo[3]->Picture().cacheKey(), form.imgNumeros[9].cacheKey());
}

TEST_F(FormTest, TimersAndMenus) {
    Station station;
    frmMain& form = station.form;
    std::set<Timer*> timers;
    for (int i = 0; i <= static_cast<int>(TimerId::tmrEnviarEmail); ++i)
        timers.insert(&form.GetTimer(static_cast<TimerId>(i)));
    EXPECT_EQ(timers.size(), 36u);
    EXPECT_EQ(&form.GetTimer(TimerId::tmrRX), &form.tmrRX);
    EXPECT_EQ(&form.GetTimer(TimerId::tmrEnviarEmail), &form.tmrEnviarEmail);
    EXPECT_EQ(form.tmrBeacon.Interval(), 1000);
    EXPECT_TRUE(form.tmrRefrescoVumetro.Enabled());

    EXPECT_EQ(form.mnuFrequenciesList[2]->text(), QStringLiteral("502 kHz  MUV MF (USB)"));
    EXPECT_EQ(form.mnuFrequenciesList[24]->text(), QStringLiteral("144.160 MHz MUV EME (USB)"));
    EXPECT_EQ(form.mnuResolucion[2]->text(), QStringLiteral("1024x600"));
    EXPECT_EQ(form.mnuTipoIdioma[2]->text(), QString::fromUtf8("Español"));
    EXPECT_EQ(form.mnuFont[3]->text(), QStringLiteral("14"));
    // A choice item's tick belongs to its handler: the click ticks that item alone, and a click on the
    // ticked item leaves it ticked.
    form.mnuColour[4]->trigger();
    form.mnuColour[2]->trigger();
    form.mnuColour[2]->trigger();
    EXPECT_TRUE(form.mnuColour[2]->isChecked());
    EXPECT_FALSE(form.mnuColour[4]->isChecked());
}

// Counts the paints a widget gets.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

void Settle() {
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
}

TEST_F(FormTest, SettingWhatIsShownAgainPaintsNothing) {
    // The meter refreshers set every needle, colour and text at every tick, most of them unchanged.
    Station station;
    frmMain& form = station.form;
    form.show();
    form.DrawMeterNeedle(8, 40);
    form.txtSN->SetBackColor(kStatusGreen);
    form.txtSN->SetForeColor(kBlack);
    form.cmdTX_RX->SetBackColor(kStatusRed);
    form.fraWaterFall->SetBackColor(kStatusYellow);
    form.ShowClockDigits(12, 34);
    Settle();
    std::vector<std::pair<QWidget*, std::unique_ptr<PaintCounter>>> counted;
    for (QWidget* w : std::initializer_list<QWidget*>{form.pctVumetro, form.txtSN, form.cmdTX_RX,
                                                      form.fraWaterFall, form.imgFondo[0]})
        counted.emplace_back(w, std::make_unique<PaintCounter>(w));

    form.DrawMeterNeedle(8, 40);
    form.txtSN->SetBackColor(kStatusGreen);
    form.txtSN->SetForeColor(kBlack);
    form.SetText(Control::txtSN, form.Text(Control::txtSN));
    form.cmdTX_RX->SetBackColor(kStatusRed);
    form.fraWaterFall->SetBackColor(kStatusYellow);
    form.ShowClockDigits(12, 34);
    Settle();
    for (const auto& [w, counter] : counted)
        EXPECT_EQ(counter->paints, 0) << w->objectName().toStdString();

    // A change is still shown.
    form.DrawMeterNeedle(8, 41);
    form.txtSN->SetBackColor(kStatusRed);
    form.cmdTX_RX->SetBackColor(kStatusGreen);
    form.fraWaterFall->SetBackColor(kStatusGreen);
    form.ShowClockDigits(22, 34);
    Settle();
    for (const auto& [w, counter] : counted)
        EXPECT_GT(counter->paints, 0) << w->objectName().toStdString();
}

// The picture as it was always drawn: the receiver's image converted whole and stretched in one go,
// on white.
QImage WholeConversion(const WaterfallImage& image, QSize size) {
    QImage shown(size, QImage::Format_RGB32);
    shown.fill(Qt::white);
    const int rows = std::min(size.height(), image.Height());
    QImage picture(image.Width(), rows, QImage::Format_RGB32);
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < image.Width(); ++x) {
            const ColorRef c = image.Pixel(x, y);
            picture.setPixel(x, y, qRgb(RedOf(c), GreenOf(c), BlueOf(c)));
        }
    QPainter(&shown).drawImage(QRect(0, 0, size.width(), rows), picture);
    return shown;
}

TEST_F(FormTest, TheWaterfallOnTheScreenIsTheWholePictureConvertedAfterEveryRefresh) {
    // The picture moves what scrolled on the screen and paints only new lines; what the operator sees
    // must stay what converting the whole picture gives, line after line, through scrolls of more than
    // the picture's height, a wider layout and a smaller picture, also while rows that came together
    // wait to be shown one at a time. The receiver's image, kept in a ring, must stay the picture that
    // copying every row down gives.
    QWidget window;
    window.resize(1300, 200);
    WaterfallBox box(&window);
    box.setGeometry(8, 20, 1001, 161);
    box.SetRowPeriod(20);
    Waterfall w;
    w.Image.Resize(161);
    box.Attach(&w.Image);
    window.show();
    ASSERT_TRUE(test::WaitFor([&] { return window.windowHandle() && window.windowHandle()->isExposed(); }));
    Settle();

    std::vector<std::vector<ColorRef>> copied(161, std::vector<ColorRef>(kWaterfallBins, RGB(255, 255, 255)));
    std::mt19937 random(11);
    std::uniform_real_distribution<float> noise(-2500, 2500);
    int64_t n = 0;
    const auto feed = [&](int samples, int marker) {
        for (int i = 0; i < samples; ++i, ++n) {
            const double bin = 150 + (n / 3000) % 400;  // a carrier that steps across the picture
            const uint64_t lines = w.LinesDrawn;
            w.WaterfallAddSample(static_cast<float>(700 * std::sin(2 * 3.14159265358979 * bin *
                                                                   static_cast<double>(n) / 2048)) +
                                     noise(random),
                                 marker, marker + 37);
            const bool scrolled = w.ScrollCounter == 0;
            if (w.LinesDrawn != lines)  // drawn before this sample's scroll, if any
                for (int y = 0; y < 2; ++y)
                    copied[static_cast<size_t>(y)].assign(
                        w.Image.Row(y + (scrolled ? 1 : 0)),
                        w.Image.Row(y + (scrolled ? 1 : 0)) + kWaterfallBins);
            if (scrolled) {
                copied.pop_back();
                copied.insert(copied.begin(), copied.front());
            }
        }
    };
    const auto check = [&](int step) {
        ASSERT_TRUE(test::WaitFor([&] { return box.RowsWaiting() == 0; })) << "step " << step;
        Settle();
        for (int y = 0; y < w.Image.Height(); ++y)
            ASSERT_TRUE(std::equal(copied[static_cast<size_t>(y)].begin(),
                                   copied[static_cast<size_t>(y)].end(), w.Image.Row(y)))
                << "step " << step << " row " << y;
        const QImage screen = window.windowHandle()
                                  ->screen()
                                  ->grabWindow(window.winId(), box.x(), box.y(), box.width(), box.height())
                                  .toImage()
                                  .convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(screen, WholeConversion(w.Image, box.size())) << "step " << step;
    };

    for (int step = 0; step < 150; ++step) {
        feed(static_cast<int>(random() % 7000), static_cast<int>(100 + step * 7 % 600));
        box.Refresh();
        // Now and then two refreshes before the screen is painted.
        if (step % 4 != 0) Settle();
        if (step == 50) feed(1023 * 170, 300);  // more scrolls than the picture has rows
        if (step == 70) box.setGeometry(8, 20, 1257, 161);
        if (step == 100) {  // a layout with a lower picture, and the image fitted to it
            box.setGeometry(8, 20, 1257, 101);
            w.Image.Resize(101);
            copied.assign(101, std::vector<ColorRef>(kWaterfallBins, RGB(255, 255, 255)));
            box.Attach(&w.Image);
        }
        if (step % 10 == 9 || step == 51 || step == 71 || step == 101) check(step);
        if (HasFatalFailure()) return;
    }
}

// A window in a typical receiving state, saved for looking at: nothing may overlap, and everything
// must read clearly.
TEST_F(FormTest, Screenshot) {
    Station station;
    frmMain& form = station.form;
    ApplyScreenLayout(form, 2);  // the netbook's 1024x600
    form.txtFrecuencia->setText(QStringLiteral("14101.0"));
    form.txtFrecuencia->SetBackColor(RGB(255, 200, 120));
    form.pctFlechaArriba->SetBackColor(RGB(255, 200, 120));
    form.pctFlechaAbajo->SetBackColor(RGB(255, 200, 120));
    for (TextBox* channel : {form.txt14078, form.txt14101, form.txt14103, form.txt14113})
        channel->setVisible(true);
    form.txt14101->SetBackColor(RGB(255, 200, 120));
    form.txtTemporizadorScan->setVisible(true);
    form.pctCancelFrame->setVisible(true);
    form.pctDetenerAlarma->setVisible(true);
    form.ShowClockDigits(9, 5);
    form.rtfVentanaRX->SetBackColor(RGB(255, 255, 204));
    form.RxWindow().SetText(
        "\r\n\r\n\r\n\r\n\r\n\r\n\r\nCQ CQ DE EA1ABC EA1ABC IN52PA PSE K <STOP> +3 dB\r\n");
    form.TxWindow().SetText("EA1ABC DE G4XYZ GM TNX FER CALL");
    form.txtClusterFrecuencia->setText(QStringLiteral("14101.0"));
    form.rtfClusterComentario->setPlainText(QStringLiteral("DX de K1AB: EA1ABC MUV16 -12 dB"));
    form.txtClusterHora->setText(QStringLiteral("0904z"));
    form.pctClusterLink->setVisible(true);
    form.txtDestination->setText(QStringLiteral("EA1ABC"));
    form.lblPais->setText(QStringLiteral("Spain (EU)"));
    form.imgQRZ->setVisible(true);
    form.txtSincronismo->SetBackColor(kStatusGreen);
    form.txtSincronismo->setText(QStringLiteral("LOCKED"));
    form.txtSN->setText(QStringLiteral("S/N (2500 Hz): -12 dB"));
    form.txtSN->SetBackColor(kStatusYellow);
    form.txtAdquisicionInicial->setText(QStringLiteral("Frame Acquisition: 22/24"));
    form.txtAdquisicionInicial->SetBackColor(kStatusGreen);
    form.txtTemporizadorBeacon->setVisible(true);
    form.txtTemporizadorBeacon->SetBackColor(kStatusYellow);
    form.txtPosicionCursor->setText(QStringLiteral("Freq: 1500 Hz @ Shift: 0 Hz"));
    const float needles[10] = {0, 55, 50, 0, 90, 92, 35, 0, 70, 60};
    for (MeterId m = 1; m <= 9; ++m)
        form.DrawMeterNeedle(m, needles[m]);
    WaterfallImage waterfall(161);
    for (int y = 0; y < 161; ++y)
        for (int x = 0; x < kWaterfallBins; ++x) {
            const bool signal = (x >= 330 && x <= 440 && (x - 330) % 7 == 0) || x == 128 || x == 640;
            waterfall.SetPixel(x, y,
                               x == 128 || x == 640 ? RGB(255, 0, 0)
                               : signal             ? RGB(40, 40, 40)
                                                    : RGB(235, 235, 235));
        }
    form.AttachWaterfall(&waterfall);

    form.show();
    QApplication::processEvents();
    form.RxWindow().SetSelStart(form.RxWindow().TextLength());
    form.rtfVentanaRX->ensureCursorVisible();

    const QImage shot = form.grab().toImage();
    EXPECT_EQ(shot.width(), 1017);
    EXPECT_TRUE(shot.save(QStringLiteral(MUV_SCREENSHOT_DIR "/frmMain_layout2.png")));

    // A wide layout on a 1280-pixel screen, as the maximised window would show it.
    ApplyScreenLayout(form, 3);
    form.setWindowState(Qt::WindowNoState);
    form.resize(1280, 970);
    EXPECT_TRUE(form.grab().save(QStringLiteral(MUV_SCREENSHOT_DIR "/frmMain_layout3.png")));
}

}  // namespace
}  // namespace muv
