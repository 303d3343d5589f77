// The texts of the information commands: the help table, the about block and
// the information banner.  Each goes to the server console as plain lines.
#pragma once

// Number of lines of the help table (the header not counted).
constexpr int kHelpLines = 29;

void PrintHelp();
void PrintAbout();
void PrintBanner();
