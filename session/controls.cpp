#include "session/controls.h"

#include <QContextMenuEvent>
#include <QImage>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <optional>

#include "common/cp1252.h"
#include "receiver/waterfall.h"

namespace muv {

QFont UiFont(int pixelSize, bool bold) {
    QFont font;
    font.setFamilies({"DejaVu Sans", "Liberation Sans", "Arial"});
    font.setStretch(QFont::SemiCondensed);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

int VbButton(const QMouseEvent& event) {
    switch (event.button()) {
        case Qt::LeftButton:
            return 1;
        case Qt::RightButton:
            return 2;
        case Qt::MiddleButton:
            return 4;
        default:
            break;
    }
    // A move reports the buttons held down.
    int held = 0;
    if (event.buttons() & Qt::LeftButton) held |= 1;
    if (event.buttons() & Qt::RightButton) held |= 2;
    if (event.buttons() & Qt::MiddleButton) held |= 4;
    return held;
}

int VbShift(Qt::KeyboardModifiers modifiers) {
    int shift = 0;
    if (modifiers & Qt::ShiftModifier) shift |= 1;
    if (modifiers & Qt::ControlModifier) shift |= 2;
    if (modifiers & Qt::AltModifier) shift |= 4;
    return shift;
}

int VbKeyCode(int qtKey) {
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return qtKey;
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12) return 112 + (qtKey - Qt::Key_F1);
    switch (qtKey) {
        case Qt::Key_Backspace:
            return 8;
        case Qt::Key_Tab:
            return 9;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return 13;
        case Qt::Key_Shift:
            return 16;
        case Qt::Key_Control:
            return 17;
        case Qt::Key_Alt:
            return 18;
        case Qt::Key_Escape:
            return 27;
        case Qt::Key_Space:
            return 32;
        case Qt::Key_PageUp:
            return 33;
        case Qt::Key_PageDown:
            return 34;
        case Qt::Key_End:
            return 35;
        case Qt::Key_Home:
            return 36;
        case Qt::Key_Left:
            return 37;
        case Qt::Key_Up:
            return 38;
        case Qt::Key_Right:
            return 39;
        case Qt::Key_Down:
            return 40;
        case Qt::Key_Insert:
            return 45;
        case Qt::Key_Delete:
            return 46;
        default:
            return 0;
    }
}

// --- TextBox ---

TextBox::TextBox(QWidget* parent, Look look, ColorRef backColour, const QString& text)
    : QFrame(parent), look_(look), text_(text), backColour_(backColour) {
    setFont(UiFont(11));
    setMouseTracking(true);
}

void TextBox::setText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    update();
}

void TextBox::SetForeColor(ColorRef colour) {
    if (colour == foreColour_) return;
    foreColour_ = colour;
    update();
}

void TextBox::SetAlignment(Qt::Alignment alignment) {
    if (alignment == alignment_) return;
    alignment_ = alignment;
    update();
}

void TextBox::SetBackColor(ColorRef colour) {
    if (colour == backColour_) return;
    backColour_ = colour;
    update();
}

void TextBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = rect();
    p.fillRect(r, ToQColor(backColour_));
    if (look_ == Look::Sunken) {
        p.setPen(QColor(138, 142, 148));
        p.drawRect(r.adjusted(0, 0, -1, -1));
    } else if (look_ == Look::Raised) {
        const QColor face = ToQColor(backColour_);
        p.setPen(face.lighter(125));
        p.drawLine(1, 1, r.width() - 2, 1);
        p.setPen(face.darker(118));
        p.drawLine(1, r.height() - 2, r.width() - 2, r.height() - 2);
        p.setPen(QColor(104, 108, 114));
        p.drawRect(r.adjusted(0, 0, -1, -1));
    }
    // A text wider than the box is drawn smaller rather than cut.
    QFont f = font();
    const int pad = look_ == Look::Flat ? 1 : 3;
    const QRect area = r.adjusted(pad, 0, -pad, 0);
    for (int size = f.pixelSize(); size > 8; --size) {
        f.setPixelSize(size);
        if (QFontMetrics(f).horizontalAdvance(text_) <= area.width()) break;
    }
    p.setFont(f);
    p.setPen(isEnabled() ? ToQColor(foreColour_) : QColor(140, 140, 140));
    p.drawText(area, static_cast<int>(alignment_ | Qt::TextSingleLine), text_);
}

