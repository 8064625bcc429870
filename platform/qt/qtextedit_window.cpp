#include "platform/qt/qtextedit_window.h"

#include <QFont>
#include <QKeyEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <algorithm>

#include "platform/qt/qt_text.h"

namespace muv {

namespace {

// Plain text for insertion: CR, LF and CR LF each become one line end of the document.
QString ToDocumentText(const std::string& text, TextCoding coding) {
    std::string normal;
    normal.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            normal.push_back('\n');
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            normal.push_back(text[i]);
        }
    }
    return coding == TextCoding::kCp1252 ? Cp1252ToQString(normal) : ToQString(normal);
}

// The document's plain text with its block separators written as CR LF.
std::string FromDocumentText(QString text, TextCoding coding) {
    text.replace(QChar::ParagraphSeparator, QChar('\n'));
    text.replace(QChar::LineSeparator, QChar('\n'));
    std::string s = coding == TextCoding::kCp1252 ? QStringToCp1252(text) : FromQString(text);
    std::string out;
    out.reserve(s.size() + 16);
    for (char c : s) {
        if (c == '\n') out.push_back('\r');
        out.push_back(c);
    }
    return out;
}

// Takes Shift+Enter as Enter. Left to the edit, Shift+Enter would put a line separator into the
// paragraph as one edit of its own, which undo could not take back together with its settling.
class ShiftEnterAsEnter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
                key->modifiers().testFlag(Qt::ShiftModifier))
                key->setModifiers(key->modifiers() & ~Qt::ShiftModifier);
        }
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

QTextEditWindow::QTextEditWindow(QTextEdit* edit, ColorRef defaultColour, int defaultFontSize,
                                 TextCoding coding)
    : edit_(edit),
      coding_(coding),
      insertColour_(defaultColour),
      insertSize_(defaultFontSize),
      defaultColour_(defaultColour),
      defaultSize_(defaultFontSize) {
    edit_->setAcceptRichText(false);
    edit_->installEventFilter(new ShiftEnterAsEnter(edit_));
    // Only a change that brings a line separator in needs settling.
    watch_ = QObject::connect(edit_->document(), &QTextDocument::contentsChange, edit_,
                              [this](int position, int, int added) {
                                  if (separatorsPending_) return;
                                  const QTextDocument* doc = edit_->document();
                                  for (int i = position; i < position + added && !separatorsPending_; ++i)
                                      separatorsPending_ = doc->characterAt(i) == QChar::LineSeparator;
                              });
}

QTextEditWindow::~QTextEditWindow() {
    QObject::disconnect(watch_);
}

void QTextEditWindow::SettleLineSeparators() const {
    if (!separatorsPending_) return;
    separatorsPending_ = false;
    QTextDocument* doc = edit_->document();
    // A separator and the paragraph break that replaces it are one character each, so every document
    // position, and with it the operator's caret and selection, stays where it was.
    QTextCursor caret = edit_->textCursor();
    const int anchor = caret.anchor();
    const int position = caret.position();
    QTextCursor c(doc);
    bool editing = false;
    QTextBlock block = doc->begin();
    while (block.isValid()) {
        const int at = block.text().indexOf(QChar::LineSeparator);
        if (at < 0) {
            block = block.next();
            continue;
        }
        if (!editing) {
            // One undo step with the paste that brought the separator in: undoing must not bring the
            // separator back alone, to be settled again at once.
            c.joinPreviousEditBlock();
            editing = true;
        }
        c.setPosition(block.position() + at);
        c.setPosition(block.position() + at + 1, QTextCursor::KeepAnchor);
        c.insertBlock();
        block = c.block();  // the rest of the line, which may hold another separator
    }
    if (!editing) return;
    caret.setPosition(anchor);
    caret.setPosition(position, QTextCursor::KeepAnchor);
    edit_->setTextCursor(caret);
    c.endEditBlock();
}

int32_t QTextEditWindow::FromDocument(int position) const {
    SettleLineSeparators();
    return position + edit_->document()->findBlock(position).blockNumber();
}

int QTextEditWindow::ToDocument(int32_t position) const {
    SettleLineSeparators();
    const QTextDocument* doc = edit_->document();
    // The last block whose window position of its start is at or before the wanted position.
    int lo = 0, hi = doc->blockCount() - 1;
    while (lo < hi) {
        const int mid = (lo + hi + 1) / 2;
        if (doc->findBlockByNumber(mid).position() + mid <= position) {
            lo = mid;
        } else {
            hi = mid - 1;
        }
    }
    const QTextBlock block = doc->findBlockByNumber(lo);
    const int offset = std::clamp<int>(position - (block.position() + lo), 0, block.length() - 1);
    return block.position() + offset;
}

std::string QTextEditWindow::Text() const {
    SettleLineSeparators();
    return FromDocumentText(edit_->document()->toPlainText(), coding_);
}

void QTextEditWindow::SetText(const std::string& text) {
    edit_->clear();
    insertColour_ = defaultColour_;
    insertSize_ = defaultSize_;
    SetSelText(text);
    SetSelStart(0);
}

int32_t QTextEditWindow::TextLength() const {
    SettleLineSeparators();
    const QTextDocument* doc = edit_->document();
    return doc->characterCount() - 1 + doc->blockCount() - 1;
}

std::string QTextEditWindow::TextRTF() const {
    SettleLineSeparators();
    return edit_->toHtml().toStdString();
}

