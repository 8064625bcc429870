#include "settings/frmMacros.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>
#include <optional>
#include <utility>

#include "common/profile_store.h"
#include "common/vb.h"
#include "platform/qt/qt_text.h"
#include "settings/settings_window.h"

namespace muv {

namespace {

constexpr const char* kSection = "Macros";
constexpr size_t kShortBuffer = 20;  // check values, titles, colours
constexpr size_t kTextBuffer = 200;
constexpr size_t kCustomBuffer = 300;
// What the affixes hold: the CQ, CQ DX and CALLx2 macros end with the locator, the E-mail macro starts
// with it, the STATION macro with the program's version.
constexpr const char* kLocatorSuffix = " in<LOCATOR>";
constexpr const char* kEmailPrefix = "<LOCATOR> ";
constexpr const char* kStationPrefix = "Station: <VER>";

// The macro texts, clear-first ticks and titles that "Default Macros" puts in, in the window's order
// (nullptr: left as it is).
struct MacroDefault {
    const char* text;
    bool clearFirst;
    const char* title;
};
constexpr MacroDefault kDefaults[kMacroCount + 1] = {
    {},
    {"CQ  CQ  de  <MYCALL>  <MYCALL>", true, nullptr},
    {"CQ DX CQ DX more than 4000 Kms de  <MYCALL>  <MYCALL>", true, nullptr},
    {"<DESTINATION> de <MYCALL>", false, "CALL"},
    {"<DESTINATION>  de  <MYCALL>  <MYCALL>", true, "CALLx2"},
    {"My name is <NAME>, my QTH is <QTH>, Locator:<LOCATOR>", false, "ME"},
    {"Mi nombre es <NAME>, mi QTH es <QTH>, Locator:<LOCATOR>", false, "ME2"},
    {"tnx fer MUV QSO, 73. <DESTINATION> de <MYCALL> sk", false, "BYE"},
    {"Gracias compa\xC3\xB1"
     "ero, 73 y buena suerte. <DESTINATION> de <MYCALL> sk",
     false, "BYE2"},
    {nullptr, false, nullptr},
    {"<EMAIL>", false, nullptr},
    {"<SN>", false, nullptr},
    {"RST 599 599", false, "599"},
    {"QSL via e-qsl or direct", false, "QSL"},
    {"QRZ? QRZ? de <MYCALL> pse agn", true, "QRZ?"},
    {nullptr, false, "Custom"},
    {nullptr, false, "RPT"},
};

// "Default Colours", in the window's order.
constexpr ColorRef kDefaultColours[kMacroCount + 1] = {
    0,        26367, 26367, 6723891,  6723891, 8421376,  8421376,  13408767, 13408767,
    16763904, 52479, 65535, 10053222, 13260,   10092492, 12632256, 16776960,
};

const char* const kMacroListLines[] = {
    "My Callsign: <MYCALL>",    "Name:............<NAME>",     "Email:.............<EMAIL>",
    "QTH:...............<QTH>", "Locator:..........<LOCATOR>", "Destination:...<DESTINATION>",
    "S/N:..............<SN>",   "Version:........<VER>",
};

// The system's colour dialog, opened at the point asked.
class ColourDialogChooser : public ColourChooser {
public:
    std::optional<ColorRef> ChooseColour(ColorRef current, QPoint at, QWidget* parent) override {
        QColorDialog dialog(ToQColor(current), parent);
        dialog.setWindowTitle(QStringLiteral("Colour"));
        dialog.move(PlaceOnScreen(at.x(), at.y(), dialog.sizeHint()));
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        return FromQColor(dialog.selectedColor());
    }
};

QLineEdit* Box(const char* name, QWidget* parent, int maxLength, bool readOnly = false) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setMaxLength(maxLength);
    box->setReadOnly(readOnly);
    if (readOnly) box->setFocusPolicy(Qt::NoFocus);
    return box;
}

QLabel* FixedLabel(const char* name, const char* caption, QWidget* parent) {
    auto* label = new QLabel(QString::fromLatin1(caption), parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignCenter);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Raised);
    return label;
}

