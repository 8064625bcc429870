#include "qtextedit_window.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <algorithm>

#include "qt_text.h"

namespace muv {

namespace {

// Plain text for insertion: CR, LF and CR LF each become one line end of the document.
QString ToDocumentText(const std::string& cp1252) {
    std::string normal;
    normal.reserve(cp1252.size());
    for (size_t i = 0; i < cp1252.size(); ++i) {
        if (cp1252[i] == '\r') {
            normal.push_back('\n');
            if (i + 1 < cp1252.size() && cp1252[i + 1] == '\n') ++i;
        } else {
            normal.push_back(cp1252[i]);
        }
    }
    return ToQString(normal);
}

// The document's plain text with its block separators written as CR LF.
std::string FromDocumentText(QString text) {
    text.replace(QChar::ParagraphSeparator, QChar('\n'));
    text.replace(QChar::LineSeparator, QChar('\n'));
    std::string s = FromQString(text);
    std::string out;
    out.reserve(s.size() + 16);
    for (char c : s) {
        if (c == '\n') out.push_back('\r');
        out.push_back(c);
    }
    return out;
}

}  // namespace

QTextEditWindow::QTextEditWindow(QTextEdit* edit, ColorRef defaultColour, int defaultFontSize)
    : edit_(edit),
      insertColour_(defaultColour),
      insertSize_(defaultFontSize),
      defaultColour_(defaultColour),
      defaultSize_(defaultFontSize) {
    edit_->setAcceptRichText(false);
}

int32_t QTextEditWindow::FromDocument(int position) const {
    return position + edit_->document()->findBlock(position).blockNumber();
}

int QTextEditWindow::ToDocument(int32_t position) const {
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
    return FromDocumentText(edit_->document()->toPlainText());
}

void QTextEditWindow::SetText(const std::string& text) {
    edit_->clear();
    insertColour_ = defaultColour_;
    insertSize_ = defaultSize_;
    SetSelText(text);
    SetSelStart(0);
}

int32_t QTextEditWindow::TextLength() const {
    const QTextDocument* doc = edit_->document();
    return doc->characterCount() - 1 + doc->blockCount() - 1;
}

std::string QTextEditWindow::TextRTF() const {
    return edit_->toHtml().toStdString();
}

void QTextEditWindow::SetTextRTF(const std::string& rtf) {
    const QString html = QString::fromStdString(rtf);
    if (Qt::mightBeRichText(html)) {
        edit_->setHtml(html);
    } else {
        edit_->setPlainText(ToDocumentText(rtf));
    }
    QTextCursor c = edit_->textCursor();
    c.setPosition(0);
    edit_->setTextCursor(c);
    TakeFormatBeforeCaret();
}

int32_t QTextEditWindow::SelStart() const {
    return FromDocument(edit_->textCursor().selectionStart());
}

void QTextEditWindow::SetSelStart(int32_t start) {
    const int target = ToDocument(std::clamp<int32_t>(start, 0, TextLength()));
    QTextCursor c = edit_->textCursor();
    const bool moved = c.position() != target || c.hasSelection();
    c.setPosition(target);
    edit_->setTextCursor(c);
    if (moved) TakeFormatBeforeCaret();
}

int32_t QTextEditWindow::SelLength() const {
    const QTextCursor c = edit_->textCursor();
    return FromDocument(c.selectionEnd()) - FromDocument(c.selectionStart());
}

void QTextEditWindow::SetSelLength(int32_t length) {
    QTextCursor c = edit_->textCursor();
    const int32_t start = FromDocument(c.selectionStart());
    const int32_t end = std::clamp<int32_t>(start + std::max(0, length), start, TextLength());
    c.setPosition(c.selectionStart());
    c.setPosition(ToDocument(end), QTextCursor::KeepAnchor);
    edit_->setTextCursor(c);
}

std::string QTextEditWindow::SelText() const {
    return FromDocumentText(edit_->textCursor().selection().toPlainText());
}

void QTextEditWindow::SetSelText(const std::string& text) {
    QTextCursor c = edit_->textCursor();
    QTextCharFormat format;
    format.setForeground(ToQColor(insertColour_));
    format.setFontPointSize(insertSize_);
    c.insertText(ToDocumentText(text), format);
    edit_->setTextCursor(c);
}

ColorRef QTextEditWindow::SelColor() const {
    const QTextCursor c = edit_->textCursor();
    if (!c.hasSelection()) return insertColour_;
    QTextCursor first(edit_->document());
    first.setPosition(c.selectionStart() + 1);
    return FromQColor(first.charFormat().foreground().color());
}

void QTextEditWindow::SetSelColor(ColorRef colour) {
    QTextCursor c = edit_->textCursor();
    if (c.hasSelection()) {
        QTextCharFormat format;
        format.setForeground(ToQColor(colour));
        c.mergeCharFormat(format);
    }
    insertColour_ = colour;
}

int QTextEditWindow::SelFontSize() const {
    const QTextCursor c = edit_->textCursor();
    if (!c.hasSelection()) return insertSize_;
    QTextCursor first(edit_->document());
    first.setPosition(c.selectionStart() + 1);
    return static_cast<int>(first.charFormat().fontPointSize());
}

void QTextEditWindow::SetSelFontSize(int points) {
    QTextCursor c = edit_->textCursor();
    if (c.hasSelection()) {
        QTextCharFormat format;
        format.setFontPointSize(points);
        c.mergeCharFormat(format);
    }
    insertSize_ = points;
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