void QTextEditWindow::SetTextRTF(const std::string& rtf) {
    const QString html = QString::fromStdString(rtf);
    if (Qt::mightBeRichText(html)) {
        edit_->setHtml(html);
        // The snapshot's <br> become paragraph breaks now, as part of the restored content rather than
        // as an edit the operator could undo.
        QTextDocument* doc = edit_->document();
        const bool undo = doc->isUndoRedoEnabled();
        doc->setUndoRedoEnabled(false);
        SettleLineSeparators();
        doc->setUndoRedoEnabled(undo);
    } else {
        edit_->setPlainText(ToDocumentText(rtf, coding_));
    }
    QTextCursor c = edit_->textCursor();
    c.setPosition(0);
    edit_->setTextCursor(c);
    TakeFormatBeforeCaret();
}

int32_t QTextEditWindow::SelStart() const {
    SettleLineSeparators();
    return FromDocument(edit_->textCursor().selectionStart());
}

void QTextEditWindow::SetSelStart(int32_t start) {
    SettleLineSeparators();
    const int target = ToDocument(std::clamp<int32_t>(start, 0, TextLength()));
    QTextCursor c = edit_->textCursor();
    const bool moved = c.position() != target || c.hasSelection();
    c.setPosition(target);
    edit_->setTextCursor(c);
    if (moved) TakeFormatBeforeCaret();
}

int32_t QTextEditWindow::SelLength() const {
    SettleLineSeparators();
    const QTextCursor c = edit_->textCursor();
    return FromDocument(c.selectionEnd()) - FromDocument(c.selectionStart());
}

void QTextEditWindow::SetSelLength(int32_t length) {
    SettleLineSeparators();
    QTextCursor c = edit_->textCursor();
    const int32_t start = FromDocument(c.selectionStart());
    const int32_t end = std::clamp<int32_t>(start + std::max(0, length), start, TextLength());
    c.setPosition(c.selectionStart());
    c.setPosition(ToDocument(end), QTextCursor::KeepAnchor);
    edit_->setTextCursor(c);
}

std::string QTextEditWindow::SelText() const {
    SettleLineSeparators();
    return FromDocumentText(edit_->textCursor().selection().toPlainText(), coding_);
}

void QTextEditWindow::SetSelText(const std::string& text) {
    SettleLineSeparators();
    QTextCursor c = edit_->textCursor();
    QTextCharFormat format;
    format.setForeground(ToQColor(insertColour_));
    format.setFontPointSize(insertSize_);
    c.insertText(ToDocumentText(text, coding_), format);
    edit_->setTextCursor(c);
}

std::optional<QTextCharFormat> QTextEditWindow::SelectionFormat() const {
    SettleLineSeparators();
    const QTextCursor c = edit_->textCursor();
    if (!c.hasSelection()) return std::nullopt;
    QTextCursor first(edit_->document());
    first.setPosition(c.selectionStart() + 1);
    return first.charFormat();
}

void QTextEditWindow::MergeIntoSelection(const QTextCharFormat& format) {
    SettleLineSeparators();
    QTextCursor c = edit_->textCursor();
    if (c.hasSelection()) c.mergeCharFormat(format);
}

ColorRef QTextEditWindow::SelColor() const {
    const std::optional<QTextCharFormat> format = SelectionFormat();
    return format ? FromQColor(format->foreground().color()) : insertColour_;
}

void QTextEditWindow::SetSelColor(ColorRef colour) {
    QTextCharFormat format;
    format.setForeground(ToQColor(colour));
    if (edit_->textCursor().hasSelection()) {
        MergeIntoSelection(format);
    } else {
        // The colour at the caret is also what the next typed, pasted or dropped text takes, until the
        // caret moves: otherwise a key would take the colour of the character before it.
        edit_->mergeCurrentCharFormat(format);
    }
    insertColour_ = colour;
}

int QTextEditWindow::SelFontSize() const {
    const std::optional<QTextCharFormat> format = SelectionFormat();
    return format ? static_cast<int>(format->fontPointSize()) : insertSize_;
}

void QTextEditWindow::SetSelFontSize(int points) {
    QTextCharFormat format;
    format.setFontPointSize(points);
    MergeIntoSelection(format);
    insertSize_ = points;
}

bool QTextEditWindow::SelBold() const {
    const std::optional<QTextCharFormat> format = SelectionFormat();
    return format && format->fontWeight() >= QFont::Bold;
}

void QTextEditWindow::SetSelBold(bool bold) {
    QTextCharFormat format;
    format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    MergeIntoSelection(format);
}

bool QTextEditWindow::Locked() const {
    return edit_->isReadOnly();
}

void QTextEditWindow::SetLocked(bool locked) {
    edit_->setReadOnly(locked);
}

void QTextEditWindow::TakeFormatBeforeCaret() {
    const QTextCursor c = edit_->textCursor();
    if (edit_->document()->isEmpty()) return;
    QTextCursor probe(edit_->document());
    probe.setPosition(c.position() > 0 ? c.position() : std::min(1, edit_->document()->characterCount() - 1));
    const QTextCharFormat format = probe.charFormat();
    if (format.foreground().style() != Qt::NoBrush) insertColour_ = FromQColor(format.foreground().color());
    if (format.fontPointSize() > 0) insertSize_ = static_cast<int>(format.fontPointSize());
}

}  // namespace muv