QCheckBox* Check(const char* name, QWidget* parent) {
    auto* box = new QCheckBox(parent);
    box->setObjectName(name);
    return box;
}

}  // namespace

frmMacros::frmMacros(MacrosWindowLinks links, QWidget* parent) : QDialog(parent), links_(std::move(links)) {
    setObjectName("frmMacros");
    // English caption until the interface language is applied.
    setWindowTitle("Macros");
    if (!links_.chooser) {
        ownChooser_ = std::make_unique<ColourDialogChooser>();
        links_.chooser = ownChooser_.get();
    }

    // What the settings file gives back: a longer text or title would come back cut at the next load.
    const int text = static_cast<int>(kTextBuffer) - 1;
    const int title = static_cast<int>(kShortBuffer) - 1;
    chkCQ = Check("chkCQ", this);
    chkCQDX = Check("chkCQDX", this);
    chkCALL = Check("chkCALL", this);
    chkCALL2 = Check("chkCALL2", this);
    chkMe = Check("chkMe", this);
    chkMe2 = Check("chkMe2", this);
    chkBye = Check("chkBye", this);
    chkBye2 = Check("chkBye2", this);
    chkStation = Check("chkStation", this);
    chkEmail = Check("chkEmail", this);
    chkSN = Check("chkSN", this);
    chkRST599 = Check("chkRST599", this);
    chkQSL = Check("chkQSL", this);
    chkQRZ = Check("chkQRZ", this);
    chkCustom = Check("chkCustom", this);
    txtCQ = Box("txtCQ", this, text);
    txtCQDX = Box("txtCQDX", this, text);
    txtCALL = Box("txtCALL", this, text);
    txtCALL2 = Box("txtCALL2", this, text);
    txtMe = Box("txtMe", this, text);
    txtMe2 = Box("txtMe2", this, text);
    txtBye = Box("txtBye", this, text);
    txtBye2 = Box("txtBye2", this, text);
    txtStation = Box("txtStation", this, text);
    txtEmail = Box("txtEmail", this, text);
    txtSN = Box("txtSN", this, text);
    txtRST599 = Box("txtRST599", this, text);
    txtQSL = Box("txtQSL", this, text);
    txtQRZ = Box("txtQRZ", this, text);
    txtCustom = Box("txtCustom", this, static_cast<int>(kCustomBuffer) - 1);
    txtCQFinal = Box("txtCQFinal", this, text, true);
    txtCQDXFinal = Box("txtCQDXFinal", this, text, true);
    txtCall2Final = Box("txtCall2Final", this, text, true);
    txtStationPreambulo = Box("txtStationPreambulo", this, text, true);
    txtEmailPreambulo = Box("txtEmailPreambulo", this, text, true);
    for (QLineEdit* affix : {txtCQFinal, txtCQDXFinal, txtCall2Final})
        affix->setText(QString::fromLatin1(kLocatorSuffix));
    txtEmailPreambulo->setText(QString::fromLatin1(kEmailPrefix));
    txtTituloCall = Box("txtTituloCall", this, title);
    txtTituloCall2 = Box("txtTituloCall2", this, title);
    txtTituloMe = Box("txtTituloMe", this, title);
    txtTituloMe2 = Box("txtTituloMe2", this, title);
    txtTituloBye = Box("txtTituloBye", this, title);
    txtTituloBye2 = Box("txtTituloBye2", this, title);
    txtTituloRST599 = Box("txtTituloRST599", this, title);
    txtTituloQSL = Box("txtTituloQSL", this, title);
    txtTituloQRZ = Box("txtTituloQRZ", this, title);
    txtTituloCustom = Box("txtTituloCustom", this, title);
    txtTituloRepeat = Box("txtTituloRepeat", this, title);
    lblCQ = FixedLabel("lblCQ", "CQ", this);
    lblCQDX = FixedLabel("lblCQDX", "CQ DX", this);
    lblStation = FixedLabel("lblStation", "STATION", this);
    lblEmail = FixedLabel("lblEmail", "@", this);
    lblSN = FixedLabel("lblSN", "S/N", this);
    Label1 = new QLabel("Clear TX", this);
    Label1->setObjectName("Label1");
    txtListaMacros = new QPlainTextEdit(this);
    txtListaMacros->setObjectName("txtListaMacros");
    txtListaMacros->setReadOnly(true);
    txtListaMacros->setLineWrapMode(QPlainTextEdit::NoWrap);
    cmdMacrosPorDefecto = new QPushButton("Default Macros", this);
    cmdMacrosPorDefecto->setObjectName("cmdMacrosPorDefecto");
    cmdColoresPorDefecto = new QPushButton("Default Colours", this);
    cmdColoresPorDefecto->setObjectName("cmdColoresPorDefecto");
    cmdOK = new QPushButton("OK", this);
    cmdOK->setObjectName("cmdOK");

    rows_[kMacroCQ] = {chkCQ, txtCQ, nullptr, lblCQ};
    rows_[kMacroCQDX] = {chkCQDX, txtCQDX, nullptr, lblCQDX};
    rows_[kMacroCall] = {chkCALL, txtCALL, txtTituloCall, txtTituloCall};
    rows_[kMacroCall2] = {chkCALL2, txtCALL2, txtTituloCall2, txtTituloCall2};
    rows_[kMacroMe] = {chkMe, txtMe, txtTituloMe, txtTituloMe};
    rows_[kMacroMe2] = {chkMe2, txtMe2, txtTituloMe2, txtTituloMe2};
    rows_[kMacroBye] = {chkBye, txtBye, txtTituloBye, txtTituloBye};
    rows_[kMacroBye2] = {chkBye2, txtBye2, txtTituloBye2, txtTituloBye2};
    rows_[kMacroStation] = {chkStation, txtStation, nullptr, lblStation};
    rows_[kMacroEmail] = {chkEmail, txtEmail, nullptr, lblEmail};
    rows_[kMacroSN] = {chkSN, txtSN, nullptr, lblSN};
    rows_[kMacroRST599] = {chkRST599, txtRST599, txtTituloRST599, txtTituloRST599};
    rows_[kMacroQSL] = {chkQSL, txtQSL, txtTituloQSL, txtTituloQSL};
    rows_[kMacroQRZ] = {chkQRZ, txtQRZ, txtTituloQRZ, txtTituloQRZ};
    rows_[kMacroCustom] = {chkCustom, txtCustom, txtTituloCustom, txtTituloCustom};
    rows_[kMacroRepeat] = {nullptr, nullptr, txtTituloRepeat, txtTituloRepeat};

    // One row per macro: its colour holder, its clear-first box, the text between its affixes.
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(3);
    grid->addWidget(Label1, 0, 1, Qt::AlignCenter);
    for (int m = 1; m <= kMacroCount; ++m) {
        const Row& row = rows_[static_cast<size_t>(m)];
        row.holder->setFixedWidth(90);
        grid->addWidget(row.holder, m, 0);
        if (row.check) grid->addWidget(row.check, m, 1, Qt::AlignCenter);
        if (row.text) grid->addWidget(row.text, m, 3);
        row.holder->installEventFilter(this);
    }
    grid->addWidget(txtStationPreambulo, kMacroStation, 2);
    grid->addWidget(txtEmailPreambulo, kMacroEmail, 2);
    grid->addWidget(txtCQFinal, kMacroCQ, 4);
    grid->addWidget(txtCQDXFinal, kMacroCQDX, 4);
    grid->addWidget(txtCall2Final, kMacroCall2, 4);
    for (QLineEdit* affix : {txtStationPreambulo, txtEmailPreambulo, txtCQFinal, txtCQDXFinal, txtCall2Final})
        affix->setFixedWidth(110);
    grid->setColumnMinimumWidth(2, 110);
    grid->setColumnMinimumWidth(4, 110);
    grid->setColumnStretch(3, 1);
    for (int m = 1; m < kMacroCount; ++m)
        rows_[static_cast<size_t>(m)].text->setMinimumWidth(420);

    auto* side = new QVBoxLayout;
    txtListaMacros->setFixedWidth(230);
    side->addWidget(txtListaMacros, 1);
    side->addWidget(cmdMacrosPorDefecto);
    side->addWidget(cmdColoresPorDefecto);
    side->addWidget(cmdOK);
    auto* all = new QHBoxLayout(this);
    all->addLayout(grid, 1);
    all->addLayout(side);

    connect(cmdMacrosPorDefecto, &QPushButton::clicked, this, [this] { cmdMacrosPorDefecto_Click(); });
    connect(cmdColoresPorDefecto, &QPushButton::clicked, this, [this] { cmdColoresPorDefecto_Click(); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
}

frmMacros::~frmMacros() = default;

void frmMacros::Form_Load() {
    for (QPushButton* button : {cmdOK, cmdMacrosPorDefecto, cmdColoresPorDefecto})
        PaintOkButton(button);
    cmdMacrosPorDefecto_Click();
    cmdColoresPorDefecto_Click();
    LoadMacros(links_.store, *this);
    QString list = ToQString(MacroListText());
    list.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));  // the box breaks lines at a line feed
    txtStationPreambulo->setText(QString::fromLatin1(kStationPrefix));
    txtListaMacros->setPlainText(list);
    // Long texts show from their start.
    for (int m = 1; m < kMacroCount; ++m)
        TextBox(m)->setCursorPosition(0);
    CopiarColoresMacros();
}

