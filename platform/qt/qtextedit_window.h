// The text-window face over a QTextEdit. Positions count a line end as the two characters CR LF, as
// the receive and transmit windows have always counted them, while the document holds one block
// separator. The receive and transmit windows hold the modem's Windows-1252 text; other windows of
// this kind (the cluster rows) hold the program's UTF-8.
//
// A paragraph break is the only line end the window keeps, so that every line end reads and counts as
// CR LF: Shift+Enter types the same paragraph break as Enter, and a line separator (U+2028) that
// pasted text carries or that a <br> of HTML becomes is turned into one before the window is next
// read or written.
#pragma once

#include <QMetaObject>
#include <QTextCharFormat>
#include <QTextEdit>
#include <optional>

#include "common/text_window.h"

namespace muv {

enum class TextCoding { kCp1252, kUtf8 };

class QTextEditWindow : public TextWindow {
public:
    explicit QTextEditWindow(QTextEdit* edit, ColorRef defaultColour = kBlack, int defaultFontSize = 10,
                             TextCoding coding = TextCoding::kCp1252);
    ~QTextEditWindow() override;
    QTextEditWindow(const QTextEditWindow&) = delete;
    QTextEditWindow& operator=(const QTextEditWindow&) = delete;

    std::string Text() const override;
    void SetText(const std::string& text) override;
    int32_t TextLength() const override;
    std::string TextRTF() const override;
    void SetTextRTF(const std::string& rtf) override;
    int32_t SelStart() const override;
    void SetSelStart(int32_t start) override;
    int32_t SelLength() const override;
    void SetSelLength(int32_t length) override;
    std::string SelText() const override;
    void SetSelText(const std::string& text) override;
    ColorRef SelColor() const override;
    void SetSelColor(ColorRef colour) override;
    int SelFontSize() const override;
    void SetSelFontSize(int points) override;
    bool SelBold() const override;
    void SetSelBold(bool bold) override;
    bool Locked() const override;
    void SetLocked(bool locked) override;

    QTextEdit* Edit() const { return edit_; }
    // Conversions between the window's positions (line end = 2) and the document's (line end = 1).
    int32_t FromDocument(int position) const;
    int ToDocument(int32_t position) const;

private:
    void TakeFormatBeforeCaret();
    // Turns the line separators the document has taken since the last call into paragraph breaks.
    void SettleLineSeparators() const;
    // The format of the selection's first character; none without a selection.
    std::optional<QTextCharFormat> SelectionFormat() const;
    // Merges the format into the selection, if there is one.
    void MergeIntoSelection(const QTextCharFormat& format);

    QTextEdit* edit_;
    TextCoding coding_;
    QMetaObject::Connection watch_;
    mutable bool separatorsPending_ = true;  // what the edit held before may have some
    ColorRef insertColour_;
    int insertSize_;
    ColorRef defaultColour_;
    int defaultSize_;
};

}  // namespace muv