void TextBox::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    if (MouseDown)
        MouseDown(VbButton(*event), VbShift(event->modifiers()), static_cast<float>(event->position().x()),
                  static_cast<float>(event->position().y()));
}

void TextBox::mouseReleaseEvent(QMouseEvent* event) {
    const bool click =
        pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressed_ = false;
    if (click && Click) Click();
}

void TextBox::mouseDoubleClickEvent(QMouseEvent*) {
    // The second press of a double click is no second click: a macro goes in once, a switch turns once.
    pressed_ = false;
}

void TextBox::mouseMoveEvent(QMouseEvent* event) {
    if (MouseMove)
        MouseMove(VbButton(*event), VbShift(event->modifiers()), static_cast<float>(event->position().x()),
                  static_cast<float>(event->position().y()));
}

// --- PictureBox ---

PictureBox::PictureBox(QWidget* parent, ColorRef backColour, bool opaque)
    : QWidget(parent), backColour_(backColour), opaque_(opaque) {
    setMouseTracking(true);
}

void PictureBox::SetPicture(const QPixmap& picture) {
    // The clock sets its digits every second: the same picture again draws nothing.
    if (picture.cacheKey() == picture_.cacheKey()) return;
    picture_ = picture;
    update();
}

void PictureBox::SetBackColor(ColorRef colour) {
    if (colour == backColour_ && opaque_) return;
    backColour_ = colour;
    opaque_ = true;
    update();
}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (opaque_) p.fillRect(rect(), ToQColor(backColour_));
    if (!picture_.isNull()) {
        // A disabled switch is drawn faded, so that it plainly cannot be used.
        if (!isEnabled()) p.setOpacity(0.4);
        p.drawPixmap(0, 0, picture_);
    }
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed_ && !afterDoubleClick_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    afterDoubleClick_ = false;
    if (click && Click) Click();
}

void PictureBox::mouseDoubleClickEvent(QMouseEvent* event) {
    // With a double-click handler the second press is the double click; without one it is no second
    // click: a switch whose first click showed its twin in the same place turns once, not back again.
    if (event->button() != Qt::LeftButton) return;
    pressed_ = false;
    if (DblClick) {
        afterDoubleClick_ = true;
        DblClick();
    }
}

void PictureBox::mouseMoveEvent(QMouseEvent* event) {
    if (MouseMove)
        MouseMove(VbButton(*event), VbShift(event->modifiers()), static_cast<float>(event->position().x()),
                  static_cast<float>(event->position().y()));
}

// --- MeterBox ---

MeterBox::MeterBox(QWidget* parent, const QPixmap& dial) : PictureBox(parent, RGB(255, 255, 255)) {
    SetPicture(dial);
    setFixedSize(dial.size());
}

void MeterBox::SetNeedle(QPointF pivot, QPointF end, int penWidth, ColorRef colour) {
    // The refreshers set every needle at every tick; one that has not moved is not drawn again.
    if (hasNeedle_ && pivot == pivot_ && end == end_ && penWidth == penWidth_ && colour == needleColour_)
        return;
    hasNeedle_ = true;
    pivot_ = pivot;
    end_ = end;
    penWidth_ = penWidth;
    needleColour_ = colour;
    update();
}