void frmMacros::cmdMacrosPorDefecto_Click() {
    for (int m = 1; m <= kMacroCount; ++m) {
        const MacroDefault& d = kDefaults[m];
        const Row& row = RowOf(m);
        if (d.text) row.text->setText(ToQString(d.text));
        if (row.check) row.check->setChecked(d.clearFirst);
        if (d.title) row.title->setText(ToQString(d.title));
    }
}

void frmMacros::cmdColoresPorDefecto_Click() {
    for (int m = 1; m <= kMacroCount; ++m)
        SetMacroColour(m, kDefaultColours[m]);
}

void frmMacros::cmdOK_Click() {
    SaveMacros(links_.store, *this);
    CopiarColoresMacros();
    accept();
}

void frmMacros::CopiarColoresMacros() {
    MacroLabels* labels = links_.labels;
    if (!labels) return;
    for (int m = 1; m <= kMacroCount; ++m)
        labels->SetLabelColour(MacroLabelNumber(m), MacroColour(m));
    for (int m = 1; m <= kMacroCount; ++m)
        if (const QLineEdit* title = RowOf(m).title)
            labels->SetLabelCaption(MacroLabelNumber(m), FromQString(title->text()));
    for (int m = 1; m <= kMacroCount; ++m)
        if (const QLineEdit* title = RowOf(m).title)
            labels->SetLabelVisible(MacroLabelNumber(m), !title->text().isEmpty());
}

