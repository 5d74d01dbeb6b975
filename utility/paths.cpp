// File names and paths. Both "/" and "\" separate folders when a name is taken apart; joining
// inserts a backslash, and the tidying of "..\" and ".\" works on backslashes.
#include "utility/paths.hpp"

#include <cstddef>

#include "utility/fixed_text.hpp"
#include "utility/text.hpp"

namespace {

constexpr std::size_t npos = std::string::npos;

// The trimmed name within the name work copy.
std::string nameOf(const std::string& n) { return fixed::trimmed(n.substr(0, kTextLength)); }

// 1-based position of the last separator, 0 when there is none.
std::size_t lastSeparator(const std::string& n) {
  const std::size_t p = n.find_last_of("/\\");
  return p == npos ? 0 : p + 1;
}

// 1-based position of the last occurrence of c, 0 when there is none.
std::size_t lastOf(const std::string& n, char c) {
  const std::size_t p = n.find_last_of(c);
  return p == npos ? 0 : p + 1;
}

// Characters first..last (1-based, inclusive) of n; empty when last < first.
std::string span(const std::string& n, std::size_t first, std::size_t last) {
  if (last < first || first < 1 || first > n.size()) return std::string();
  return n.substr(first - 1, last - first + 1);
}

std::string fromPosition(const std::string& n, std::size_t first) {
  return first > n.size() ? std::string() : n.substr(first - 1);
}

std::string extensionOf(const std::string& n) {
  const std::string name = nameOf(n);
  const std::size_t p = lastSeparator(name);
  const std::size_t d = lastOf(name, '.');
  return (d != 0 && d > p) ? fromPosition(name, d) : std::string();
}

// A doubled backslash loses its second half, except a pair at the very start, which marks a
// network name and is kept.
void collapseDoubledBackslashes(std::string& t) {
  for (;;) {
    const std::size_t k = t.find("\\\\");
    if (k == npos || k + 1 <= 2) return;
    t.erase(k + 1, 1);
  }
}

// "folder\..\" goes, the backslash before the folder stays. A reference that follows
// another reference ("..\..\") has no folder of its own to remove and is passed over.
void removeParentReferences(std::string& t) {
  static const std::string kParent = "\\..\\";
  for (;;) {
    std::size_t j0 = t.find(kParent);  // 0-based start
    if (j0 == npos || j0 + 1 <= 1) return;
    bool stop = false;
    while (j0 + 1 > 2 && t.compare(j0 - 2, 2, "..") == 0) {
      const std::size_t next = t.find(kParent, j0 + 4);
      if (next == npos || next == j0 + 4) {
        stop = true;
        break;
      }
      j0 = next;
    }
    if (stop) return;
    const std::size_t i0 = j0 == 0 ? npos : t.find_last_of('\\', j0 - 1);
    const std::size_t eraseFrom = (i0 == npos) ? 0 : i0 + 1;
    t.erase(eraseFrom, j0 + 4 - eraseFrom);
  }
}

// ".\" inside a path names the folder it stands in.
void removeCurrentReferences(std::string& t) {
  for (;;) {
    const std::size_t k = t.find("\\.\\");
    if (k == npos) return;
    t.erase(k + 1, 2);
  }
}

std::string normalised(std::string t) {
  collapseDoubledBackslashes(t);
  removeParentReferences(t);
  removeCurrentReferences(t);
  return t;
}

}  // namespace

std::string FILEEXT(const std::string& n) { return LOWERCASE(extensionOf(n)); }

std::string FILEEXTKC(const std::string& n) { return extensionOf(n); }

std::string FILENAME(const std::string& n) {
  const std::string name = fixed::trimmed(n);
  const std::size_t p = lastSeparator(name);
  const std::size_t d = lastOf(name, '.');
  if (p == 0) {
    if (d >= 2) return span(name, 1, d - 1);
    if (d == 1) return std::string();
    return name;
  }
  if (d > p + 1) return span(name, p + 1, d - 1);
  return fromPosition(name, p + 1);
}