void MeterBox::paintEvent(QPaintEvent* event) {
    PictureBox::paintEvent(event);
    if (!hasNeedle_) return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(ToQColor(needleColour_), penWidth_, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(pivot_, end_);
}

// --- WaterfallBox ---

namespace {

// One row of the receiver's colours as the screen's.
void ConvertColours(const ColorRef* source, QRgb* target) {
    for (int x = 0; x < kWaterfallBins; ++x)
        target[x] = qRgb(RedOf(source[x]), GreenOf(source[x]), BlueOf(source[x]));
}

// More rows than a burst of sound brings (two or three) are not held back.
constexpr int kMostRowsWaiting = 4;
// Rows are due a little faster than they were recorded, so that the picture cannot drift behind the
// receiver when the sound card's clock runs fast against the computer's.
constexpr double kPaceShare = 0.98;
// The picture shows the rows due at its display tick, which a coarse timer of the interval of the
// window's other refreshers keeps in step with them (one wake-up of the program serves all), and when
// the receiver hands it new rows.
constexpr int kDisplayTickMs = 100;

}  // namespace

WaterfallBox::WaterfallBox(QWidget* parent) : PictureBox(parent, RGB(255, 255, 255)) {
    // Every pixel is painted: what is on the screen can be moved down rather than painted again.
    setAttribute(Qt::WA_OpaquePaintEvent);
    tick_.setTimerType(Qt::CoarseTimer);
    tick_.setInterval(kDisplayTickMs);
    QObject::connect(&tick_, &QTimer::timeout, this, [this] { DisplayTick(); });
    clock_.start();
}

void WaterfallBox::Attach(const WaterfallImage* image) {
    image_ = image;
    stale_ = true;
    waiting_ = 0;
    if (image_) {
        takenScrolls_ = image_->Scrolls();
        takenGeneration_ = image_->Generation();
        shownChanges_ = image_->Changes();
    }
    update();
}

void WaterfallBox::showEvent(QShowEvent* event) {
    PictureBox::showEvent(event);
    // Kept running while shown, so that it stays in step with the other refreshers' wake-ups.
    tick_.start();
}

void WaterfallBox::hideEvent(QHideEvent* event) {
    PictureBox::hideEvent(event);
    tick_.stop();
}

void WaterfallBox::resizeEvent(QResizeEvent* event) {
    PictureBox::resizeEvent(event);
    stale_ = true;
}

bool WaterfallBox::InStep() const {
    return !stale_ && image_ && image_->Generation() == shownGeneration_ && shown_.width() == width() &&
           shown_.height() == image_->Height();
}

void WaterfallBox::ConvertAll() {
    stale_ = true;
    if (!image_ || image_->Height() <= 0 || width() <= 0) return;
    const int h = image_->Height();
    // Stretched in one go, as a whole picture is drawn: each row comes out as it does on its own.
    QImage rows(kWaterfallBins, h, QImage::Format_RGB32);
    for (int s = 0; s < h; ++s)
        ConvertColours(image_->StoredRow(s), reinterpret_cast<QRgb*>(rows.scanLine(s)));
    shown_ = QImage(width(), h, QImage::Format_RGB32);
    {
        QPainter p(&shown_);
        p.drawImage(QRect(0, 0, width(), h), rows);
    }
    shownVersions_.resize(static_cast<size_t>(h));
    for (int s = 0; s < h; ++s)
        shownVersions_[static_cast<size_t>(s)] = image_->StoredRowVersion(s);
    shownGeneration_ = image_->Generation();
    shownChanges_ = image_->Changes();
    shownTop_ = image_->Top();
    // The image as it stands is on the screen: no row waits.
    takenScrolls_ = image_->Scrolls();
    takenGeneration_ = image_->Generation();
    waiting_ = 0;
    stale_ = false;
}

void WaterfallBox::ConvertRow(QPainter& painter, QImage& line, int stored) {
    ConvertColours(image_->StoredRow(stored), reinterpret_cast<QRgb*>(line.scanLine(0)));
    painter.drawImage(QRect(0, stored, width(), 1), line);
    shownVersions_[static_cast<size_t>(stored)] = image_->StoredRowVersion(stored);
}

double WaterfallBox::NowMs() const {
    return static_cast<double>(clock_.nsecsElapsed()) / 1e6;
}

void WaterfallBox::TakeScrolls() {
    const int h = image_->Height();
    if (image_->Generation() != takenGeneration_ || image_->Scrolls() < takenScrolls_) {
        // An image made anew: nothing of it waits.
        takenGeneration_ = image_->Generation();
        waiting_ = 0;
    } else {
        const int before = waiting_;
        waiting_ = static_cast<int>(
            std::min<uint64_t>(static_cast<uint64_t>(waiting_) + image_->Scrolls() - takenScrolls_,
                               static_cast<uint64_t>(std::max(h, kMostRowsWaiting))));
        // The first row of a burst is due as it comes, or a row's time after the row before it.
        if (before == 0 && waiting_ > 0)
            nextDueMs_ = std::max(NowMs(), lastDueMs_ + rowPeriodMs_ * kPaceShare);
    }
    takenScrolls_ = image_->Scrolls();
}

int WaterfallBox::RowsDue(double aheadMs) {
    if (rowPeriodMs_ <= 0) return waiting_;
    const double now = NowMs();
    int due = 0;
    while (due < waiting_ && nextDueMs_ <= now + aheadMs) {
        ++due;
        lastDueMs_ = nextDueMs_;
        nextDueMs_ += rowPeriodMs_ * kPaceShare;
    }
    return std::max(due, waiting_ - kMostRowsWaiting);
}

void WaterfallBox::ShowRows(int rows) {
    if (rows <= 0) return;
    waiting_ -= rows;
    const int onScreen = image_ ? std::min(height(), image_->Height()) : 0;
    if (InStep() && devicePixelRatioF() == 1.0 && rows < onScreen) {
        // The rows exposed at the top are painted from the rows kept.
        scroll(0, rows, QRect(0, 0, width(), onScreen));
    } else {
        update();
    }
}

void WaterfallBox::DisplayTick() {
    // Each row at the tick nearest its time; rows whose time has passed (a late tick) at once.
    if (waiting_ > 0) ShowRows(RowsDue(kDisplayTickMs / 2.0));
}

int WaterfallBox::ImageRowShown(int y, int height) const {
    return std::min(y + waiting_, height - 1);
}

void WaterfallBox::Refresh() {
    if (!image_ || (image_->Changes() == shownChanges_ && image_->Generation() == takenGeneration_)) return;
    shownChanges_ = image_->Changes();
    TakeScrolls();
    // Between ticks only the rows whose time has come: the first of a burst that follows a pause.
    const int show = RowsDue(0);
    if (!InStep() || devicePixelRatioF() != 1.0) {
        ShowRows(show);
        update();
        return;
    }
    // The rows written since are stretched into the rows kept. The screen stays as it is: it shows the
    // image as it stood before the rows now waiting, which is the image now, those rows further down.
    const int h = image_->Height();
    int first = h, last = -1;  // the image rows that were written
    {
        QImage line(kWaterfallBins, 1, QImage::Format_RGB32);
        std::optional<QPainter> painter;
        for (int s = 0; s < h; ++s) {
            if (image_->StoredRowVersion(s) == shownVersions_[static_cast<size_t>(s)]) continue;
            if (!painter) painter.emplace(&shown_);
            ConvertRow(*painter, line, s);
            const int y = s >= image_->Top() ? s - image_->Top() : s - image_->Top() + h;
            first = std::min(first, y);
            last = std::max(last, y);
        }
    }
    shownTop_ = image_->Top();
    // The rows due are shown (the screen moves down by them); the written rows are painted where they
    // now stand on the screen, if they are on it yet.
    ShowRows(show);
    const int onScreen = std::min(height(), h);
    first = std::max(first - waiting_, 0);
    last = std::min(last - waiting_, onScreen - 1);
    if (last >= first) update(QRect(0, first, width(), last - first + 1));
}

void WaterfallBox::PaintWhole(QPainter& p) {
    p.fillRect(rect(), Qt::white);
    if (!image_ || image_->Height() <= 0) return;
    const int h = image_->Height();
    const int rows = std::min(height(), h);
    // The rows waiting, and those the image scrolled by since the last look, are not shown yet.
    const int behind = image_->Generation() == takenGeneration_
                           ? static_cast<int>(std::min<uint64_t>(
                                 static_cast<uint64_t>(waiting_) + image_->Scrolls() - takenScrolls_,
                                 static_cast<uint64_t>(h)))
                           : 0;
    QImage line(image_->Width(), rows, QImage::Format_RGB32);
    for (int y = 0; y < rows; ++y)
        ConvertColours(image_->Row(std::min(y + behind, h - 1)), reinterpret_cast<QRgb*>(line.scanLine(y)));
    p.drawImage(QRect(0, 0, width(), rows), line);
}

void WaterfallBox::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    if (devicePixelRatioF() != 1.0) {
        PaintWhole(p);
        return;
    }
    if (!InStep()) {
        ConvertAll();
        // All of it changed, whatever part was asked for.
        if (InStep() && event->rect() != rect()) update();
    }
    const QRect area = event->rect();
    const int rows = InStep() ? std::min(height(), image_->Height()) : 0;
    // The image's rows from the one shown at the top, in at most two runs of the ring; while rows
    // wait, the rows past the image's last repeat it.
    const int from = std::max(area.top(), 0), to = std::min(area.bottom() + 1, rows);
    const int h = rows > 0 ? image_->Height() : 1;
    for (int y = from; y < to;) {
        const int row = ImageRowShown(y, h);
        const int stored = (shownTop_ + row) % h;
        const int run = y + waiting_ < h ? std::min({to - y, h - stored, h - row}) : 1;
        p.drawImage(QPoint(0, y), shown_, QRect(0, stored, width(), run));
        y += run;
    }
    if (area.bottom() >= rows) p.fillRect(QRect(0, rows, width(), height() - rows) & area, Qt::white);
}

