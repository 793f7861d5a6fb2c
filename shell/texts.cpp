// The four fixed texts, one source line per output line.
#include "texts.hpp"

#include "console.hpp"

namespace {

constexpr char banner[] =
    "\t\t\tQOR tool kit\n"
    "\n"
    "NT_version\n"
    "Use 'help' command to view the list of commands.\n";

constexpr char commandList[] =
    "List of commands:\n"
    "\thelp - command used to display list of commands\n"
    "\tversion - command uset to display the version of the QOR tool kit\n"
    "\texit - command used to exit out of this tool kit\n"
    "\tcopyright - displays the owners";

constexpr char versionText[] =
    "Version 0.03 Beta.\n"
    "By QOR team.\n"
    "QOR//dururEZEV\n"
    "VUX installer used.";

// The credited names are invented; this is the one place they live.
constexpr char credits[] =
    "\n"
    "Ver 0.03 (beta)\n"
    "\tProgramer:\n"
    "\t\tIlvo Marrekant\n"
    "\tDirectors:\n"
    "\t\tBerit Oskelund\n"
    "\t\tCasimir Dunvale\n"
    "\t\tYsolde Prannick\n"
    "\t\tZdeněk Halvoran\n"
    "\t\tAnouk Ferreday\n"
    "\t\tRuslan Ebbercot";

}  // namespace

void startMsg() { writeLine(banner); }

void help() { writeLine(commandList); }

void version() { writeLine(versionText); }

void copxrih() { writeLine(credits); }
