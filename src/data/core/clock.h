#pragma once
// Today's date and the time of day, from one place that tests can set.

#include <QDateTime>

namespace inv::Clock {

QDate today();
QDateTime now();
// Freezes the clock at when (an invalid QDateTime lets it run again).
void setFixed(const QDateTime &when);

} // namespace inv::Clock
