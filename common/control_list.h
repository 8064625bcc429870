// Every named control of the main window, once, with its kind: the window declares its members from this
// list, the controls face takes its ids from it (Control), and the window's table of names is made from
// it. The controls that the modem reads and sets come first, up to cmdClearVentanaTX. Arrays of controls
// (the clock digits, the menu items) are declared by the window itself.
#pragma once

#define MUV_MAIN_WINDOW_CONTROLS(X) \
    /* status boxes */ \
    X(TextBox, txtModo) \
    X(TextBox, txtSN) \
    X(TextBox, txtViterbi) \
    X(TextBox, txtAFC) \
    X(TextBox, txtSincronismo) \
    X(TextBox, txtAdquisicionInicial) \
    X(TextBox, txtAdquisicionFinal) \
    X(TextBox, txtVU) \
    X(TextBox, txtCPU) \
    X(TextBox, txtTemporizador1Baudio) \
    X(TextBox, txtTemporizadorBeacon) \
    X(TextBox, txtTonoDePrueba) \
    X(TextBox, txtTransmitting) \
    /* buttons and labels */ \
    X(CommandButton, cmdTX_RX) \
    X(TextBox, lblSN) \
    X(PictureBox, pctCancelFrame) \
    /* ON/OFF images of the choices */ \
    X(PictureBox, imgONBeacon) \
    X(PictureBox, imgOFFBeacon) \
    X(PictureBox, imgONWaterFall) \
    X(PictureBox, imgONAlarm) \
    X(PictureBox, imgAFC200) \
    X(PictureBox, imgRXON1) \
    X(PictureBox, imgRXON2) \
    X(PictureBox, imgRXON3) \
    X(PictureBox, imgRXON1MF) \
    X(PictureBox, imgRXON2MF) \
    X(PictureBox, imgRXON3MF) \
    X(PictureBox, imgBaudON1) \
    X(PictureBox, imgBaudON2) \
    X(PictureBox, imgBaudON2MF) \
    X(PictureBox, imgTuneON) \
    X(PictureBox, imgTuneOFF) \
    /* panels */ \
    X(Frame, fraSymbolRateHF) \
    /* the scan indicator, the frequency box (kHz) and the partner's callsign box */ \
    X(PictureBox, imgScanON) \
    X(TextField, txtFrecuencia) \
    X(TextField, txtDestination) \
    /* the other halves of the choice pairs, the option frames, and the boxes and pictures that other */ \
    /* windows show or hide */ \
    X(PictureBox, imgOFFWaterFall) \
    X(PictureBox, imgOFFAlarm) \
    X(PictureBox, imgAFC50) \
    X(PictureBox, imgRXOFF1) \
    X(PictureBox, imgRXOFF2) \
    X(PictureBox, imgRXOFF3) \
    X(PictureBox, imgRXOFF1MF) \
    X(PictureBox, imgRXOFF2MF) \
    X(PictureBox, imgRXOFF3MF) \
    X(PictureBox, imgBaudON3) \
    X(PictureBox, imgBaudOFF1) \
    X(PictureBox, imgBaudOFF2) \
    X(PictureBox, imgBaudOFF3) \
    X(PictureBox, imgBaudON3MF) \
    X(PictureBox, imgBaudOFF2MF) \
    X(PictureBox, imgBaudOFF3MF) \
    X(PictureBox, imgScanOFF) \
    X(Frame, fraSymbolRateMF) \
    X(Frame, fraShiftRange) \
    X(Frame, fraWaterFall) \
    X(Frame, fraBeacon) \
    X(Frame, fraTune) \
    X(Frame, fraScan) \
    X(Frame, fraAlarma) \
    X(TextBox, lblAFCAmplio) \
    X(TextBox, lblAFCEstrecho) \
    X(WaterfallBox, pctWaterfall) \
    X(PictureBox, pctDetenerAlarma) \
    X(TextBox, txtPosicionCursor) \
    X(TextBox, txtEmail) \
    X(TextBox, txtMute) \
    X(TextBox, txtTemporizadorScan) \
    X(CommandButton, cmdClearScreen) \
    X(CommandButton, cmdClearVentanaTX) \
    /* the transmit volume slider and its caption */ \
    X(QSlider, sldVolumen) \
    X(TextBox, lblTXVU) \
    /* the rest of the window: receive and transmit windows */ \
    X(RichTextBox, rtfVentanaRX) \
    X(RichTextBox, rtfVentanaTX) \
    /* macro labels, in their two rows */ \
    X(TextBox, lblCQ) \
    X(TextBox, lblCall) \
    X(TextBox, lblMe) \
    X(TextBox, lblBye) \
    X(TextBox, lblStation) \
    X(TextBox, lblQSL) \
    X(TextBox, lblCustom) \
    X(TextBox, lblCQDX) \
    X(TextBox, lblCALL2) \
    X(TextBox, lblMe2) \
    X(TextBox, lblBye2) \
    X(TextBox, lblEmail) \
    X(TextBox, lblRST599) \
    X(TextBox, lblQRZ) \
    X(TextBox, lblRepeat) \
    X(TextBox, lblPais) \
    /* channel boxes of the frequency panel (hidden until their band is tuned) */ \
    X(TextBox, txt3583) \
    X(TextBox, txt3585) \
    X(TextBox, txt7040) \
    X(TextBox, txt7042) \
    X(TextBox, txt7044) \
    X(TextBox, txt10144) \
    X(TextBox, txt10145) \
    X(TextBox, txt14078) \
    X(TextBox, txt14101) \
    X(TextBox, txt14103) \
    X(TextBox, txt14113) \
    X(TextBox, txt18111) \
    X(TextBox, txt18113) \
    X(TextBox, txt21110) \
    X(TextBox, txt21114) \
    /* meters (numbers 1, 2, 4 to 9), waterfall and clock */ \
    X(MeterBox, pctOffsetFrecuencia) \
    X(MeterBox, pctJitter) \
    X(MeterBox, pctErrores) \
    X(MeterBox, pctSimbolosCoincidentes) \
    X(MeterBox, pctCPU) \
    X(MeterBox, pctTramaFinal) \
    X(MeterBox, pctVumetro) \
    X(MeterBox, pctRelacionSN) \
    X(PictureBox, pctReloj) \
    /* picture buttons */ \
    X(PictureBox, pctFlechaArriba) \
    X(PictureBox, pctFlechaAbajo) \
    X(PictureBox, pctADIF) \
    X(PictureBox, imgBandera) \
    X(PictureBox, imgQRZ) \
    /* cluster panel: the DX-cluster row and the chat row */ \
    X(TextBox, txtClusterFrecuencia) \
    X(TextBox, txtClusterHora) \
    X(TextBox, txtClusterFrecuencia2) \
    X(TextBox, txtClusterHora2) \
    X(RichTextBox, rtfClusterComentario) \
    X(RichTextBox, rtfClusterComentario2) \
    X(PictureBox, pctClusterLink) \
    X(PictureBox, pctBorrarMensaje) \
    X(PictureBox, pctClusterLink2) \
    X(PictureBox, pctBorrarMensaje2) \
    X(QTextBrowser, WebBrowserEQSL) \
    /* option frames and their switches */ \
    X(TextBox, lblRXHF) \
    X(TextBox, lblTXHF) \
    X(TextBox, lblRXMF) \
    X(TextBox, lblTXMF)
