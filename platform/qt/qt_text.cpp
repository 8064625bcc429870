#include "platform/qt/qt_text.h"

#include "common/cp1252.h"

namespace muv {

QString ToQString(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string FromQString(const QString& text) {
    return text.toStdString();
}

QString Cp1252ToQString(std::string_view cp1252) {
    QString s;
    s.reserve(static_cast<int>(cp1252.size()));
    for (char c : cp1252)
        s.append(QChar(static_cast<char16_t>(Cp1252ToUnicode(static_cast<unsigned char>(c)))));
    return s;
}

std::string QStringToCp1252(const QString& text) {
    std::string s;
    s.reserve(static_cast<size_t>(text.size()));
    for (QChar c : text)
        s.push_back(UnicodeToCp1252(c.unicode()));
    return s;
}

QColor ToQColor(ColorRef colour) {
    return QColor(RedOf(colour), GreenOf(colour), BlueOf(colour));
}

ColorRef FromQColor(const QColor& colour) {
    return RGB(colour.red(), colour.green(), colour.blue());
}

}  // namespace muv
