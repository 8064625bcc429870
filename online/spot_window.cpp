#include "online/spot_window.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPalette>
#include <QPushButton>
#include <exception>

#include "common/cp1252.h"
#include "common/message_box.h"
#include "common/vb.h"
#include "platform/qt/qt_text.h"
#include "settings/settings_window.h"

namespace muv {

namespace {

QLabel* Caption(const char* name, const char* text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

template <class Box>
Box* TextBox(const char* name, QWidget* parent) {
    auto* box = new Box(parent);
    box->setObjectName(name);
    return box;
}

}  // namespace

void SpotTextBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && Click) Click();
    QLineEdit::mousePressEvent(event);
}

SpotWindow::SpotWindow(SpotWindowLinks links, const char* name, const char* title, const char* sendCaption,
                       QWidget* parent)
    : QDialog(parent), links_(links) {
    setObjectName(name);
    setWindowTitle(title);
    setWindowFlag(Qt::WindowStaysOnTopHint);

    // English captions until the interface language is applied.
    lblFrecuencia = Caption("lblFrecuencia", "Frequency", this);
    lblCall = Caption("lblCall", "Seen Call", this);
    lblComentario = Caption("lblComentario", "Comment", this);
    txtFrecuencia = TextBox<QLineEdit>("txtFrecuencia", this);
    txtFrecuencia->setAutoFillBackground(true);
    txtCallsign = TextBox<SpotTextBox>("txtCallsign", this);
    txtComentario = TextBox<QLineEdit>("txtComentario", this);
    cmdEnviar = new QPushButton(sendCaption, this);
    cmdEnviar->setObjectName("cmdEnviar");

    txtCallsign->Click = [this] { txtCallsign_Click(); };
    // A change by the program is a change as much as the operator's typing.
    connect(txtCallsign, &QLineEdit::textChanged, this, [this] { txtCallsign_Change(); });
    connect(txtFrecuencia, &QLineEdit::textChanged, this, [this] { txtFrecuencia_Change(); });
}

void SpotWindow::Arrange(std::initializer_list<QPushButton*> buttons) {
    auto* grid = new QGridLayout(this);
    grid->addWidget(lblFrecuencia, 0, 0);
    grid->addWidget(txtFrecuencia, 0, 1);
    grid->addWidget(lblCall, 1, 0);
    grid->addWidget(txtCallsign, 1, 1);
    grid->addWidget(lblComentario, 2, 0);
    grid->addWidget(txtComentario, 2, 1);
    auto* row = new QHBoxLayout;
    row->addStretch();
    for (QPushButton* button : buttons) {
        // Enter in a box presses no button: a blocked send stays blocked, and a message meant for one
        // station never goes to all.
        button->setAutoDefault(false);
        row->addWidget(button);
    }
    grid->addLayout(row, 3, 0, 1, 2);
    grid->setColumnMinimumWidth(1, 280);
    adjustSize();
}

void SpotWindow::LoadSpotWindow(int commentLimit) {
    const WindowPlace place = links_.host.LoadSpotPlace();
    move(PlaceOnScreen(place.x, place.y, frameGeometry().size()));
    txtComentario->setMaxLength(commentLimit);
}

void SpotWindow::Form_Unload() {
    links_.host.SaveSpotPlace({x(), y()});
}

void SpotWindow::done(int result) {
    if (!unloaded_) {
        unloaded_ = true;
        Form_Unload();
    }
    QDialog::done(result);
}

void SpotWindow::ShowWindow() {
    show();
    raise();
    activateWindow();
}

void SpotWindow::Paint(QPushButton* button, ColorRef colour) {
    button->setStyleSheet(QString("background-color: rgb(%1, %2, %3)")
                              .arg(RedOf(colour))
                              .arg(GreenOf(colour))
                              .arg(BlueOf(colour)));
}

std::string SpotWindow::Callsign() const {
    return FromQString(txtCallsign->text());
}

std::string SpotWindow::Frequency() const {
    return FromQString(txtFrecuencia->text());
}

std::string SpotWindow::Comment() const {
    return FromQString(txtComentario->text());
}

void SpotWindow::txtCallsign_Change() {
    const std::string text = Callsign();
    const std::string upper = Utf8ToUpper(text);
    // The new text runs this handler again, which puts the caret at its end.
    if (upper != text) {
        txtCallsign->setText(ToQString(upper));
        return;
    }
    txtCallsign->setCursorPosition(static_cast<int>(txtCallsign->text().size()));
}

void SpotWindow::txtCallsign_Click() {
    txtCallsign->clear();
}

void SpotWindow::txtFrecuencia_Change() {
    QPalette palette = txtFrecuencia->palette();
    palette.setColor(QPalette::Base, ToQColor(links_.host.FrequencyBoxColour()));
    txtFrecuencia->setPalette(palette);

    const double kHz = Val(Frequency());
    const bool blocked = kHz > 501 && kHz < 504;
    cmdEnviar->setEnabled(!blocked);
    Paint(cmdEnviar, blocked ? kSendBlockedColour : kSendColour);
}

void SpotWindow::AskForCallsign(const char* title) {
    links_.boxes.Show("Write the Seen Callsign", title, BoxIcon::Exclamation);
}

void SpotWindow::SendThenUnload(const std::function<bool()>& send, const char* errorTitle) {
    bool sent = false;
    try {
        sent = send();
    } catch (const std::exception&) {
        sent = false;
    }
    if (!sent) {
        links_.boxes.Show("Spot could not be sent", errorTitle, BoxIcon::Critical);
        return;
    }
    done(QDialog::Accepted);
}

}  // namespace muv
