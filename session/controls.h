// The kinds of control the main window is made of, each with the properties the program has always
// set on its controls: a caption or text, a back colour, and Click / MouseMove / MouseDown / MouseUp /
// key events delivered to plain callbacks (the window's handler methods). Text crosses between
// Windows-1252 and Unicode at this boundary.
#pragma once

#include "platform/qt/qt_text.h"

#include <QElapsedTimer>
#include <QFont>
#include <QFrame>
#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/colour.h"

class QKeyEvent;
class QMouseEvent;
class QPainter;

namespace muv {

class WaterfallImage;

// The window's sans-serif font at a pixel size (condensed where the system has it).
QFont UiFont(int pixelSize, bool bold = false);

// Mouse arguments as the handlers take them: button 1 left, 2 right, 4 middle; shift 1 Shift, 2 Ctrl,
// 4 Alt; x and y in pixels of the control.
using MouseHandler = std::function<void(int button, int shift, float x, float y)>;
int VbButton(const QMouseEvent& event);
int VbShift(Qt::KeyboardModifiers modifiers);
// The classic key code of a key (33 Page Up, 37 Left, 112 F1, 65 A, ...), 0 for keys without one.
int VbKeyCode(int qtKey);
// The code a key without a classic code of its own is offered under (punctuation, accented letters).
constexpr int kVbOtherKey = 231;

// What every control of the main window has: a back colour, and for most a caption or text.
class VbControl {
public:
    virtual ~VbControl() = default;
    virtual bool HasCaption() const { return false; }
    virtual QString Caption() const { return {}; }
    virtual void SetCaption(const QString&) {}
    virtual ColorRef BackColor() const = 0;
    virtual void SetBackColor(ColorRef colour) = 0;
};

// A text box or label: one line of text on a coloured background. Status boxes are sunken, labels
// (the macro labels, the channel boxes) raised and clickable, captions flat.
class TextBox : public QFrame, public VbControl {
public:
    enum class Look { Sunken, Raised, Flat };
    TextBox(QWidget* parent, Look look, ColorRef backColour, const QString& text = {});

    QString text() const { return text_; }
    void setText(const QString& text);
    void SetForeColor(ColorRef colour);
    ColorRef ForeColor() const { return foreColour_; }
    void SetAlignment(Qt::Alignment alignment);

    bool HasCaption() const override { return true; }
    QString Caption() const override { return text_; }
    void SetCaption(const QString& text) override { setText(text); }
    ColorRef BackColor() const override { return backColour_; }
    void SetBackColor(ColorRef colour) override;

    std::function<void()> Click;
    MouseHandler MouseMove;
    MouseHandler MouseDown;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    Look look_;
    QString text_;
    ColorRef backColour_;
    ColorRef foreColour_ = kBlack;
    Qt::Alignment alignment_ = Qt::AlignCenter;
    bool pressed_ = false;
};

// A picture: an image drawn over the back colour (an image with transparent parts lets the colour
// show), clickable.
class PictureBox : public QWidget, public VbControl {
public:
    PictureBox(QWidget* parent, ColorRef backColour, bool opaque = true);

    void SetPicture(const QPixmap& picture);
    const QPixmap& Picture() const { return picture_; }

    ColorRef BackColor() const override { return backColour_; }
    void SetBackColor(ColorRef colour) override;

    std::function<void()> Click;
    std::function<void()> DblClick;
    MouseHandler MouseMove;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

    QPixmap picture_;
    ColorRef backColour_;
    bool opaque_;
    bool pressed_ = false;
    bool afterDoubleClick_ = false;
};

// A meter: its printed dial as the picture, and one needle line drawn over it.
class MeterBox : public PictureBox {
public:
    MeterBox(QWidget* parent, const QPixmap& dial);

