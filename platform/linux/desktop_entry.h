// The autostart entry as a Desktop Entry file: turning a command line into
// an Exec value and a whole file, and reading an Exec value back the way a
// desktop launcher does. No I/O here.
#pragma once

#include <string>
#include <vector>

// True for a value name that can be a file name of its own in the autostart
// folder: not empty, no '/', not starting with '.' (dot files are ours, for
// the half-written temporaries).
bool IsPlainEntryName(const std::string& strName);

// Turns a command line into the Exec value as it is written in the file.
// Accepted forms:
//   "<program>" <args>   the program runs to the last double quote of the
//                        line, so a program path may itself hold quotes;
//                        what follows is blank-separated arguments.
//   <program> <args>     no double quote anywhere; blank-separated words.
// The program is always quoted; other arguments are quoted when they hold a
// reserved character. False when the line cannot be expressed: no program,
// an unbalanced quote, a quote in the unquoted form, a program with '=' (the
// format forbids it), or a control character other than tab.
bool FormatDesktopExec(const std::string& strCommandLine, std::string& strExec);

// The whole file for an Exec value made by FormatDesktopExec.
std::string FormatDesktopEntry(const std::string& strExec);

// What a launcher does with an Exec value read from the file: undoes the
// string escapes, splits at blanks by the quoting rules, undoes the quoting
// and turns "%%" into "%". False for anything malformed, including a field
// code (we never write one) and a reserved character outside quotes.
bool SplitDesktopExec(const std::string& strExecValue, std::vector<std::string>& args);