void frmMacros::ShowColourPicker(int macro) {
    if (macro < 1 || macro > kMacroCount) return;
    QWidget* holder = ColourHolder(macro);
    const QPoint below = holder->mapToGlobal(QPoint(0, holder->height()));
    // The colour chosen arrives once the picker has been popped up and the number set.
    const std::optional<ColorRef> chosen = links_.chooser->ChooseColour(MacroColour(macro), below, this);
    OpenPickerNumber = static_cast<uint8_t>(macro);
    if (chosen) ApplyPickedColour(macro, *chosen);
}

void frmMacros::ApplyPickedColour(int macro, ColorRef colour) {
    if (macro != OpenPickerNumber) return;
    SetMacroColour(macro, colour);
}

bool frmMacros::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        for (int m = 1; m <= kMacroCount; ++m)
            if (RowOf(m).holder == watched) {
                ShowColourPicker(m);
                break;
            }
    }
    return QDialog::eventFilter(watched, event);
}

// ------------------------------------------------------------------ what the main window reads

const frmMacros::Row& frmMacros::RowOf(int macro) const {
    static const Row none;
    return macro >= 1 && macro <= kMacroCount ? rows_[static_cast<size_t>(macro)] : none;
}

std::string frmMacros::MacroText(int macro) const {
    const auto text = [](const QLineEdit* box) { return FromQString(box->text()); };
    switch (macro) {
        case kMacroCQ:
            return text(txtCQ) + text(txtCQFinal);
        case kMacroCQDX:
            return text(txtCQDX) + text(txtCQDXFinal);
        case kMacroCall2:
            return text(txtCALL2) + text(txtCall2Final);
        case kMacroStation:
            return text(txtStationPreambulo) + ". " + text(txtStation);
        case kMacroEmail:
            return text(txtEmailPreambulo) + text(txtEmail);
        default:
            return RowOf(macro).text ? text(RowOf(macro).text) : std::string();
    }
}

