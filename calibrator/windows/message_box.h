#pragma once

// Shows the program's messages in message boxes (critical icon, title, OK).
void installMessageBoxHandler();