// --- Frame ---

Frame::Frame(QWidget* parent, const QString& caption)
    : QGroupBox(caption, parent), backColour_(RGB(236, 238, 241)) {
    setFont(UiFont(10, true));
    Restyle();
}

void Frame::SetBackColor(ColorRef colour) {
    // A new style sheet restyles the frame and everything in it: only for a new colour.
    if (colour == backColour_) return;
    backColour_ = colour;
    Restyle();
}

void Frame::Restyle() {
    setStyleSheet(
        QStringLiteral("QGroupBox { background-color: %1; border: 1px solid #9aa0a8; border-radius: 3px;"
                       " margin-top: 6px; }"
                       " QGroupBox::title { subcontrol-origin: margin; left: 5px; padding: 0 2px;"
                       " color: #30343a; }")
            .arg(ToQColor(backColour_).name()));
}

// --- CommandButton ---

CommandButton::CommandButton(QWidget* parent, const QString& caption, ColorRef backColour)
    : QPushButton(caption, parent), backColour_(backColour) {
    setFont(UiFont(12, true));
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    Restyle();
}

void CommandButton::SetBackColor(ColorRef colour) {
    if (colour == backColour_) return;
    backColour_ = colour;
    Restyle();
}

void CommandButton::Restyle() {
    const QColor face = ToQColor(backColour_);
    setStyleSheet(
        QStringLiteral("QPushButton { background-color: %1; color: #101010; border: 1px solid #55595f;"
                       " border-radius: 4px; }"
                       " QPushButton:pressed { background-color: %2; padding-top: 2px; }"
                       " QPushButton:disabled { color: #7a7a7a; }")
            .arg(face.name(), face.darker(125).name()));
}

