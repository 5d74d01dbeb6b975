#pragma once
// The message log: numbered errors, warnings and checks composed in the DMESSAGES block.
#include <array>
#include <string>

struct DMessages {
  double dmLastX = -99999.0, dmLastY = -99999.0;
  bool dmSingleLine = false;
  int dmLogUnit = 0;
  int dmMifUnitWarn = 0, dmMidUnitWarn = 0;
  int dmMifUnitCheck = 0, dmMidUnitCheck = 0;
  std::array<std::string, 5> dmLines;  // index 1..4, text of 10000
  std::string dmPrefix = std::string(4, ' ');
  double dmLabelWidth = 0.0, dmLabelHeight = 0.0;
  std::array<int, 7> dmCounters{};  // index 1..6
  int dmNumber = 0;
  int dmType = 0;
  std::array<std::string, 4> dmContext;  // index 1..3, text of 10000
  int dmMessagesUnit = 0;
  DMessages();
  void reset() { *this = DMessages{}; }
  bool operator==(const DMessages&) const = default;
};
extern DMessages DMESSAGES;

void DMESSAGE(int nblank);
void DMESSAGEXY(int nblank, double x, double y);
void DMESSAGECLEAR();
void DMESSAGERESETCOUNTERS();
void DLINE(int unit);

// The MapInfo save-date check (savedate.cpp).
bool CHECKMISAVEDATE(const std::string& fileA, const std::string& fileB, int& unitA, int& unitB, bool isError,
                     int logUnit);
