#pragma once

#include <QString>

// "--version" and "--help" are answered from the raw arguments before the
// application object exists: they must work where no display can be opened
// (a terminal over SSH, a packaging script) and must touch nothing.

// Prints the version line ("--version", anywhere) or the usage text ("--help"
// or "-h", anywhere) to standard output. True when one was printed; the
// process then exits with 0.
bool answerInformationSwitches(int argc, char **argv);

// The usage text printed by "--help", in English or Portuguese.
QString helpText(bool english);