void CommandButton::mouseMoveEvent(QMouseEvent* event) {
    if (MouseMove)
        MouseMove(VbButton(*event), VbShift(event->modifiers()), static_cast<float>(event->position().x()),
                  static_cast<float>(event->position().y()));
    QPushButton::mouseMoveEvent(event);
}

// --- TextField ---

TextField::TextField(QWidget* parent, ColorRef backColour) : QLineEdit(parent), backColour_(backColour) {
    ApplyBackColor();
}

void TextField::SetBackColor(ColorRef colour) {
    if (colour == backColour_) return;
    backColour_ = colour;
    ApplyBackColor();
}

void TextField::ApplyBackColor() {
    QPalette pal = palette();
    pal.setColor(QPalette::Base, ToQColor(backColour_));
    setPalette(pal);
}

void TextField::mouseReleaseEvent(QMouseEvent* event) {
    QLineEdit::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && Click) Click();
}

// --- RichTextBox ---

namespace {

// Whether the modem's Windows-1252 has a code for a character (half of a surrogate pair has none).
bool HasModemCode(QChar ch) {
    return ch == QChar('?') || UnicodeToCp1252(ch.unicode()) != '?';
}

}  // namespace

RichTextBox::RichTextBox(QWidget* parent, ColorRef backColour) : QTextEdit(parent), backColour_(backColour) {
    setAcceptRichText(false);
    ApplyBackColor();
}

