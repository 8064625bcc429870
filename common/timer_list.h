// Every timer of the main window, once: the timer ids (TimerId), the window's timer members and their
// handlers (name_Timer), and the window's table of timers are all made from this list.
#pragma once

#define MUV_MAIN_WINDOW_TIMERS(X) \
    X(tmrRX) \
    X(tmrTXTonoPiloto) \
    X(tmrTX) \
    X(tmrTonoTest) \
    X(tmrRefrescoVumetro) \
    X(tmrRefrescoMetrica) \
    X(tmrRefrescoAdquisicion) \
    X(tmrRefrescoAdquisicionMaxima) \
    X(tmrRefrescoAdquisicionFinal) \
    X(tmrRefrescoAdquisicionMaximaFinal) \
    X(tmrRefrescoCPU) \
    X(tmrCPUProteccion) \
    X(tmrEmail) \
    X(tmrVolumenBeacon) \
    X(tmrCancelFrame) \
    X(tmrProcesarFinal) \
    X(tmrTemporizador1Baudio) \
    X(tmrBeacon) \
    X(tmrAlarma) \
    X(tmrTransmitting) \
    X(tmrPosicionCursor) \
    X(tmrUTC) \
    X(tmrResetTarjetaSonido) \
    X(tmrVolumenSlider) \
    X(tmrTeclas) \
    X(tmrScan) \
    X(tmrCambiarFrecuenciaCAT) \
    X(tmrPSKreporter) \
    X(tmrEQSL) \
    X(tmrADIFCallsignChange) \
    X(tmrClusterLogin) \
    X(tmrClusterComprobarConexion) \
    X(tmrConexionServidorAuxiliar) \
    X(tmrOnline) \
    X(tmrEnviarSpotPublico) \
    X(tmrEnviarEmail) \
    X(tmrCallsignServerQuiet) \
    X(tmrClusterRow)
