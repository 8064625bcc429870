// ADIF text as the program writes it: the log file's header, one field per line ("<TAG:n>value", CR LF,
// n being the value's length in bytes) and the record of a logged contact, ended by "<EOR>" and CR LF.
// The contact's texts are UTF-8; each value of a record is in Windows-1252 when that set holds it and in
// UTF-8 when it does not (EncodeText), as the eQSL upload sends it, its declared length counting its
// bytes. The log file takes each value in its own encoding (AdifLog::AppendAdifRecord): a UTF-8 log
// takes them all in UTF-8.
#pragma once

#include <string>
#include <string_view>

#include "common/utc_time.h"

namespace muv {

// The name on the first line of the header.
inline constexpr const char* kAdifHeaderAuthor = "MUV developers";

// The header that starts a new log file: "Exportacion a Formato ADIF by " and the author, an empty line,
// "<ADIF_VERS:3>2.0", "<PROGRAMID:3>MUV", "<EOH>" and an empty line, each ended by CR LF. The file
// write adds one more line end.
std::string AdifHeader(std::string_view author = kAdifHeaderAuthor);

// A Windows-1252 text (the modem's: the receive window's) in capitals as that set writes them: a to z
// and the accented small letters (also s, z and y with their marks, and the oe ligature) become their
// capitals; every other byte stays, so the length does not change. The program's UTF-8 text takes
// Utf8ToUpper instead: this one would spoil its multi-byte characters.
std::string UpperCaseCp1252(std::string_view text);

// One field on its own line: "<", the name, ":", the value's length in bytes, [":" and the type,] ">",
// the value, CR LF. The value's bytes are written as they are (already encoded for the file): a line
// break in it would break the one-field-per-line layout, so the record builder takes them out first
// (AdifValue).
std::string AdifFieldText(std::string_view name, std::string_view value, std::string_view type = {});

// A value as the record builder writes it (UTF-8 or Windows-1252 alike): each line break (CR LF, a lone
// CR or a lone LF) becomes one blank, and so does any other control character but the tab, so a field
// never spans lines. "<" and ">" stay: the declared length carries them, as ADIF allows, and the reader
// goes by that length.
std::string AdifValue(std::string_view text);

// What one logged contact's record is made of: the contact-entry window's boxes as they stand, the
// operator's data, the clock and the country look-ups, all already read by the caller.
struct AdifContact {
    std::string txtCallsign;       // the partner's callsign, as typed
    std::string txtNombre;         // the partner's name
    std::string txtQTH;            // the partner's location
    std::string txtFrecuencia;     // the frequency in kHz; its leading number counts
    std::string Band;              // the ADIF band of that frequency ("20M"); "" outside every band
    UtcTime QsoStartUtc;           // when the contact began: QSO_DATE and TIME_ON
    UtcTime UtcNow;                // now: TIME_OFF
    std::string OperatorCallsign;  // the operator window's callsign
    std::string OperatorLocator;   // the operator window's locator
    std::string txtNotas;          // the notes, as typed
    // The partner's country with its continent, as the country look-up gives it ("Spain (EU)"); "" when
    // no country was found.
    std::string CountryWithContinent;
    std::string txtRST;        // the report, sent and received alike
    std::string MyCountry;     // the operator's own country (the name alone); "" when none was found
    std::string txtLocator;    // the partner's locator; "" when unknown
    std::string txtDistancia;  // the distance to it in km, as shown
    bool chkEQSL = false;      // the contact goes to eQSL too
};

// The record of a contact, in this order: CALL, NAME, QTH, FREQ (MHz), BAND, QSO_DATE, TIME_ON,
// TIME_OFF, MODE ("MUV"), OPERATOR, MY_GRIDSQUARE, NOTES, COUNTRY, RST_SENT, RST_RCVD, CONT, MY_COUNTRY,
// GRIDSQUARE, DISTANCE, EQSL_QSL_SENT ("Y"), EQSL_QSL_RCVD ("R") and "<EOR>", each line ended by CR LF.
// NAME and QTH are left out when empty, FREQ without a frequency, BAND outside the bands, COUNTRY and
// CONT without a country, MY_COUNTRY without one of the operator's, GRIDSQUARE without a locator,
// DISTANCE without a locator or a distance (a four-character square has none), the eQSL fields
// without chkEQSL; MY_GRIDSQUARE and NOTES are written even when empty. Names, places, locators and
// countries are in capitals (in every script). Each value is encoded as above (EncodeText) and its
// length is the number of bytes written (a report of two or four characters too, a name in Czech or
// Russian as many bytes as its UTF-8 takes).
std::string BuildAdifRecord(const AdifContact& contact);

}  // namespace muv
