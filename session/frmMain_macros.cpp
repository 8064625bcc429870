// The macro labels: one handler each for their click, their tool tip (mouse move) and their menu (mouse
// down), told which label; the expansion of a macro's placeholders; and the labels' colours, captions
// and visibility as the macros window sets them.
#include "logbook/locator.h"
#include "platform/qt/qt_text.h"
#include "session/frmMain.h"
#include "session/macro_text.h"
#include "session/station.h"
#include "settings/frmAbout.h"
#include "settings/frmMacros.h"
#include "settings/frmOperator.h"

namespace muv {

namespace {

// The label of a number (1 to 16, as the labels were built), nullptr for none.
TextBox* MacroLabel(frmMain& f, int index) {
    TextBox* const labels[] = {f.lblCQ,    f.lblCall,   f.lblMe,   f.lblBye,   f.lblStation, f.lblSN,
                               f.lblQSL,   f.lblCustom, f.lblCQDX, f.lblCALL2, f.lblMe2,     f.lblBye2,
                               f.lblEmail, f.lblRST599, f.lblQRZ,  f.lblRepeat};
    return index >= 1 && index <= kMacroCount ? labels[index - 1] : nullptr;
}

// The calling macros go where the caret is; the others after the text.
MacroPlace PlaceOf(int macro) {
    return macro == kMacroCQ || macro == kMacroCQDX || macro == kMacroCall2 ? MacroPlace::Caret
                                                                            : MacroPlace::End;
}

}  // namespace

std::string frmMain::AplicarMacros(const std::string& text) {
    Station& st = *station_;
    MacroValues v;
    // The S/N label is enabled once a message has given an S/N.
    if (Enabled(Control::lblSN)) st.receiver.FormatSnAndFadeMargin(v.snText, v.marginText);
    const frmOperator& op = st.settings.Operator();
    v.callsign = op.Callsign();
    v.name = op.Name();
    v.email = op.Email();
    v.qth = op.QTH();
    v.locator = op.Locator();
    v.version = frmAbout::kVersion;
    v.destination = FromQString(txtDestination->text());
    return ExpandMacroText(text, v);
}

void frmMain::MacroLabel_Click(int index) {
    const int macro = MacroOfLabel(index);
    if (macro == 0) return;
    Station& st = *station_;
    if (macro == kMacroRepeat) {
        // The window's text is what a running transmission sends: it is not replaced under it.
        if (st.shared.TxRxState != 0) return;
        PutRepeatText(TxWindow(), LastTxText);
        return;
    }
    if (IsValidLocator(st.settings.OperatorLocator()) != 1) {
        Boxes().Show("Locator not valid", "Locator Error", BoxIcon::Critical);
        st.settings.ShowOperator();
        return;
    }
    const frmMacros& macros = st.settings.Macros();
    const std::string text = AplicarMacros(macros.MacroText(macro));
    if (PutMacroText(TxWindow(), text, PlaceOf(macro), macros.ClearFirst(macro), SentTxCharacters()))
        MacroClearedTx = 1;
    rtfVentanaTX->setFocus();
}

void frmMain::MacroLabel_MouseMove(int index, int, int, float, float) {
    TextBox* label = MacroLabel(*this, index);
    const int macro = MacroOfLabel(index);
    if (!label || macro == 0) return;
    // What a click puts into the transmit window, as the modem's text.
    const std::string tip = macro == kMacroRepeat
                                ? LastTxText
                                : ModemText(AplicarMacros(station_->settings.Macros().MacroText(macro)));
    QString shown = Cp1252ToQString(tip);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    label->setToolTip(shown);
}

void frmMain::MacroLabel_MouseDown(int, int Button, int, float, float) {
    if (Button == 2) station_->settings.ShowMacros();
}

// --- the labels as the macros window paints them ---

void frmMain::SetLabelColour(int label, ColorRef colour) {
    if (TextBox* l = MacroLabel(*this, label)) l->SetBackColor(colour);
}

void frmMain::SetLabelCaption(int label, const std::string& caption) {
    if (TextBox* l = MacroLabel(*this, label)) l->setText(ToQString(caption));
}

void frmMain::SetLabelVisible(int label, bool visible) {
    if (TextBox* l = MacroLabel(*this, label)) l->setVisible(visible);
}

}  // namespace muv
