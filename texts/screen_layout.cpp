#include "texts/screen_layout.h"

#include <array>
#include <initializer_list>

namespace muv {

namespace {

enum class Property { Left, Top, Width, Height };

// One row of the per-layout table: the controls it names all take the value of the layout's column.
struct LayoutRow {
    std::initializer_list<std::string_view> controls;
    Property property;
    std::array<float, 7> values;  // layouts 1 to 7
};

constexpr std::array<ScreenSize, 7> kScreens = {
    {{1024, 768}, {1024, 600}, {1280, 1024}, {1280, 960}, {1280, 768}, {1280, 720}, {1280, 600}}};

// The client area of the narrow layouts, whose window is not maximised: as wide as the screen leaves it
// beside the frame, as high as the lowest control (the waterfall) and a small margin.
constexpr std::array<ScreenSize, 2> kNarrowClientAreas = {{{1017, 689}, {1017, 547}}};

// Per layout, everything below the receive window stands as a block: the meters, the option frames, the
// macro labels, the transmit window and at the bottom the waterfall. On a 600-line screen (layouts 2
// and 7) the waterfall gets 81 rows, as on a 720-line one, and the block stands 56 pixels higher than
// on a 768-line one, the receive window giving up that height, so that the waterfall ends on the screen.
const std::initializer_list<LayoutRow>& LayoutTable() {
    using P = Property;
    static const std::initializer_list<LayoutRow> table = {
        {{"rtfVentanaRX", "rtfVentanaTX", "pctWaterfall"},
         P::Width,
         {1001, 1001, 1257, 1257, 1257, 1257, 1257}},
        {{"rtfVentanaRX"}, P::Height, {269, 153, 523, 463, 327, 307, 211}},
        {{"rtfVentanaTX"}, P::Top, {540, 424, 736, 676, 540, 520, 424}},
        {{"pctSimbolosCoincidentes", "pctTramaFinal", "pctJitter", "pctOffsetFrecuencia", "pctErrores",
          "pctRelacionSN"},
         P::Top,
         {276, 160, 528, 468, 332, 312, 216}},
        {{"pctVumetro", "pctCPU"}, P::Top, {380, 264, 528, 468, 332, 312, 216}},
        {{"txtAdquisicionInicial", "txtAdquisicionFinal", "txtSincronismo", "txtAFC", "txtViterbi", "txtSN"},
         P::Top,
         {353, 237, 605, 545, 409, 389, 293}},
        {{"pctSimbolosCoincidentes", "txtAdquisicionInicial"}, P::Left, {24, 24, 328, 328, 328, 328, 328}},
        {{"pctTramaFinal", "txtAdquisicionFinal"}, P::Left, {184, 184, 488, 488, 488, 488, 488}},
        {{"pctJitter", "txtSincronismo"}, P::Left, {344, 344, 648, 648, 648, 648, 648}},
        {{"pctOffsetFrecuencia", "txtAFC"}, P::Left, {512, 512, 808, 808, 808, 808, 808}},
        {{"pctErrores", "txtViterbi"}, P::Left, {680, 680, 968, 968, 968, 968, 968}},
        {{"pctRelacionSN", "txtSN"}, P::Left, {848, 848, 1120, 1120, 1120, 1120, 1120}},
        {{"pctVumetro", "txtVU"}, P::Left, {24, 24, 8, 8, 8, 8, 8}},
        {{"pctCPU", "txtCPU"}, P::Left, {184, 184, 168, 168, 168, 168, 168}},
        {{"txtTransmitting"}, P::Top, {340, 224, 544, 484, 348, 328, 232}},
        {{"txtTransmitting"}, P::Left, {384, 384, 544, 544, 544, 544, 600}},
        {{"cmdTX_RX"}, P::Top, {484, 368, 680, 620, 484, 464, 368}},
        {{"cmdTX_RX"}, P::Left, {944, 944, 1208, 1208, 1208, 1208, 1208}},
        {{"fraAlarma"}, P::Top, {388, 272, 642, 582, 446, 426, 330}},
        {{"fraAlarma"}, P::Left, {340, 340, 8, 8, 8, 8, 8}},
        {{"txtModo"}, P::Top, {388, 272, 640, 580, 444, 424, 328}},
        {{"txtModo"}, P::Left, {872, 872, 824, 824, 824, 824, 824}},
        {{"txtDestination"}, P::Top, {508, 392, 642, 582, 446, 426, 330}},
        {{"txtDestination", "lblPais"}, P::Left, {8, 8, 488, 488, 488, 488, 488}},
        {{"lblCQ"}, P::Top, {480, 364, 676, 616, 480, 460, 364}},
        {{"lblCQ"}, P::Left, {216, 216, 488, 488, 488, 488, 488}},
        {{"pctWaterfall"}, P::Top, {580, 464, 776, 716, 580, 560, 464}},
        {{"pctWaterfall"}, P::Height, {101, 81, 161, 161, 101, 81, 81}},
        {{"txtPosicionCursor"}, P::Top, {588, 472, 784, 724, 588, 568, 472}},
        {{"txtPosicionCursor"}, P::Height, {19, 19, 19, 19, 19, 19, 19}},
        {{"txtFrecuencia", "txt14078"}, P::Left, {708, 708, 964, 964, 964, 964, 964}},
        {{"cmdClearScreen"}, P::Left, {936, 936, 1192, 1192, 1192, 1192, 1192}},
        {{"pctReloj"}, P::Left, {835, 835, 1091, 1091, 1091, 1091, 1091}},
    };
    return table;
}

void Set(ControlGeometry& form, std::string_view control, Property property, float value) {
    switch (property) {
        case Property::Left:
            form.SetLeft(control, value);
            break;
        case Property::Top:
            form.SetTop(control, value);
            break;
        case Property::Width:
            form.SetWidth(control, value);
            break;
        case Property::Height:
            form.SetHeight(control, value);
            break;
    }
}

float RightOf(const ControlGeometry& form, std::string_view control) {
    return form.Left(control) + form.Width(control);
}

// Each control of a row after the one before it, `gap` pixels apart; the first keeps its place.
void FollowInRow(ControlGeometry& form, std::initializer_list<std::string_view> row, float gap) {
    const std::string_view* previous = nullptr;
    for (const std::string_view& control : row) {
        if (previous) form.SetLeft(control, RightOf(form, *previous) + gap);
        previous = &control;
    }
}

void ApplyRelativeRules(ControlGeometry& form, int16_t index) {
    // The e-mail result sits just left of the transmit indicator.
    form.SetTop("txtEmail", form.Top("txtTransmitting"));
    form.SetLeft("txtEmail", form.Left("txtTransmitting") - 40);

    // Frequency arrows right of the frequency box.
    const float arrows = RightOf(form, "txtFrecuencia") + 1;
    form.SetLeft("pctFlechaArriba", arrows);
    form.SetLeft("pctFlechaAbajo", arrows);

    // The channel boxes: four columns spaced by the width of the first box plus 6.
    const float column = form.Width("txt14078") + 6;
    const float first = form.Left("txt14078");
    form.SetLeft("txt14101", first + column);
    form.SetLeft("txt14103", first + 2 * column);
    form.SetLeft("txt14113", first + 3 * column);

    form.SetLeft("pctCancelFrame", form.Left("txt14078"));
    form.SetLeft("pctDetenerAlarma", form.Left("pctCancelFrame") + form.Width("pctDetenerAlarma") + 8);

    const float channelTop = form.Top("txt14078");
    for (std::string_view box : {"txt3583", "txt3585", "txt7040", "txt7042", "txt7044", "txt10144",
                                 "txt10145", "txt18111", "txt18113", "txt21110", "txt21114"})
        form.SetTop(box, channelTop);
    form.SetLeft("txt7040", form.Left("txt14101"));
    for (std::string_view box : {"txt3583", "txt7042", "txt10144", "txt18111", "txt21110"})
        form.SetLeft(box, form.Left("txt14103"));
    for (std::string_view box : {"txt3585", "txt7044", "txt10145", "txt18113", "txt21114"})
        form.SetLeft(box, form.Left("txt14113"));

    // The upload browser centred over the transmit indicator.
    form.SetLeft("WebBrowserEQSL", form.Left("txtTransmitting") -
                                       (form.Width("WebBrowserEQSL") - form.Width("txtTransmitting")) / 2);
    form.SetTop("WebBrowserEQSL", form.Top("txtTransmitting"));

    form.SetLeft("imgBandera", RightOf(form, "txtDestination") + 5);
    form.SetTop("imgBandera", form.Top("txtDestination") + 1);

    // The option frames in one row after the alarm frame; the HF and MF rate frames share one place.
    form.SetLeft("fraShiftRange", RightOf(form, "fraAlarma") + 4);
    form.SetLeft("fraSymbolRateMF", RightOf(form, "fraShiftRange") + 4);
    form.SetLeft("fraSymbolRateHF", RightOf(form, "fraShiftRange") + 4);
    form.SetLeft("fraWaterFall", RightOf(form, "fraSymbolRateMF") + 4);
    form.SetLeft("fraBeacon", RightOf(form, "fraWaterFall") + 4);
    form.SetLeft("fraTune", RightOf(form, "fraBeacon") + 4);
    form.SetLeft("fraScan", RightOf(form, "fraTune") + 4);
    for (std::string_view frame : {"fraShiftRange", "fraSymbolRateMF", "fraSymbolRateHF", "fraWaterFall",
                                   "fraBeacon", "fraScan", "fraTune"})
        form.SetTop(frame, form.Top("fraAlarma"));

    // Meter captions under their meters; the volume slider takes the level box's place.
    form.SetTop("txtCPU", form.Top("pctCPU") + form.Height("pctCPU"));
    form.SetTop("txtVU", form.Top("pctVumetro") + form.Height("pctVumetro"));
    form.SetTop("sldVolumen", form.Top("txtVU") - 4);
    form.SetTop("txtMute", form.Top("pctVumetro") + 22);
    form.SetLeft("txtMute", form.Left("pctVumetro") + 56);
    form.SetTop("lblTXVU", form.Top("sldVolumen") + 8);
    form.SetLeft("lblTXVU", form.Left("sldVolumen") - form.Width("lblTXVU") - 3);

    form.SetLeft("txtTemporizadorScan", form.Left("txt14103") + 47);

    form.SetTop("imgQRZ", form.Top("imgBandera"));
    form.SetLeft("imgQRZ", RightOf(form, "imgBandera") + 8);

    if (index == 1 || index == 2) {
        form.SetWidth("rtfClusterComentario", 530);
        form.SetTop("pctADIF", form.Top("txtModo") + 40);
        form.SetLeft("pctADIF", form.Left("txtModo") + 50);
        form.SetLeft("txtTemporizadorBeacon", RightOf(form, "fraScan") + 4);
        form.SetTop("txtTemporizadorBeacon", form.Top("pctADIF"));
    } else {
        form.SetWidth("rtfClusterComentario", 650);
        form.SetTop("pctADIF", form.Top("txtModo"));
        form.SetLeft("pctADIF", form.Left("txtModo") - form.Width("pctADIF") - 20);
        form.SetLeft("txtTemporizadorBeacon", RightOf(form, "txtModo") + 20);
        form.SetTop("txtTemporizadorBeacon", form.Top("txtModo"));
    }
    // The test-tone and slow-mode countdown boxes share the beacon countdown's place.
    for (std::string_view box : {"txtTonoDePrueba", "txtTemporizador1Baudio"}) {
        form.SetTop(box, form.Top("txtTemporizadorBeacon"));
        form.SetLeft(box, form.Left("txtTemporizadorBeacon"));
    }

    // Cluster row: the time box after the comment, then the two buttons.
    form.SetLeft("txtClusterHora",
                 RightOf(form, "txtClusterFrecuencia") + form.Width("rtfClusterComentario") - 2);
    form.SetLeft("pctClusterLink", RightOf(form, "txtClusterHora") + 5);
    form.SetLeft("pctBorrarMensaje", RightOf(form, "pctClusterLink") + 5);
    form.SetWidth("rtfClusterComentario2", form.Width("rtfClusterComentario"));

    // Macro labels in two rows, each label after the one before it.
    const float firstRow = form.Top("lblCQ");
    for (std::string_view label :
         {"lblCall", "lblMe", "lblBye", "lblStation", "lblSN", "lblQSL", "lblCustom"})
        form.SetTop(label, firstRow);
    form.SetTop("lblCQDX", form.Top("lblCQ") + form.Height("lblCQ") + 4);
    const float secondRow = form.Top("lblCQDX");
    for (std::string_view label :
         {"lblCALL2", "lblMe2", "lblBye2", "lblEmail", "lblRST599", "lblQRZ", "lblRepeat"})
        form.SetTop(label, secondRow);
    FollowInRow(form, {"lblCQ", "lblCall", "lblMe", "lblBye", "lblStation", "lblSN", "lblQSL", "lblCustom"},
                6);
    form.SetLeft("lblCQDX", form.Left("lblCQ"));
    FollowInRow(form,
                {"lblCQDX", "lblCALL2", "lblMe2", "lblBye2", "lblEmail", "lblRST599", "lblQRZ", "lblRepeat"},
                6);

    form.SetTop("cmdClearVentanaTX", form.Top("cmdTX_RX"));
    form.SetLeft("cmdClearVentanaTX", form.Left("cmdTX_RX") - form.Width("cmdTX_RX") - 10);

    form.SetTop("lblPais", form.Top("txtDestination") - form.Height("lblPais"));

    // The chat row under the cluster row.
    form.SetLeft("pctClusterLink2", form.Left("pctClusterLink"));
    form.SetLeft("pctBorrarMensaje2", form.Left("pctBorrarMensaje"));
    form.SetLeft("txtClusterHora2", form.Left("txtClusterHora"));
    form.SetLeft("rtfClusterComentario2", form.Left("rtfClusterComentario"));
    form.SetLeft("txtClusterFrecuencia2", form.Left("txtClusterFrecuencia"));
}

}  // namespace

ScreenSize LayoutScreen(int16_t index) {
    return index >= 1 && index <= 7 ? kScreens[static_cast<size_t>(index - 1)] : ScreenSize{};
}

void ApplyScreenLayout(ControlGeometry& form, int16_t index) {
    if (index >= 1 && index <= 7) {
        const size_t column = static_cast<size_t>(index - 1);
        form.SetWindowState(index <= 2 ? kWindowStateNormal : kWindowStateMaximised);
        if (index <= 2)
            form.SetClientSize(kNarrowClientAreas[column].width, kNarrowClientAreas[column].height);
        for (const LayoutRow& row : LayoutTable())
            for (std::string_view control : row.controls)
                Set(form, control, row.property, row.values[column]);
        form.SetWaterfallTopPixels(static_cast<int16_t>(form.Top("pctWaterfall") + kWindowFrameTop));
        // The clock's digits and marks keep their places inside the clock picture.
        constexpr std::array<std::pair<std::string_view, float>, 7> kClockParts = {{{"imgFondo(0)", 180},
                                                                                    {"imgFondo(1)", 435},
                                                                                    {"imgFondo(2)", 795},
                                                                                    {"imgFondo(3)", 1050},
                                                                                    {"imgFondo(8)", 1300},
                                                                                    {"imgFondo(9)", 0},
                                                                                    {"imgFondo(11)", 690}}};
        for (const auto& [part, left] : kClockParts)
            form.SetLeft(part, left);
    }
    ApplyRelativeRules(form, index);
}

}  // namespace muv