bool frmMacros::ClearFirst(int macro) const {
    const QCheckBox* box = RowOf(macro).check;
    return box && box->isChecked();
}

ColorRef frmMacros::MacroColour(int macro) const {
    return macro >= 1 && macro <= kMacroCount ? colours_[static_cast<size_t>(macro)] : 0;
}

void frmMacros::SetMacroColour(int macro, ColorRef colour) {
    if (macro < 1 || macro > kMacroCount) return;
    colours_[static_cast<size_t>(macro)] = colour;
    RowOf(macro).holder->setStyleSheet(QStringLiteral("background-color: %1").arg(ToQColor(colour).name()));
}

QCheckBox* frmMacros::ClearFirstBox(int macro) const {
    return RowOf(macro).check;
}

QLineEdit* frmMacros::TextBox(int macro) const {
    return RowOf(macro).text;
}

QLineEdit* frmMacros::TitleBox(int macro) const {
    return RowOf(macro).title;
}

QWidget* frmMacros::ColourHolder(int macro) const {
    return RowOf(macro).holder;
}

std::string frmMacros::MacroListText() {
    std::string list;
    for (const char* line : kMacroListLines) {
        list += line;
        list += "\r\n";
    }
    return list;
}

// ------------------------------------------------------------------ the "Macros" group

namespace {

struct CheckKey {
    const char* key;
    int macro;
};
constexpr CheckKey kCheckKeys[] = {
    {"ValorCQ", kMacroCQ},       {"ValorCQDX", kMacroCQDX},     {"ValorCall", kMacroCall},
    {"ValorCall2", kMacroCall2}, {"ValorMe", kMacroMe},         {"ValorMe2", kMacroMe2},
    {"ValorBye", kMacroBye},     {"ValorBye2", kMacroBye2},     {"ValorStation", kMacroStation},
    {"ValorSN", kMacroSN},       {"ValorQSL", kMacroQSL},       {"ValorQRZ", kMacroQRZ},
    {"ValorEmail", kMacroEmail}, {"ValorRST599", kMacroRST599}, {"ValorCustom1", kMacroCustom},
};

constexpr CheckKey kTitleKeys[] = {
    {"TituloCall", kMacroCall},      {"TituloCall2", kMacroCall2},   {"TituloMe", kMacroMe},
    {"TituloMe2", kMacroMe2},        {"TituloBye", kMacroBye},       {"TituloBye2", kMacroBye2},
    {"TituloRST599", kMacroRST599},  {"TituloQSL", kMacroQSL},       {"TituloQRZ", kMacroQRZ},
    {"TituloCustom1", kMacroCustom}, {"TituloRepeat", kMacroRepeat},
};

constexpr CheckKey kColourKeys[] = {
    {"ColorCQ", kMacroCQ},         {"ColorCQDX", kMacroCQDX}, {"ColorCall", kMacroCall},
    {"ColorCall2", kMacroCall2},   {"ColorMe", kMacroMe},     {"ColorMe2", kMacroMe2},
    {"ColorBye", kMacroBye},       {"ColorBye2", kMacroBye2}, {"ColorStation", kMacroStation},
    {"ColorEmail", kMacroEmail},   {"ColorSN", kMacroSN},     {"ColorRST599", kMacroRST599},
    {"ColorQSL", kMacroQSL},       {"ColorQRZ", kMacroQRZ},   {"ColorCustom1", kMacroCustom},
    {"ColorRepeat", kMacroRepeat},
};

struct TextKey {
    const char* key;
    int macro;
    size_t buffer;
    bool cqRule;  // a text that calls CQ is not stored
};
constexpr TextKey kTextKeys[] = {
    {"S/N", kMacroSN, kTextBuffer, true},           {"CQ DX", kMacroCQDX, kTextBuffer, false},
    {"Me2", kMacroMe2, kTextBuffer, true},          {"Bye2", kMacroBye2, kTextBuffer, true},
    {"QRZ", kMacroQRZ, kTextBuffer, true},          {"RST599", kMacroRST599, kTextBuffer, true},
    {"Station", kMacroStation, kTextBuffer, false}, {"Email", kMacroEmail, kTextBuffer, true},
    {"CQ16y8", kMacroCQ, kTextBuffer, false},       {"CALL3", kMacroCall2, kTextBuffer, true},
    {"CALL16y8", kMacroCall, kTextBuffer, true},    {"ME", kMacroMe, kTextBuffer, true},
    {"BYE16y8", kMacroBye, kTextBuffer, true},      {"Custom16y8", kMacroCustom, kCustomBuffer, true},
    {"QSL16y8", kMacroQSL, kTextBuffer, true},
};

// The order in which loaded titles of "*" become empty.
constexpr int kStarTitles[] = {kMacroCall, kMacroCall2, kMacroMe,     kMacroMe2,    kMacroBye,   kMacroBye2,
                               kMacroQSL,  kMacroQRZ,   kMacroRST599, kMacroCustom, kMacroRepeat};

// A stored whole number, rounded half to even; nullopt when it lies outside [low, high].
std::optional<int64_t> Whole(const std::string& text, double low, double high) {
    const double n = RoundHalfEven(Val(text));
    if (!(n >= low && n <= high)) return std::nullopt;
    return static_cast<int64_t>(n);
}

}  // namespace

