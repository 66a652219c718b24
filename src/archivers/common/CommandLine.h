// Command lines of the archiver modules.
//
// A module receives one text such as
//   u -+ -xr  "-wC:\TEMP\"  -jx386SPART.PAR "D:\OUT\NAME.LZH" "*.*"
// and splits it the way the callers build it: blanks (spaces and tabs) separate arguments; a
// double quote opens or closes a quoted piece and is never part of the argument; a backslash is
// an ordinary character and escapes nothing, so "-wC:\TEMP\" is the single argument -wC:\TEMP\.
// A pair of quotes with nothing inside ("") is an empty argument.
//
// The parsed form sorts the arguments into a command letter (LZH style), switches (arguments that
// begin with '-'), the archive (the first other argument) and the file specifications (the rest).
// Parsing never fails: what a module does not understand it reports itself.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qb::arc {

// Splits a command line into arguments. Unbalanced quotes simply run to the end of the text.
std::vector<std::string> TokenizeCommandLine(std::string_view text);

struct ParsedCommand {
    char command = 0;  // LZH command letter in lower case, 0 when none was given
    std::vector<std::string> switches;  // every argument that began with '-', without that '-'
    std::string archive;  // first argument that is neither command nor switch
    std::vector<std::string> files;  // the remaining arguments in their order
};

// Sorts the arguments of a command line. When withCommandLetter is set, a first argument of one
// letter is taken as the command (LZH style: "u -+ ..."); ZIP command lines have none. An argument
// "--" ends the switches: everything after it is archive or file, even when it begins with '-'.
ParsedCommand ParseCommandLine(std::string_view text, bool withCommandLetter);

}  // namespace qb::arc
