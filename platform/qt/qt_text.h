// Where the program's Windows-1252 text and COLORREF colours meet Qt's strings and colours.
#pragma once

#include <QColor>
#include <QString>
#include <string>
#include <string_view>

#include "common/colour.h"

namespace muv {

QString ToQString(std::string_view cp1252);
std::string FromQString(const QString& text);  // characters outside Windows-1252 become '?'
QColor ToQColor(ColorRef colour);
ColorRef FromQColor(const QColor& colour);

}  // namespace muv
