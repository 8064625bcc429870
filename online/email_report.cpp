#include "online/email_report.h"

#include "common/cp1252.h"
#include "common/vb.h"
#include "common/version.h"

namespace muv {

namespace {

// The known top-level domains: the generic ones, then the country codes (and CAT). Searched as one text.
constexpr std::string_view kTopLevelDomains =
    ".COM.EDU.GOV.NET.BIZ.ORG.TV"
    ".AF.AL.DZ.AS.AD.AO.AI.AQ.AG.AP.AR.AM.AW.AU.AT.AZ.BS.BH.BD.BB.BY"
    ".BE.BZ.BJ.BM.BT.BO.BA.BW.BV.BR.IO.BN.BG.BF.MM.BI.KH.CM.CA.CV.KY"
    ".CF.TD.CL.CN.CX.CC.CO.KM.CG.CD.CK.CR.CI.HR.CU.CY.CZ.DK.DJ.DM.DO"
    ".TP.EC.EG.SV.GQ.ER.EE.ET.FK.FO.FJ.FI.CS.SU.FR.FX.GF.PF.TF.GA.GM.GE.DE"
    ".GH.GI.GB.GR.GL.GD.GP.GU.GT.GN.GW.GY.HT.HM.HN.HK.HU.IS.IN.ID.IR.IQ"
    ".IE.IL.IT.JM.JP.JO.KZ.KE.KI.KW.KG.LA.LV.LB.LS.LR.LY.LI.LT.LU.MO.MK.MG"
    ".MW.MY.MV.ML.MT.MH.MQ.MR.MU.YT.MX.FM.MD.MC.MN.MS.MA.MZ.NA"
    ".NR.NP.NL.AN.NT.NC.NZ.NI.NE.NG.NU.NF.KP.MP.NO.OM.PK.PW.PA.PG.PY"
    ".PE.PH.PN.PL.PT.PR.QA.RE.RO.RS.RU.RW.GS.SH.KN.LC.PM.ST.VC.SM.SA.SN.SC"
    ".SL.SG.SK.SI.SB.SO.ZA.KR.ES.LK.SD.SR.SJ.SZ.SE.CH.SY.TJ.TW.TZ.TH.TG.TK"
    ".TO.TT.TN.TR.TM.TC.TV.UG.UA.AE.UK.US.UY.UM.UZ.VU.VA.VE.VN.VG.VI"
    ".WF.WS.EH.YE.YU.ZR.ZM.CAT.ZW";

constexpr std::string_view kCrLf = "\r\n";
// The distance text that stands for no distance.
constexpr std::string_view kNoDistance = "Not avaiable";
constexpr std::string_view kCancelMark = " <CANCEL>";
// "º" in UTF-8.
constexpr std::string_view kDegreeSign = "\xC2\xBA";

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string AsciiLowerCase(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = AsciiLower(c);
    return out;
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

}  // namespace

bool IsValidEmailAddress(std::string_view address) {
    const std::string text = AsciiLowerCase(TrimBlanks(address));
    if (text.empty()) return false;
    bool previousSpecial = false;
    bool atFound = false;
    size_t atPos = 0;
    bool dotFound = false;
    size_t lastDotPos = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
            previousSpecial = false;
            continue;
        }
        if (c != '_' && c != '-' && c != '.' && c != '@') return false;
        if (previousSpecial || i == 0 || i + 1 == text.size()) return false;
        if (c == '@') {
            if (atFound) return false;
            atFound = true;
            atPos = i;
        } else if (c == '.') {
            dotFound = true;
            lastDotPos = i;
        }
        previousSpecial = true;
    }
    return atFound && dotFound && lastDotPos > atPos;
}

bool HasValidEmailDomain(std::string_view address) {
    if (address.size() < 6) return false;  // an empty text included
    const size_t firstAt = address.find('@');
    if (firstAt == std::string_view::npos) return false;
    if (firstAt == 0 || address.back() == '@') return false;
    if (address.find('@', firstAt + 1) != std::string_view::npos) return false;
    const size_t lastDot = address.rfind('.');
    const std::string_view ending = lastDot == std::string_view::npos ? address : address.substr(lastDot + 1);
    if (!HasKnownTopLevelDomain(ending)) return false;
    return address[firstAt + 1] != '.';
}

bool HasKnownTopLevelDomain(std::string_view ending) {
    std::string needle;
    if (ending.empty() || ending.front() != '.') needle = ".";
    needle += ending;
    for (char& c : needle)
        c = AsciiUpper(c);
    return kTopLevelDomains.find(needle) != std::string_view::npos;
}

std::vector<std::string> FindEmailCandidates(std::string_view rxText) {
    // Blanks on both sides, so that an address at the very start or end is a word like any other.
    std::string s;
    s.reserve(rxText.size() + 2);
    s += ' ';
    s += rxText;
    s += ' ';

    std::vector<std::string> candidates;
    // The first "@" looked at is the text's second character; the last one has at least four characters
    // of the text after it (s[i] with five characters of s after it).
    for (size_t i = 2; i + 5 < s.size(); ++i) {
        if (s[i] != '@') continue;

        bool rejected = false;
        size_t start = i;
        for (size_t j = i - 1;; --j) {  // s[0] is a blank, so the walk ends
            if (s[j] == ' ') {
                start = j + 1;
                break;
            }
            if (s[j] == '@' || i - j > static_cast<size_t>(kMaxEmailLocalPart)) {
                rejected = true;
                break;
            }
        }
        if (rejected) continue;

        size_t end = i;
        for (size_t j = i + 1;; ++j) {  // the last character is a blank, so the walk ends
            if (s[j] == ' ') {
                end = j;
                break;
            }
            if (s[j] == '@' || j - i > static_cast<size_t>(kMaxEmailDomainPart)) {
                rejected = true;
                break;
            }
        }
        if (rejected) continue;

        candidates.emplace_back(s, start, end - start);
        if (candidates.size() == static_cast<size_t>(kMaxEmailCandidates)) break;
    }
    return candidates;
}

