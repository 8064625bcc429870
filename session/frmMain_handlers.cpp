// The main window's event handlers. Each control event of the window calls the method named after the
// control and the event; the behaviour of each belongs here, handler by handler.
#include "frmMain.h"

namespace muv {

// --- window events ---
void frmMain::Form_Load() {}
void frmMain::Form_Unload() {}

// --- menu events ---
void frmMain::mnuOperator_Click() {}
void frmMain::mnuMacros_Click() {}
void frmMain::mnuEmail_Click() {}
void frmMain::mnuLog_Click() {}
void frmMain::mnuEQSL_Click() {}
void frmMain::mnuRig_Click() {}
void frmMain::mnuTarjetaSonido_Click() {}
void frmMain::mnuAlarma_Click() {}
void frmMain::mnuUserProfiles_Click() {}
void frmMain::mnuResolucion_Click(int) {}
void frmMain::mnuFont_Click(int) {}
void frmMain::mnuColour_Click(int) {}
void frmMain::mnuEstiloMenu_Click(int) {}
void frmMain::mnuTipoIdioma_Click(int) {}
void frmMain::mnuBeacon_Click() {}
void frmMain::mnuScan_Click() {}
void frmMain::mnuFrequenciesList_Click(int) {}
void frmMain::mnuSkedsOpcion_Click(int) {}
void frmMain::mnuEstadisticas_Click() {}
void frmMain::mnuListaUsuarios_Click(int) {}
void frmMain::mnuShortcuts_Click() {}
void frmMain::mnuMuvSite_Click() {}
void frmMain::mnuMuvFacebook_Click() {}
void frmMain::mnuAbout_Click() {}
void frmMain::mnuDonate_Click() {}

// --- switch pictures ---
void frmMain::imgRXOFF1_Click() {}
void frmMain::imgRXOFF2_Click() {}
void frmMain::imgRXOFF3_Click() {}
void frmMain::imgRXOFF1MF_Click() {}
void frmMain::imgRXOFF2MF_Click() {}
void frmMain::imgRXOFF3MF_Click() {}
void frmMain::imgBaudOFF1_Click() {}
void frmMain::imgBaudOFF2_Click() {}
void frmMain::imgBaudOFF3_Click() {}
void frmMain::imgBaudOFF2MF_Click() {}
void frmMain::imgBaudOFF3MF_Click() {}
void frmMain::imgAFC200_Click() {}
void frmMain::imgAFC50_Click() {}
void frmMain::imgONWaterFall_Click() {}
void frmMain::imgOFFWaterFall_Click() {}
void frmMain::imgONAlarm_Click() {}
void frmMain::imgOFFAlarm_Click() {}
void frmMain::imgONBeacon_Click() {}
void frmMain::imgOFFBeacon_Click() {}
void frmMain::imgTuneON_Click() {}
void frmMain::imgTuneOFF_Click() {}
void frmMain::imgScanON_Click() {}
void frmMain::imgScanOFF_Click() {}

// --- picture buttons ---
void frmMain::pctCancelFrame_Click() {}
void frmMain::pctDetenerAlarma_Click() {}
void frmMain::pctFlechaArriba_Click() {}
void frmMain::pctFlechaArriba_DblClick() {}
void frmMain::pctFlechaAbajo_Click() {}
void frmMain::pctFlechaAbajo_DblClick() {}
void frmMain::pctADIF_Click() {}
void frmMain::imgQRZ_Click() {}
void frmMain::imgQRZ_MouseMove(int, int, float, float) {}
void frmMain::pctClusterLink_Click() {}
void frmMain::pctClusterLink2_Click() {}
void frmMain::pctBorrarMensaje_Click() {}
void frmMain::pctBorrarMensaje2_Click() {}

// --- buttons, boxes and the slider ---
void frmMain::cmdTX_RX_Click() {}
void frmMain::cmdClearScreen_Click() {}
void frmMain::cmdClearVentanaTX_Click() {}
void frmMain::cmdClearVentanaTX_MouseMove(int, int, float, float) {}
void frmMain::txtFrecuencia_Change() {}
void frmMain::txtFrecuencia_Click() {}
void frmMain::txtDestination_Change() {}
void frmMain::txtDestination_Click() {}
void frmMain::txtMute_Click() {}
void frmMain::sldVolumen_Change() {}
void frmMain::sldVolumen_Scroll() {}

// --- channel boxes ---
void frmMain::txt3583_Click() {}
void frmMain::txt3585_Click() {}
void frmMain::txt7040_Click() {}
void frmMain::txt7042_Click() {}
void frmMain::txt7044_Click() {}
void frmMain::txt10144_Click() {}
void frmMain::txt10145_Click() {}
void frmMain::txt14078_Click() {}
void frmMain::txt14101_Click() {}
void frmMain::txt14103_Click() {}
void frmMain::txt14113_Click() {}
void frmMain::txt18111_Click() {}
void frmMain::txt18113_Click() {}
void frmMain::txt21110_Click() {}
void frmMain::txt21114_Click() {}

// --- macro labels: Click, MouseMove (tool tip) and MouseDown (right button) ---
void frmMain::lblCQ_Click() {}
void frmMain::lblCQDX_Click() {}
void frmMain::lblCall_Click() {}
void frmMain::lblCALL2_Click() {}
void frmMain::lblMe_Click() {}
void frmMain::lblMe2_Click() {}
void frmMain::lblBye_Click() {}
void frmMain::lblBye2_Click() {}
void frmMain::lblStation_Click() {}
void frmMain::lblEmail_Click() {}
void frmMain::lblSN_Click() {}
void frmMain::lblRST599_Click() {}
void frmMain::lblQSL_Click() {}
void frmMain::lblQRZ_Click() {}
void frmMain::lblCustom_Click() {}
void frmMain::lblRepeat_Click() {}
void frmMain::lblCQ_MouseMove(int, int, float, float) {}
void frmMain::lblCQDX_MouseMove(int, int, float, float) {}
void frmMain::lblCall_MouseMove(int, int, float, float) {}
void frmMain::lblCALL2_MouseMove(int, int, float, float) {}
void frmMain::lblMe_MouseMove(int, int, float, float) {}
void frmMain::lblMe2_MouseMove(int, int, float, float) {}
void frmMain::lblBye_MouseMove(int, int, float, float) {}
void frmMain::lblBye2_MouseMove(int, int, float, float) {}
void frmMain::lblStation_MouseMove(int, int, float, float) {}
void frmMain::lblEmail_MouseMove(int, int, float, float) {}
void frmMain::lblSN_MouseMove(int, int, float, float) {}
void frmMain::lblRST599_MouseMove(int, int, float, float) {}
void frmMain::lblQSL_MouseMove(int, int, float, float) {}
void frmMain::lblQRZ_MouseMove(int, int, float, float) {}
void frmMain::lblCustom_MouseMove(int, int, float, float) {}
void frmMain::lblRepeat_MouseMove(int, int, float, float) {}
void frmMain::lblCQ_MouseDown(int, int, float, float) {}
void frmMain::lblCQDX_MouseDown(int, int, float, float) {}
void frmMain::lblCall_MouseDown(int, int, float, float) {}
void frmMain::lblCALL2_MouseDown(int, int, float, float) {}
void frmMain::lblMe_MouseDown(int, int, float, float) {}
void frmMain::lblMe2_MouseDown(int, int, float, float) {}
void frmMain::lblBye_MouseDown(int, int, float, float) {}
void frmMain::lblBye2_MouseDown(int, int, float, float) {}
void frmMain::lblStation_MouseDown(int, int, float, float) {}
void frmMain::lblEmail_MouseDown(int, int, float, float) {}
void frmMain::lblSN_MouseDown(int, int, float, float) {}
void frmMain::lblRST599_MouseDown(int, int, float, float) {}
void frmMain::lblQSL_MouseDown(int, int, float, float) {}
void frmMain::lblQRZ_MouseDown(int, int, float, float) {}
void frmMain::lblCustom_MouseDown(int, int, float, float) {}
void frmMain::lblRepeat_MouseDown(int, int, float, float) {}

// --- text windows: KeyDown may set KeyCode to 0, KeyPress may change or drop KeyAscii ---
void frmMain::rtfVentanaRX_KeyDown(int&, int) {}
void frmMain::rtfVentanaRX_KeyUp(int&, int) {}
void frmMain::rtfVentanaRX_MouseUp(int, int, float, float) {}
void frmMain::rtfVentanaTX_KeyDown(int&, int) {}
void frmMain::rtfVentanaTX_KeyPress(int&) {}
void frmMain::rtfClusterComentario_MouseUp(int, int, float, float) {}
void frmMain::rtfClusterComentario2_MouseUp(int, int, float, float) {}

// --- timer ticks (the cursor read-out, tmrPosicionCursor_Timer, is display only: frmMain.cpp) ---
void frmMain::tmrRX_Timer() {}
void frmMain::tmrTXTonoPiloto_Timer() {}
void frmMain::tmrTX_Timer() {}
void frmMain::tmrTonoTest_Timer() {}
void frmMain::tmrRefrescoVumetro_Timer() {}
void frmMain::tmrRefrescoMetrica_Timer() {}
void frmMain::tmrRefrescoAdquisicion_Timer() {}
void frmMain::tmrRefrescoAdquisicionMaxima_Timer() {}
void frmMain::tmrRefrescoAdquisicionFinal_Timer() {}
void frmMain::tmrRefrescoAdquisicionMaximaFinal_Timer() {}
void frmMain::tmrRefrescoCPU_Timer() {}
void frmMain::tmrCPUProteccion_Timer() {}
void frmMain::tmrEmail_Timer() {}
void frmMain::tmrVolumenBeacon_Timer() {}
void frmMain::tmrCancelFrame_Timer() {}
void frmMain::tmrProcesarFinal_Timer() {}
void frmMain::tmrTemporizador1Baudio_Timer() {}
void frmMain::tmrBeacon_Timer() {}
void frmMain::tmrAlarma_Timer() {}
void frmMain::tmrTransmitting_Timer() {}
void frmMain::tmrUTC_Timer() {}
void frmMain::tmrResetTarjetaSonido_Timer() {}
void frmMain::tmrVolumenSlider_Timer() {}
void frmMain::tmrTeclas_Timer() {}
void frmMain::tmrScan_Timer() {}
void frmMain::tmrCambiarFrecuenciaCAT_Timer() {}
void frmMain::tmrPSKreporter_Timer() {}
void frmMain::tmrEQSL_Timer() {}
void frmMain::tmrADIFCallsignChange_Timer() {}
void frmMain::tmrClusterLogin_Timer() {}
void frmMain::tmrClusterComprobarConexion_Timer() {}
void frmMain::tmrConexionServidorAuxiliar_Timer() {}
void frmMain::tmrOnline_Timer() {}
void frmMain::tmrEnviarSpotPublico_Timer() {}
void frmMain::tmrEnviarEmail_Timer() {}

}  // namespace muv
