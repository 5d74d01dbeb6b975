#pragma once
// Text tests and cleaning. Filters return the cleaned text (its natural length; a caller stores it
// into a field of its own with fixed::fit); tests that change their argument keep its size.
#include <string>
#include <string_view>

// The character classes the text and number routines share.
inline bool isDigit(char c) { return c >= '0' && c <= '9'; }
inline bool isQuote(char c) { return c == '"' || c == '\''; }

std::string SS256(const std::string& s);
// s without its leading blanks (only code 32 is a blank here, not a TAB) and its trailing ones.
std::string TRIMF(const std::string& s);
std::string REMOVETABS(const std::string& s);
std::string REMOVEQUOTES(const std::string& s);
std::string REMOVESPACES(const std::string& s);
std::string UPPERCASE(const std::string& s);
std::string LOWERCASE(const std::string& s);
std::string DOUBLEQUOTE(const std::string& s);
// text between double quotes, as messages and MapInfo lines name a file.
std::string quoted(const std::string& text);
// A character value of a data line appended to out: in double quotes, each quote in it doubled, so
// that the line still splits into its fields.
void appendQuotedField(std::string& out, std::string_view value);
std::string ALPHANUMERICONLY(const std::string& s, char c);
std::string CLEANATTRIBUTENAME(const std::string& s);
std::string REPLACE(const std::string& s, const std::string& oldText, const std::string& newText);
// Each pass searches the whole current text again. A blank old leaves s unchanged; a new that
// holds old (ignoring case) is done in one pass whose search goes on behind each inserted text.
std::string REPLACEALL(const std::string& s, const std::string& oldText, const std::string& newText);

bool BLANK(std::string& s);
bool NUMBERLINE(std::string& s);
bool POSITIVEINTEGERNUMBER(std::string& s);
bool ASAME(const std::string& a, const std::string& b);
bool ASAMECS(const std::string& a, const std::string& b);
// Whether flag (trailing blanks aside) occurs in line, case ignored; taken as views, so that a
// keyword given as a literal costs no copy.
bool FLAGEXISTS(std::string_view line, std::string_view flag);
