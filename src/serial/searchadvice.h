#pragma once
// What a user can do when the port search found no device: shown below the search's
// failure message and the reasons of the ports that could not be used.
#include <QString>

// The lines to add below the message, starting with the blank line that sets them apart.
QString searchNextStepsText();
