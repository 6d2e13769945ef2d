#include "plotlib/CommandSets.h"

#include "plotlib/Plotter.h"

std::string InitCommand() { return "IN;PU0,0;"; }
std::string EndCommand() { return "PU;PG;"; }
std::string PenUpCommand() { return "PU"; }
std::string PenDownCommand() { return "PD"; }
std::string SelectPenCommand() { return "SP"; }

std::string AlternateInitCommand() { return ";:"; }
std::string AlternateEndCommand() { return "@"; }
std::string AlternatePenUpCommand() { return "U"; }
std::string AlternatePenDownCommand() { return "D"; }

std::string HpglCommandSet()
{
    return CPlotter::MakeCommand(InitCommand(), EndCommand(), PenUpCommand(), PenDownCommand(),
                                 SelectPenCommand());
}

std::string AlternateCommandSet()
{
    return CPlotter::MakeCommand(AlternateInitCommand(), AlternateEndCommand(),
                                 AlternatePenUpCommand(), AlternatePenDownCommand(),
                                 SelectPenCommand());
}
