// The two command sets handed to every plot output call: the HP-GL set and
// the alternate (DMPL) set, each packed by CPlotter::MakeCommand from its
// five command literals. Both are always passed, HP-GL first; the output
// code picks the one its device's language needs. Pen numbers are not part
// of a set: they come from the device configuration and the polylines.
//
// Each literal has its own accessor returning a new string. Callable from
// any thread.
#pragma once

#include <string>

// HP-GL literals.
std::string InitCommand();       // "IN;PU0,0;"
std::string EndCommand();        // "PU;PG;"
std::string PenUpCommand();      // "PU"
std::string PenDownCommand();    // "PD"
std::string SelectPenCommand();  // "SP" (both sets)

// Alternate (DMPL) literals.
std::string AlternateInitCommand();     // ";:"
std::string AlternateEndCommand();      // "@"
std::string AlternatePenUpCommand();    // "U"
std::string AlternatePenDownCommand();  // "D"

// The packed sets.
std::string HpglCommandSet();
std::string AlternateCommandSet();
