// The macros window: for each of the sixteen macros of the main window its text, whether a click first
// empties the transmit window, the title of its label and the colour of its label. It is the live store
// of the macros: the main window's labels read its boxes at every click, and the window paints titles
// and colours onto those labels (CopiarColoresMacros). OK stores the "Macros" group of the current
// profile; the close box forgets the edits.
#pragma once

#include <QDialog>
#include <QPoint>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "common/colour.h"
#include "settings/macro_labels.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace muv {

class ProfileStore;

// The colour picker: offers colours at a point of the screen, starting from the current one; nullopt
// when the operator picks none.
class ColourChooser {
public:
    virtual ~ColourChooser() = default;
    virtual std::optional<ColorRef> ChooseColour(ColorRef current, QPoint at, QWidget* parent) = 0;
};

struct MacrosWindowLinks {
    ProfileStore& store;
    MacroLabels* labels = nullptr;     // the main window's labels (none: nothing to paint)
    ColourChooser* chooser = nullptr;  // none: the system's colour dialog
};

class frmMacros : public QDialog {
public:
    explicit frmMacros(MacrosWindowLinks links, QWidget* parent = nullptr);
    ~frmMacros() override;

    // The window's load: the buttons painted, the defaults, the stored macros of the profile, the
    // placeholder list, and the main window's labels painted.
    void Form_Load();
    // The default texts, clear-first ticks and titles; the default colours. Neither stores anything.
    void cmdMacrosPorDefecto_Click();
    void cmdColoresPorDefecto_Click();
    // Stores the macros, paints the main window's labels and closes.
    void cmdOK_Click();
    // Copies every macro's colour, and the eleven titles, onto the main window's labels; a label whose
    // title is empty is hidden.
    void CopiarColoresMacros();
    // The colour pickers, told which macro (1 to 16): the release of a mouse button over a colour
    // holder pops the picker up below it; a colour chosen applies only to the picker opened last.
    void ShowColourPicker(int macro);
    void ApplyPickedColour(int macro, ColorRef colour);

    // --- what the main window reads (macro numbers as in macro_labels.h) ---
    // The macro's text as a click sends it, affixes joined, placeholders not yet replaced ("" for the
    // repeat macro, which has none).
    std::string MacroText(int macro) const;
    // The macro's clear-first box is ticked (never for the repeat macro).
    bool ClearFirst(int macro) const;
    // The colour of the macro's label: the back colour of its colour holder here.
    ColorRef MacroColour(int macro) const;
    void SetMacroColour(int macro, ColorRef colour);
    // The macro's controls: clear-first box, text box and title box (nullptr where the macro has none),
    // and its colour holder (fixed label or title box).
    QCheckBox* ClearFirstBox(int macro) const;
    QLineEdit* TextBox(int macro) const;
    QLineEdit* TitleBox(int macro) const;
    QWidget* ColourHolder(int macro) const;

    // The placeholder list that the window shows (lines ending in CR LF).
    static std::string MacroListText();

    // --- controls ---
    QCheckBox *chkCQ, *chkCQDX, *chkCALL, *chkCALL2, *chkMe, *chkMe2, *chkBye, *chkBye2, *chkStation,
        *chkEmail, *chkSN, *chkRST599, *chkQSL, *chkQRZ, *chkCustom;
    QLineEdit *txtCQ, *txtCQDX, *txtCALL, *txtCALL2, *txtMe, *txtMe2, *txtBye, *txtBye2, *txtStation,
        *txtEmail, *txtSN, *txtRST599, *txtQSL, *txtQRZ, *txtCustom;
    // Read-only affixes, never stored.
    QLineEdit *txtCQFinal, *txtCQDXFinal, *txtCall2Final, *txtStationPreambulo, *txtEmailPreambulo;
    QLineEdit *txtTituloCall, *txtTituloCall2, *txtTituloMe, *txtTituloMe2, *txtTituloBye, *txtTituloBye2,
        *txtTituloRST599, *txtTituloQSL, *txtTituloQRZ, *txtTituloCustom, *txtTituloRepeat;
    // The fixed labels of the five macros without a title.
    QLabel *lblCQ, *lblCQDX, *lblStation, *lblEmail, *lblSN;
    QLabel* Label1;  // "Clear TX", over the clear-first boxes
    QPlainTextEdit* txtListaMacros;
    QPushButton *cmdMacrosPorDefecto, *cmdColoresPorDefecto, *cmdOK;
    // The macro whose colour picker was opened last (0: none since the window loaded).
    uint8_t OpenPickerNumber = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Row {
        QCheckBox* check = nullptr;
        QLineEdit* text = nullptr;
        QLineEdit* title = nullptr;
        QWidget* holder = nullptr;
    };
    const Row& RowOf(int macro) const;

    MacrosWindowLinks links_;
    std::unique_ptr<ColourChooser> ownChooser_;
    std::array<Row, kMacroCount + 1> rows_{};
    std::array<ColorRef, kMacroCount + 1> colours_{};
};

// Whether a macro text calls CQ: 0 when, in capitals and with a blank added at its end, it holds
// " CQ "; 1 otherwise.
uint8_t MacroHasNoCq(const std::string& text);

// The "Macros" group of the current profile. A missing key leaves its control as it is; SaveMacros
// stores a text that calls CQ only for the CQ, CQ DX and STATION macros (the stored text stays for
// the others).
void LoadMacros(ProfileStore& store, frmMacros& w);
void SaveMacros(ProfileStore& store, frmMacros& w);

}  // namespace muv
