#pragma once

#include <QString>

#include <functional>

// Shows the program's messages in message boxes (critical icon, title, OK).
// `detailFor` may add a line under a message's own text, saying why and what to do.
void installMessageBoxHandler(std::function<QString(const QString &text)> detailFor = {});