std::string EmailReportSubject(const EmailReportInput& in) {
    return in.txtCallsign + " has received your Radio Message";
}

std::string EmailReportBody(const EmailReportInput& in) {
    const EmailReportData& f = in.figures;
    const ModeRecord& mode = in.mode;
    std::string body;
    auto line = [&body](std::string_view text) {
        body += text;
        body += kCrLf;
    };

    line("********** Please don't reply to this email ********************");
    line("");
    line(in.txtCallsign + " has received your Radio Message sent at: " + Format(in.UtcNow.hour, "00") + ":" +
         Format(in.UtcNow.minute, "00") + " UTC");
    line("");
    if (in.optReportUltimo) {
        // The receive window's text is the modem's Windows-1252, and the body UTF-8.
        line("Received Message: '" + Cp1252ToUtf8(in.RxText) + f.endMark + "'");
    } else {
        line(in.txtCallsign + "'s RX Screen:");
        line("'" + Cp1252ToUtf8(in.rtfVentanaRX) + "'");
    }
    line("");

    line("Operator Info: ");
    line("Callsign: " + in.txtCallsign);
    line("DXCC: " + in.ownCountry);
    line("Name: " + in.txtName);
    line("E-mail: " + in.txtEmail);
    line("QTH: " + in.txtQTH);
    line("Locator: " + in.txtLocator);
    line("Station: " + in.txtStation);
    line(std::string("MUV Version: ") + kVersionText);
    line("");

    line("Signal Info: ");
    // The frequency box in kHz. Without a rig frequency the box may be a mere band choice: 14100 to
    // 14120 kHz is reported as the band.
    const double frequencyKhz = Val(in.txtFrecuencia);
    if (in.CatFrequencyHz < 1 && frequencyKhz >= 14100 && frequencyKhz <= 14120) {
        line("Band: 20M");
    } else {
        line("Frequency: " + Format(frequencyKhz / 1000, "0.000") + " Mhz");
    }
    line("Mode: " + mode.DisplayName);
    line("Symbol Rate: " + std::to_string(mode.NominalBaud) + " Bauds");
    line("BW: " + std::to_string(mode.ModeBandwidthHz) + " Hz");
    line("Frame Acquisition: " + std::to_string(f.syncMatches) + "/" + std::to_string(mode.SyncSymbolCount));
    if (f.endMark == kCancelMark) {
        line("Final Acquisition: <CANCEL>");
    } else {
        line("Final Acquisition: " + std::to_string(f.endMatches) + "/" +
             std::to_string(mode.EndPatternLength));
    }
    line("Frequency Shift: " + Format(f.frequencyShiftHz, "0.0") + " Hz");
    // The Viterbi figure as a share of the mode's full scale, computed in single precision as the receiver
    // keeps it. A mode without a full scale gives 0 rather than a division by zero.
    const float viterbiPercent =
        mode.ViterbiFullScale == 0 ? 0.0f
                                   : f.meanViterbiErrors * 100.0f / static_cast<float>(mode.ViterbiFullScale);
    line("Viterbi: " + Format(viterbiPercent, "0") + "%");
    line("S/N (2500 Hz): " + in.snText + " dB, Fade Marge: " + in.fadeMarginText + " dB");
    if (f.distance == kNoDistance) {
        line("Distance: " + f.distance);
    } else {
        line("Distance: " + f.distance + ", Heading: " + Format(f.bearing, "000") + std::string(kDegreeSign));
    }
    line(in.BeaconShown ? "Beacon: ON" : "Beacon: OFF");
    line("Vumeter Level: " + Format(f.meanLevelDb, "0") + " dB");
    if (in.CpuCounterAvailable) {
        line("CPU Usage: " + Format(f.cpuLoad, "0") + " %");
    } else {
        line("CPU Usage: Not avaiable");
    }
    line("");
    line(in.txtFinalMessage);
    return body;
}

bool EmailReporter::AlreadyMailed(std::string_view address) const {
    return mailedThisRun_.find(AsciiLowerCase(address)) != mailedThisRun_.end();
}

EmailReport EmailReporter::BuildEmailReport(const EmailReportInput& in) {
    EmailReport report;
    report.EmailSubject = EmailReportSubject(in);
    report.EmailBody = EmailReportBody(in);

    const std::vector<std::string> candidates = FindEmailCandidates(in.RxText);
    for (size_t k = 0; k < candidates.size(); ++k) {
        const std::string& candidate = candidates[k];
        bool seenBefore = false;
        for (size_t j = 0; j < k && !seenBefore; ++j)
            seenBefore = candidates[j] == candidate;
        if (seenBefore) continue;
        // The recipients come from text heard on the air: anyone can write an address into a message,
        // and each report may carry the whole receive window. So an address gets at most one report per
        // run, whatever it sends; one already mailed is no longer a candidate.
        if (AlreadyMailed(candidate)) continue;
        if (!HasValidEmailDomain(candidate) || !IsValidEmailAddress(candidate)) continue;
        // A later valid address replaces an earlier one: the report goes to the last one of the text.
        report.EmailResult = 2;
        if (in.optGmail || in.optSMTP) {
            report.EmailTo = candidate;
            report.armSendTimer = true;
        }
    }
    if (report.armSendTimer) mailedThisRun_.insert(AsciiLowerCase(report.EmailTo));
    return report;
}

}  // namespace muv
