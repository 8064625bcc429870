// The main window's pictures, drawn at start-up: the switch images (an ON image looks lit and pressed
// in, an OFF image raised), the clock's seven-segment digits and marks, the meter dials and the small
// picture buttons.
#pragma once

#include <QColor>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace muv {

// The lamp colour of a lit switch.
enum class Lamp { Green, Amber, Red };

// A push switch with its label: lit and pressed when on, raised and grey when off.
QPixmap SwitchImage(const QString& label, bool on, QSize size, Lamp lamp = Lamp::Green);

// The AFC range switch: a slide switch standing at the upper (wide) or lower (narrow) caption.
QPixmap AfcSwitchImage(bool wide, QSize size);

// The clock: a seven-segment digit 0 to 9, the colon, the left bezel and the "UTC" mark.
constexpr QSize kClockDigitSize(16, 30);
QPixmap ClockDigitImage(int digit);
QPixmap ClockColonImage(QSize size);
QPixmap ClockBezelImage(QSize size);
QPixmap ClockUtcImage(QSize size);
QColor ClockBackground();

// A meter's printed dial, 147 x 75: a half-circle scale 0 to 100 around the middle of the bottom edge,
// with the meter's caption.
constexpr QSize kMeterSize(147, 75);
QPixmap MeterDialImage(const QString& caption);

// Picture buttons. The arrows are drawn on a transparent ground: the picture's back colour shows.
QPixmap CancelFrameImage(QSize size);
QPixmap StopAlarmImage(QSize size);
QPixmap ArrowImage(bool up, QSize size);
QPixmap AdifImage(QSize size);
QPixmap ClusterLinkImage(QSize size);
QPixmap ClearMessageImage(QSize size);
QPixmap QrzImage(QSize size);

}  // namespace muv
