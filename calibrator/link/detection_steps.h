#pragma once

#include <QString>

namespace orv {

class CommControl;

// The line set-ups both detection walks use, so the quick walk asks exactly
// what the window's walk asks.
namespace detection {

QString settingsText(int baud);
void closeIfOpen(CommControl &comm);
bool openForModemCheck(CommControl &comm, int port, int baud);
bool openForRate(CommControl &comm, int port, int baud);

} // namespace detection

} // namespace orv