void RichTextBox::SetHeaderHeight(int pixels) {
    header_ = pixels;
    setViewportMargins(0, pixels, 0, 0);
}

void RichTextBox::SetBackColor(ColorRef colour) {
    if (colour == backColour_) return;
    backColour_ = colour;
    ApplyBackColor();
    update();
}

void RichTextBox::ApplyBackColor() {
    QPalette pal = palette();
    pal.setColor(QPalette::Base, ToQColor(backColour_));
    setPalette(pal);
}

bool RichTextBox::event(QEvent* event) {
    // The band at the top is the window's own, not the viewport's: it takes the window's colour too.
    if (event->type() == QEvent::Paint && header_ > 0) {
        QPainter p(this);
        const int frame = frameWidth();
        p.fillRect(QRect(frame, frame, width() - 2 * frame, header_), ToQColor(backColour_));
    }
    return QTextEdit::event(event);
}

bool RichTextBox::SelectionInSent() const {
    const std::optional<int> sent = Sent();
    return sent && textCursor().selectionStart() < *sent;
}

void RichTextBox::LeaveSentText() {
    if (!SelectionInSent()) return;
    QTextCursor c = textCursor();
    c.movePosition(QTextCursor::End);
    setTextCursor(c);
}

QString RichTextBox::Filtered(const QString& text) {
    if (!KeyPress) return text;
    // CR LF, a lone CR or LF and the document's own separators are each one line end, as Enter types.
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QString out;
    out.reserve(lines.size());
    for (const QChar ch : lines) {
        const bool lineEnd = ch == QChar('\n') || ch == QChar('\r') || ch == QChar::ParagraphSeparator ||
                             ch == QChar::LineSeparator;
        if (!lineEnd && !HasModemCode(ch)) continue;
        const int ascii = lineEnd ? 13 : static_cast<unsigned char>(UnicodeToCp1252(ch.unicode()));
        if (const std::optional<QChar> put = OfferKeyPress(ascii, lineEnd ? QChar('\n') : ch))
            out.append(*put);
    }
    return out;
}

std::optional<QChar> RichTextBox::OfferKeyPress(int ascii, QChar typed) {
    const int offered = ascii;
    KeyPress(ascii);
    if (ascii == 0) return std::nullopt;
    if (ascii == offered) return typed;
    return QChar(static_cast<char16_t>(Cp1252ToUnicode(static_cast<unsigned char>(ascii))));
}

void RichTextBox::keyPressEvent(QKeyEvent* event) {
    if (KeyDown) {
        int code = VbKeyCode(event->key());
        if (code == 0) code = kVbOtherKey;
        KeyDown(code, VbShift(event->modifiers()));
        if (code == 0) {
            event->accept();
            return;
        }
    }
    // Keys that change text behind the caret never reach into what has gone out.
    if (AnythingSent() && (event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo) ||
                           event->matches(QKeySequence::DeleteStartOfWord) ||
                           event->matches(QKeySequence::DeleteCompleteLine))) {
        event->accept();
        return;
    }
    if (KeyPress) {
        int ascii = 0;
        switch (event->key()) {
            case Qt::Key_Backspace:
                ascii = 8;
                break;
            case Qt::Key_Return:
            case Qt::Key_Enter:
                ascii = 13;
                break;
            case Qt::Key_Escape:
                ascii = 27;
                break;
            default:
                // A character the modem has no code for is refused: it could not be sent.
                for (const QChar ch : event->text()) {
                    if (!HasModemCode(ch)) {
                        event->accept();
                        return;
                    }
                }
                if (!event->text().isEmpty())
                    ascii = static_cast<unsigned char>(UnicodeToCp1252(event->text().at(0).unicode()));
        }
        if (ascii != 0) {
            const QChar typed = event->text().isEmpty() ? QChar() : event->text().at(0);
            const std::optional<QChar> put = OfferKeyPress(ascii, typed);
            if (!put) {
                event->accept();
                return;
            }
            if (*put != typed) {
                QKeyEvent changed(event->type(), event->key(), event->modifiers(), QString(*put));
                QTextEdit::keyPressEvent(&changed);
                return;
            }
        }
    }
    QTextEdit::keyPressEvent(event);
}

