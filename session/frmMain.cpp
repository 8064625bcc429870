// The main window as the rest of the program sees it: its controls by name and id with their text, colour,
// visibility and state, the meters' needles and the timers (WindowControls), the geometry that the screen
// layouts set (ControlGeometry), the waterfall picture, the clock digits and the cursor read-out.
#include <QCloseEvent>
#include <QMenuBar>
#include <QSlider>
#include <QTextBrowser>
#include <stdexcept>

#include "common/vb.h"
#include "receiver/waterfall.h"
#include "session/cursor_readout.h"
#include "session/frmMain.h"
#include "session/meter_needle.h"
#include "session/station.h"

namespace muv {

namespace {

const std::pair<Control, std::string_view> kControlNames[] = {
#define MUV_CONTROL_NAME(Kind, name) {Control::name, #name},
    MUV_MAIN_WINDOW_CONTROLS(MUV_CONTROL_NAME)
#undef MUV_CONTROL_NAME
};

const std::pair<TimerId, QtTimer frmMain::*> kTimers[] = {
#define MUV_TIMER_MEMBER(name) {TimerId::name, &frmMain::name},
    MUV_MAIN_WINDOW_TIMERS(MUV_TIMER_MEMBER)
#undef MUV_TIMER_MEMBER
};

// The control's own Visible setting, whatever its container shows.
bool OwnVisible(const QWidget& w) {
    return !(w.testAttribute(Qt::WA_WState_Hidden) && w.testAttribute(Qt::WA_WState_ExplicitShowHide));
}

int ToPixels(float value) {
    return static_cast<int>(RoundHalfEven(value));
}

}  // namespace

// --- names ---
std::string_view frmMain::ControlName(Control c) {
    // The table is made from the same list as the ids, in their order.
    const auto index = static_cast<size_t>(c);
    if (index >= std::size(kControlNames)) throw std::invalid_argument("control without a name");
    return kControlNames[index].second;
}

QWidget* frmMain::FindControl(std::string_view name) const {
    auto it = controls_.find(name);
    return it == controls_.end() ? nullptr : it->second;
}

QWidget& frmMain::Require(std::string_view name) const {
    QWidget* w = FindControl(name);
    if (!w) throw std::invalid_argument("no control named " + std::string(name));
    return *w;
}

QWidget& frmMain::Require(Control c) const {
    // The modem sets its boxes and meters many times a second: each id is its member, with no look-up.
    QWidget* w = nullptr;
    switch (c) {
#define MUV_CONTROL_MEMBER(Kind, name) \
    case Control::name:                \
        w = name;                      \
        break;
        MUV_MAIN_WINDOW_CONTROLS(MUV_CONTROL_MEMBER)
#undef MUV_CONTROL_MEMBER
    }
    if (!w) throw std::invalid_argument("no control named " + std::string(ControlName(c)));
    return *w;
}

VbControl& frmMain::RequireControl(Control c) const {
    auto* control = dynamic_cast<VbControl*>(&Require(c));
    if (!control) throw std::invalid_argument("not a window control: " + std::string(ControlName(c)));
    return *control;
}

MeterBox* frmMain::Meter(MeterId meter) const {
    switch (meter) {
        case 1:
            return pctOffsetFrecuencia;
        case 2:
            return pctJitter;
        case 4:
            return pctErrores;
        case 5:
            return pctSimbolosCoincidentes;
        case 6:
            return pctCPU;
        case 7:
            return pctTramaFinal;
        case 8:
            return pctVumetro;
        case 9:
            return pctRelacionSN;
        default:
            return nullptr;
    }
}

// --- WindowControls ---
std::string frmMain::Text(Control c) const {
    const VbControl& control = RequireControl(c);
    return control.HasCaption() ? FromQString(control.Caption()) : std::string();
}

void frmMain::SetText(Control c, const std::string& text) {
    VbControl& control = RequireControl(c);
    if (control.HasCaption()) control.SetCaption(ToQString(text));
}

ColorRef frmMain::BackColor(Control c) const {
    return RequireControl(c).BackColor();
}

void frmMain::SetBackColor(Control c, ColorRef colour) {
    RequireControl(c).SetBackColor(colour);
}

bool frmMain::Visible(Control c) const {
    return OwnVisible(Require(c));
}

void frmMain::SetVisible(Control c, bool visible) {
    Require(c).setVisible(visible);
    SyncSwitches();
}

void frmMain::SyncSwitches() {
    if (station_) station_->shared.switches = ReadSwitchPictures(*this);
}

bool frmMain::Enabled(Control c) const {
    return !Require(c).testAttribute(Qt::WA_ForceDisabled);
}

void frmMain::SetEnabled(Control c, bool enabled) {
    Require(c).setEnabled(enabled);
}

void frmMain::DrawMeterNeedle(MeterId meter, float value) {
    MeterBox* box = Meter(meter);
    if (!box) return;
    const NeedleLine line = MeterNeedle(box->width(), box->height(), value);
    box->SetNeedle({line.pivotX, line.pivotY}, {line.endX, line.endY}, 2, kBlack);
}

Timer& frmMain::GetTimer(TimerId id) {
    for (const auto& [timerId, member] : kTimers)
        if (timerId == id) return this->*member;
    throw std::invalid_argument("unknown timer");
}

// --- ControlGeometry ---
bool frmMain::InContainer(const QWidget& w) const {
    return w.parentWidget() != client_;
}

float frmMain::Left(std::string_view control) const {
    const QWidget& w = Require(control);
    return static_cast<float>(InContainer(w) ? w.x() * kTwipsPerPixel : w.x());
}

float frmMain::Top(std::string_view control) const {
    const QWidget& w = Require(control);
    return static_cast<float>(InContainer(w) ? w.y() * kTwipsPerPixel : w.y());
}

float frmMain::Width(std::string_view control) const {
    const QWidget& w = Require(control);
    return static_cast<float>(InContainer(w) ? w.width() * kTwipsPerPixel : w.width());
}

float frmMain::Height(std::string_view control) const {
    const QWidget& w = Require(control);
    return static_cast<float>(InContainer(w) ? w.height() * kTwipsPerPixel : w.height());
}

void frmMain::SetLeft(std::string_view control, float value) {
    QWidget& w = Require(control);
    w.move(ToPixels(InContainer(w) ? value / kTwipsPerPixel : value), w.y());
}

void frmMain::SetTop(std::string_view control, float value) {
    QWidget& w = Require(control);
    w.move(w.x(), ToPixels(InContainer(w) ? value / kTwipsPerPixel : value));
}

void frmMain::SetWidth(std::string_view control, float value) {
    QWidget& w = Require(control);
    w.resize(ToPixels(InContainer(w) ? value / kTwipsPerPixel : value), w.height());
}

void frmMain::SetHeight(std::string_view control, float value) {
    QWidget& w = Require(control);
    w.resize(w.width(), ToPixels(InContainer(w) ? value / kTwipsPerPixel : value));
}

void frmMain::SetWindowState(int state) {
    switch (state) {
        case kWindowStateMaximised:
            setWindowState(Qt::WindowMaximized);
            break;
        case 1:
            setWindowState(Qt::WindowMinimized);
            break;
        default:
            setWindowState(Qt::WindowNoState);
            break;
    }
}

void frmMain::SetClientSize(float width, float height) {
    resize(ToPixels(width), ToPixels(height) + MenuBar->sizeHint().height());
}

// --- helpers ---
void frmMain::AttachWaterfall(const WaterfallImage* image) {
    pctWaterfall->Attach(image);
}

void frmMain::RefreshWaterfall() {
    pctWaterfall->Refresh();
}

void frmMain::FitWaterfallImage() {
    WaterfallImage& image = station_->receiver.GetWaterfall().Image;
    image.Resize(pctWaterfall->height());
    AttachWaterfall(&image);
}

void frmMain::ShowClockDigits(int hour, int minute) {
    // Hour digits in elements 0 and 1, minute digits in 2 and 3.
    const std::string h = Format(hour, "00"), m = Format(minute, "00");
    const char digits[4] = {h[0], h[1], m[0], m[1]};
    for (size_t i = 0; i < 4; ++i)
        if (digits[i] >= '0' && digits[i] <= '9')
            imgFondo[i]->SetPicture(imgNumeros[static_cast<size_t>(digits[i] - '0')]);
}

void frmMain::tmrPosicionCursor_Timer() {
    // The cursor in the picture's own pixels; the read-out covers only the part inside the window.
    const QPoint cursor = pctWaterfall->mapFromGlobal(QCursor::pos());
    const ModeRecord& mode = receiveMode_ ? receiveMode_() : StandardModeTables()[1];
    const std::string readout =
        CursorReadout(cursor.x(), cursor.y(), pctWaterfall->width() - 1, pctWaterfall->height() - 1,
                      client_->width() - pctWaterfall->x(), client_->height() - pctWaterfall->y(),
                      mode.SamplesPerBuffer, mode.CentreHz);
    txtPosicionCursor->setText(ToQString(readout));
}

// --- window events ---
void frmMain::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int menu = MenuBar->sizeHint().height();
    MenuBar->setGeometry(0, 0, width(), menu);
    client_->setGeometry(0, menu, width(), height() - menu);
}

void frmMain::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

}  // namespace muv