std::string FILENAMEEXT(const std::string& n) {
  const std::string name = fixed::trimmed(n);
  return fromPosition(name, lastSeparator(name) + 1);
}

std::string FILENAMEPATH(const std::string& n) {
  const std::string name = fixed::trimmed(n);
  const std::size_t p = lastSeparator(name);
  const std::size_t d = lastOf(name, '.');
  if (d > 1 && d > p) return span(name, 1, d - 1);
  return name;
}

std::string FILEFOLDERPATH(const std::string& n) {
  const std::string name = fixed::trimmed(n);
  const std::size_t p = lastSeparator(name);
  return p >= 1 ? span(name, 1, p) : std::string();
}

std::string FILENAMENO_(const std::string& n) {
  const std::string b = FILENAME(nameOf(n));
  const std::size_t u = lastOf(b, '_');
  if (u >= 2) return span(b, 1, u - 1);
  if (u == 1) return std::string();
  return b;
}

std::string FILENAMEPATHNO_(const std::string& n) {
  const std::string f = FILENAMEPATH(nameOf(n));
  const std::size_t u = lastOf(f, '_');
  if (u >= 2 && u > lastSeparator(f)) return span(f, 1, u - 1);
  return f;
}

std::string FILE___EXT(const std::string& n) {
  const std::string b = FILENAME(nameOf(n));
  const std::size_t u = lastOf(b, '_');
  return u == 0 ? std::string() : LOWERCASE(fromPosition(b, u));
}

std::string ADDFOLDER(const std::string& folder, const std::string& file) {
  std::string joined;
  if (fixed::isBlank(file)) {
    joined = fixed::isBlank(folder) ? std::string(".") : TRIMF(folder);
  } else if (fixed::isBlank(folder)) {
    joined = TRIMF(file);
  } else if (file.find(':') != npos || file.find("\\\\") != npos) {
    // A drive or a network name: the file name is complete by itself.
    joined = TRIMF(file);
  } else {
    const std::string dir = fixed::trimmed(folder);
    const char last = dir.back();
    joined = dir;
    if (last != '/' && last != '\\') joined += '\\';
    joined += TRIMF(file);
  }
  return normalised(TRIMF(joined).substr(0, kTextLength));
}

std::string REMOVEDOTDOT(const std::string& s) {
  return normalised(TRIMF(s.substr(0, kTextLength)));
}

std::string CLEANPATH(std::string& s) {
  fixed::assign(s, TRIMF(s.substr(0, kTextLength)));
  // A pair at the very start (a network name) stays; the later of the two first pairs decides
  // whether there is anything left to collapse.
  for (;;) {
    const std::size_t b = s.find("\\\\");
    const std::size_t f = s.find("//");
    const std::size_t kb = b == npos ? 0 : b + 1;
    const std::size_t kf = f == npos ? 0 : f + 1;
    const std::size_t k = kb > kf ? kb : kf;
    if (k <= 1) break;
    s.erase(k, 1);  // the character at 1-based k + 1
    s += ' ';
  }
  return fixed::trimmed(s);
}

bool DRIVETOFOLDER(std::string& s) {
  std::string t = TRIMF(s.substr(0, kTextLength));
  bool replaced = false;
  const std::size_t c = t.find(':');
  if (c != npos) {
    std::string drive = t.substr(0, c);
    for (char& ch : drive)
      if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 32);
    t = drive + " Drive" + t.substr(c + 1);
    replaced = true;
  }
  bool network = false;
  if (t.compare(0, 2, "\\\\") == 0 || t.compare(0, 2, "//") == 0) {
    t = "URL\\" + t.substr(2);
    network = true;
  }
  // The new text may be longer than the field it came in: the field grows rather than cut it.
  if (t.size() > s.size()) s.resize(t.size(), ' ');
  fixed::assign(s, t);
  if (network) return false;
  return !replaced;
}