    // Erases the previous needle and draws a line of the pen width and colour between the two points.
    void SetNeedle(QPointF pivot, QPointF end, int penWidth, ColorRef colour);
    bool HasNeedle() const { return hasNeedle_; }
    QPointF NeedlePivot() const { return pivot_; }
    QPointF NeedleEnd() const { return end_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool hasNeedle_ = false;
    QPointF pivot_, end_;
    int penWidth_ = 2;
    ColorRef needleColour_ = kBlack;
};

// The waterfall picture: the receiver's image, stretched to the picture's width, one image row per
// pixel row from the top; below the image's last row the picture stays white. The picture keeps the
// image's rows as shown, stretched, in the image's own ring order: a refresh stretches only the rows
// written since, moves what is on the screen down by the rows it shows, and paints only the rows that
// changed. The whole is converted again only when the image, its size or the picture's size changes.
//
// The sound card hands the receiver its audio in bursts (through a sound server, a third of a second
// at once), and a burst scrolls the image by two or three rows together. Given the time a row stands
// for, the picture shows such rows one at a time, each a row's time after the one before, at the
// display tick (100 ms, with the window's other refreshers) nearest that time, so that it moves as
// steadily as the signal came: while rows wait, the screen shows the image shifted up by them, its
// newest rows not yet on it. More rows than a burst brings never wait, and rows whose time has passed
// are not held back: they are shown at once.
class WaterfallBox : public PictureBox {
public:
    explicit WaterfallBox(QWidget* parent);
    // Shows this image from now on, converted whole.
    void Attach(const WaterfallImage* image);
    const WaterfallImage* Attached() const { return image_; }
    // The time one row of the image stands for, in milliseconds; 0 (as at the start) shows every row
    // as it comes.
    void SetRowPeriod(double milliseconds) { rowPeriodMs_ = milliseconds; }
    // Brings the picture up to the image after it scrolled or had lines drawn; nothing when neither.
    void Refresh();
    // Rows scrolled into the image and not shown yet.
    int RowsWaiting() const { return waiting_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // Whether the rows kept are the image's at the picture's size (at one device pixel per pixel).
    bool InStep() const;
    // Converts and stretches every row of the image.
    void ConvertAll();
    // Stretches one stored row of the image into the rows kept.
    void ConvertRow(QPainter& painter, QImage& line, int stored);
    // Draws the whole image in one go, converted at every paint: for screens whose pixels are not the
    // picture's.
    void PaintWhole(QPainter& painter);
    double NowMs() const;
    // The rows that the image scrolled by since the last look join those waiting.
    void TakeScrolls();
    // How many of the rows waiting are to be shown now: those due within aheadMs, and any beyond the
    // most that may wait.
    int RowsDue(double aheadMs);
    // Shows that many waiting rows: the screen moves down by them.
    void ShowRows(int rows);
    // Shows the rows due.
    void DisplayTick();
    // The image row that screen row y shows: as many rows further down as wait (past the image's last
    // row, that row again).
    int ImageRowShown(int y, int height) const;

    const WaterfallImage* image_ = nullptr;
    QImage shown_;  // the image's stored rows, stretched to the picture's width
    std::vector<uint64_t> shownVersions_;
    uint64_t shownGeneration_ = 0;
    uint64_t shownChanges_ = 0;
    int shownTop_ = 0;
    bool stale_ = true;

    double rowPeriodMs_ = 0;
    int waiting_ = 0;
    uint64_t takenScrolls_ = 0;  // the image's scrolls counted so far
    uint64_t takenGeneration_ = 0;
    QElapsedTimer clock_;
    double nextDueMs_ = 0;                                      // when the first row waiting is due
    double lastDueMs_ = std::numeric_limits<double>::lowest();  // when the last row shown was due
    QTimer tick_;
};

// A frame with its caption around a group of controls.
class Frame : public QGroupBox, public VbControl {
public:
    Frame(QWidget* parent, const QString& caption);
    bool HasCaption() const override { return true; }
    QString Caption() const override { return title(); }
    void SetCaption(const QString& text) override { setTitle(text); }
    ColorRef BackColor() const override { return backColour_; }
    void SetBackColor(ColorRef colour) override;

private:
    void Restyle();
    ColorRef backColour_;
};

// A push button whose face takes the back colour.
class CommandButton : public QPushButton, public VbControl {
public:
    CommandButton(QWidget* parent, const QString& caption, ColorRef backColour);
    bool HasCaption() const override { return true; }
    QString Caption() const override { return text(); }
    void SetCaption(const QString& text) override { setText(text); }
    ColorRef BackColor() const override { return backColour_; }
    void SetBackColor(ColorRef colour) override;

