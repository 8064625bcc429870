// Where the program's UTF-8 text, the modem's Windows-1252 text and COLORREF colours meet Qt's
// strings and colours.
#pragma once

#include <QColor>
#include <QString>
#include <string>
#include <string_view>

#include "common/colour.h"

namespace muv {

QString ToQString(std::string_view utf8);
std::string FromQString(const QString& text);  // UTF-8
// The modem's text: characters outside Windows-1252 become '?'.
QString Cp1252ToQString(std::string_view cp1252);
std::string QStringToCp1252(const QString& text);
QColor ToQColor(ColorRef colour);
ColorRef FromQColor(const QColor& colour);

}  // namespace muv
