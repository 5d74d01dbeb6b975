#pragma once
// Control lines: reading and recognising the lines of text control files, a command on the
// left, a separator such as "==" and a value on the right, comments behind "#" or "!".
//
// Out arguments (the line of READLINE, rest, value and left) keep the declared length of the
// field the caller passes; a caller that passes an empty string receives the text at its own
// length instead.
#include <cstdint>
#include <string>

// Reads the next line of the unit, deletes its TABs and leading blanks and cuts its comment.
// True for a data line; false for a blank or comment line. Ends the run at the end of the file
// (ERROR 0202) or on a read error (ERROR 0201).
bool READLINE(std::int32_t unit, std::string& line);
// READLINE's cleaning of a line already read (TABs stay); true for a comment or blank line.
bool COMMENTLINE(std::string& line);
// True when flag occurs in line ignoring case; rest receives the line behind it, case kept.
bool FLAGEXISTSRET(const std::string& line, const std::string& flag, std::string& rest);
// True when "Read MI " or "Read GIS " followed by word occurs in line, ignoring case.
bool READGIS(const std::string& line, const std::string& word);
// True when "Write MI " or "Write GIS " followed by word occurs in line, ignoring case.
bool WRITEGIS(const std::string& line, const std::string& word);
// True when "Read MID " or "Read RowCol " followed by word occurs in line, ignoring case.
bool READROWCOL(const std::string& line, const std::string& word);
// Splits line at separator (or at column when the separator is blank or absent) into its left
// side and value, and tests whether command (or "*", any command) stands on the left side. A
// column below 0 counts as 0, one beyond the line as its length.
bool CHECKLINE(const std::string& line, const std::string& command, const std::string& separator,
               std::int32_t column, std::string& value, std::string& left);