void RichTextBox::mousePressEvent(QMouseEvent* event) {
    // A press inside the selection would start a drag of it, which could move text that has gone out or
    // is going meanwhile: while sending, the press only places the caret.
    if (Sent() && event->button() == Qt::LeftButton && textCursor().hasSelection()) {
        QTextCursor c = textCursor();
        const int at = cursorForPosition(event->position().toPoint()).position();
        if (at >= c.selectionStart() && at <= c.selectionEnd()) {
            c.setPosition(at);
            setTextCursor(c);
        }
    }
    QTextEdit::mousePressEvent(event);
}

void RichTextBox::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createStandardContextMenu(event->pos());
    if (!menu) return;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // The menu stays open while the transmission takes more text: what it changes is checked again
    // when it is chosen. Undo and redo reach back anywhere; cut and delete take the selection.
    const auto allowed = [this](bool reachesBack) {
        return reachesBack ? !AnythingSent() : !SelectionInSent();
    };
    for (QAction* action : menu->actions()) {
        const QString name = action->objectName();
        std::function<void()> run;
        const bool reachesBack = name == QLatin1String("edit-undo") || name == QLatin1String("edit-redo");
        if (name == QLatin1String("edit-undo")) {
            run = [this] { undo(); };
        } else if (name == QLatin1String("edit-redo")) {
            run = [this] { redo(); };
        } else if (name == QLatin1String("edit-cut")) {
            run = [this] { cut(); };
        } else if (name == QLatin1String("edit-delete")) {
            run = [this] { textCursor().removeSelectedText(); };
        } else {
            continue;
        }
        if (!allowed(reachesBack)) action->setEnabled(false);
        QObject::disconnect(action, &QAction::triggered, nullptr, nullptr);
        connect(action, &QAction::triggered, this, [allowed, reachesBack, run] {
            if (allowed(reachesBack)) run();
        });
    }
    menu->popup(event->globalPos());
}

void RichTextBox::dropEvent(QDropEvent* event) {
    // Text dragged within the window is copied, not moved, while what it was taken from may be sent.
    if (Sent() && event->source() == this && event->dropAction() == Qt::MoveAction)
        event->setDropAction(Qt::CopyAction);
    QTextEdit::dropEvent(event);
}

void RichTextBox::inputMethodEvent(QInputMethodEvent* event) {
    const std::optional<int> sent = Sent();
    const bool input = !event->commitString().isEmpty() || event->replacementLength() > 0 ||
                       !event->preeditString().isEmpty();
    if (!input || (!KeyPress && !sent)) {
        QTextEdit::inputMethodEvent(event);
        return;
    }
    LeaveSentText();
    QInputMethodEvent settled(event->preeditString(), event->attributes());
    const int from = textCursor().position() + event->replacementStart();
    if (sent && event->replacementLength() > 0 && from < *sent) {
        settled.setCommitString(Filtered(event->commitString()));
    } else {
        settled.setCommitString(Filtered(event->commitString()), event->replacementStart(),
                                event->replacementLength());
    }
    QTextEdit::inputMethodEvent(&settled);
    event->accept();
}

void RichTextBox::insertFromMimeData(const QMimeData* source) {
    LeaveSentText();
    if (KeyPress && source && source->hasText()) {
        const QString text = Filtered(source->text());
        if (!text.isEmpty()) insertPlainText(text);
        return;
    }
    QTextEdit::insertFromMimeData(source);
}

void RichTextBox::keyReleaseEvent(QKeyEvent* event) {
    if (KeyUp && !event->isAutoRepeat()) {
        int code = VbKeyCode(event->key());
        KeyUp(code, VbShift(event->modifiers()));
    }
    QTextEdit::keyReleaseEvent(event);
}

void RichTextBox::mouseReleaseEvent(QMouseEvent* event) {
    QTextEdit::mouseReleaseEvent(event);
    if (MouseUp)
        MouseUp(VbButton(*event), VbShift(event->modifiers()), static_cast<float>(event->position().x()),
                static_cast<float>(event->position().y()));
}

}  // namespace muv