uint8_t MacroHasNoCq(const std::string& text) {
    std::string upper = text;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    upper += ' ';
    return upper.find(" CQ ") == std::string::npos ? 1 : 0;
}

void LoadMacros(ProfileStore& store, frmMacros& w) {
    const std::string section = store.Section(kSection);
    // A check value other than 0 or 1, or a colour beyond the 24 bits of red, green and blue, is left out.
    for (const CheckKey& k : kCheckKeys)
        if (const auto v = store.Read(section, k.key, kShortBuffer))
            if (const auto n = Whole(*v, 0, 1)) w.ClearFirstBox(k.macro)->setChecked(*n == 1);
    for (const CheckKey& k : kTitleKeys)
        if (const auto v = store.Read(section, k.key, kShortBuffer))
            w.TitleBox(k.macro)->setText(ToQString(*v));
    for (const CheckKey& k : kColourKeys)
        if (const auto v = store.Read(section, k.key, kShortBuffer))
            if (const auto n = Whole(*v, 0, 0xFFFFFF)) w.SetMacroColour(k.macro, static_cast<ColorRef>(*n));
    for (const TextKey& k : kTextKeys)
        if (const auto v = store.Read(section, k.key, k.buffer)) w.TextBox(k.macro)->setText(ToQString(*v));
    for (int m : kStarTitles)
        if (w.TitleBox(m)->text() == QStringLiteral("*")) w.TitleBox(m)->clear();
}

void SaveMacros(ProfileStore& store, frmMacros& w) {
    const std::string section = store.Section(kSection);
    for (const CheckKey& k : kCheckKeys)
        store.Write(section, k.key, Str(w.ClearFirst(k.macro) ? 1 : 0));
    for (const CheckKey& k : kTitleKeys) {
        const std::string title = FromQString(w.TitleBox(k.macro)->text());
        store.Write(section, k.key, title.empty() ? "*" : title);
    }
    for (const CheckKey& k : kColourKeys)
        store.Write(section, k.key, Str(w.MacroColour(k.macro)));
    for (const TextKey& k : kTextKeys) {
        const std::string text = FromQString(w.TextBox(k.macro)->text());
        if (!k.cqRule || MacroHasNoCq(text) == 1) store.Write(section, k.key, text);
    }
}

}  // namespace muv