    MouseHandler MouseMove;

protected:
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void Restyle();
    ColorRef backColour_;
};

// An editable one-line box (frequency, partner callsign).
class TextField : public QLineEdit, public VbControl {
public:
    TextField(QWidget* parent, ColorRef backColour);
    bool HasCaption() const override { return true; }
    QString Caption() const override { return text(); }
    void SetCaption(const QString& text) override { setText(text); }
    ColorRef BackColor() const override { return backColour_; }
    void SetBackColor(ColorRef colour) override;

    std::function<void()> Click;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void ApplyBackColor();
    ColorRef backColour_;
};

// A rich-text window (receive, transmit, cluster comment). Its key events are offered to handlers with
// the classic arguments first: KeyDown (every key, those without a classic code as kVbOtherKey) may set
// the key code to 0 to swallow the key, KeyPress may set the character to 0 to drop it or change it to
// another character. Text that comes in otherwise (pasted by menu, keys or the middle button, dropped, or
// committed by an input method) passes KeyPress character by character, as typed text does. A window
// with KeyPress holds the modem's text: a character that Windows-1252 has no code for never comes in,
// typed, pasted or composed, since the modem could not send it. An optional band at the top, in the
// window's colour, keeps room for controls that stand over the window, so that text never runs under
// them.
class RichTextBox : public QTextEdit, public VbControl {
public:
    RichTextBox(QWidget* parent, ColorRef backColour);
    void SetHeaderHeight(int pixels);
    int HeaderHeight() const { return header_; }

    ColorRef BackColor() const override { return backColour_; }
    void SetBackColor(ColorRef colour) override;

    std::function<void(int& keyCode, int shift)> KeyDown;
    std::function<void(int& keyCode, int shift)> KeyUp;
    std::function<void(int& keyAscii)> KeyPress;
    MouseHandler MouseUp;
    // While this gives a document position, the text before it has gone out and changes by no path:
    // keys that reach back (undo, redo, deleting a word or a line backwards), the menu's cut, delete,
    // undo and redo, and a drag that would move it; pasted, dropped or input-method text meant for it
    // lands at the end of the text instead. The text after it is being taken meanwhile, so no drag
    // starts from the window. A plain Backspace right at the position is KeyDown's to judge.
    std::function<std::optional<int>()> SentUpTo;

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    std::optional<int> Sent() const { return SentUpTo ? SentUpTo() : std::nullopt; }
    // True when some text has gone out.
    bool AnythingSent() const { return Sent().value_or(0) > 0; }
    // True when the selection (or the caret) starts inside the text that has gone out.
    bool SelectionInSent() const;
    // Puts the caret at the end of the text when the selection starts inside the text that has gone out.
    void LeaveSentText();
    // Offers a character (its Windows-1252 code) to KeyPress: nothing when KeyPress drops it, typed
    // itself when KeyPress leaves it, else the character KeyPress changed it into.
    std::optional<QChar> OfferKeyPress(int ascii, QChar typed);
    // The text as KeyPress lets it in, character by character; a character that Windows-1252 has no
    // code for is left out before KeyPress sees it, as a key that types one is refused.
    QString Filtered(const QString& text);
    void ApplyBackColor();

    ColorRef backColour_;
    int header_ = 0;
};

}  // namespace muv
