// A test upgrade library: it records every call the installer makes (RecordedCalls) and sends
// one report with Romanian letters in Windows-1250 from each step. Built a second time without
// CheckExclusive (RECORDER_WITHOUT_CHECK_EXCLUSIVE), as a library that lacks an entry point.
#include <string>

#include "upgrade/UpgradeApi.h"

namespace {
std::string calls;
TReportProc report = nullptr;
uint8_t semafor = 0;

void Record(const std::string& call) {
  if (!calls.empty()) calls += ' ';
  calls += call;
}

// "Structură: ţară, împărţire" in Windows-1250; the block is ours before, during and after.
void Send(const char* step) {
  static const char kText[] =
      "Structur\xE3: \xFE"
      "ar\xE3, \xEEmp\xE3r\xFEire ";
  std::string text = std::string(kText) + step;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  char* p = static_cast<char*>(GlobalLock(block));
  memcpy(p, text.c_str(), text.size() + 1);
  GlobalUnlock(block);
  if (report) report(block);
  // The installer copied the text and unlocked the block, which is still ours to free.
  void* again = GlobalLock(block);
  Record(again && GlobalUnlock(block) == 0 ? "kept" : "lost");
  GlobalFree(block);
}
}  // namespace

extern "C" {

UPGRADE_API const char* RecordedCalls(void) {
  return calls.c_str();
}
UPGRADE_API void SetRecordedSemafor(uint8_t ok) {
  semafor = ok;
}

void GetAliasPath(char* buffer) {
  // The name arrives in a zero-filled buffer of ALIAS_PATH_SIZE bytes.
  std::string name(buffer);
  bool zeroed = true;
  for (size_t i = name.size(); i < ALIAS_PATH_SIZE; ++i) zeroed = zeroed && buffer[i] == 0;
  Record("GetAliasPath(" + name + (zeroed ? ")" : ",dirty)"));
  memset(buffer, 0, ALIAS_PATH_SIZE);
  if (name == "ZORVAN") strcpy(buffer, "C:\\WinZorv\\DATA");
}
void SetReportProc(TReportProc proc) {
  report = proc;
  Record(proc ? "SetReportProc" : "SetReportProc(0)");
}
void DoStructureUpgrade(void) {
  Record("DoStructureUpgrade");
  Send("1");
}
void DoListUpgrade(void) {
  Record("DoListUpgrade");
  Send("2");
}
void DoConstUpgrade(void) {
  Record("DoConstUpgrade");
  Send("3");
}
uint8_t GetSemaforOK(void) {
  Record("GetSemaforOK");
  return semafor;
}
void SetQuickVerif(uint8_t quick) {
  Record(quick ? "SetQuickVerif(1)" : "SetQuickVerif(0)");
}
#ifndef RECORDER_WITHOUT_CHECK_EXCLUSIVE
uint8_t CheckExclusive(void) {
  Record("CheckExclusive");
  return 1;
}
#endif
}
