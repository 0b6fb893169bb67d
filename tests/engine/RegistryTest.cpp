// The registry adapter: the .reg format, the machine's store, the registry editor as a real
// process, and saves that neither lose concurrent changes nor leave a broken store behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "common/TestMachine.h"
#include "platform/AtomicFile.h"
#include "platform/Codepage.h"
#include "platform/Process.h"
#include "platform/Registry.h"
#include "platform/WinError.h"

using namespace win;

namespace {

QString Read(const QString& key, const QString& name) {
  TRegistry reg;
  return reg.OpenKeyReadOnly(key) ? reg.ReadString(name) : QString("<no key>");
}

QByteArray Utf16File(const QString& text) {
  QByteArray data("\xFF\xFE", 2);
  data.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
  return data;
}

}  // namespace

TEST(RegFormat, ImportsEveryKindOfLine) {
  const QByteArray file =
      "REGEDIT4\r\n"
      "\r\n"
      "; a comment\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Borland\\Database Engine]\r\n"
      "\"CONFIGFILE01\"=\"C:\\\\Program Files\\\\IDAPI32.CFG\"\r\n"
      "\"Quoted\"=\"say \\\"da\\\"\"\r\n"
      "@=\"default\"\r\n"
      "\"Count\"=dword:0000002a\r\n"
      "\"Blob\"=hex:01,02,\\\r\n"
      "  03,ff\r\n"
      "\"Expand\"=hex(2):25,54,45,4d,50,25,00\r\n"
      "\"Gone\"=\"x\"\r\n"
      "\"Gone\"=-\r\n"
      "this line is not a value\r\n"
      "[HKEY_CURRENT_USER\\Software\\Other]\r\n"
      "\"Skipped\"=\"1\"\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Old\\Sub]\r\n"
      "\"v\"=\"1\"\r\n"
      "[-HKEY_LOCAL_MACHINE\\Software\\Old]\r\n"
      "[HKLM\\Software\\Short]\r\n"
      "\"Name\"=\"\xAA\"\r\n"  // a Windows-1250 letter
      "[HKEY_LOCAL_MACHINE\\Software\\Blank ]\r\n";
  RegStore s;
  QList<int> bad;
  ASSERT_TRUE(s.Apply(file, &bad));
  EXPECT_EQ(bad, QList<int>{14});
  const RegKey* k = s.Find("\\software\\BORLAND\\database engine\\");
  ASSERT_TRUE(k);
  EXPECT_EQ(k->path, "Software\\Borland\\Database Engine");
  EXPECT_EQ(k->value("configfile01")->text, "C:\\Program Files\\IDAPI32.CFG");
  EXPECT_EQ(k->value("Quoted")->text, "say \"da\"");
  EXPECT_EQ(k->value("")->text, "default");
  EXPECT_EQ(k->value("Count")->dword, 42u);
  EXPECT_EQ(k->value("Blob")->bytes, QByteArray("\x01\x02\x03\xff", 4));
  EXPECT_EQ(k->value("Expand")->type, REG_EXPAND_SZ);
  EXPECT_EQ(k->value("Expand")->text, "%TEMP%");
  EXPECT_FALSE(k->value("Gone"));
  EXPECT_TRUE(s.Find("Software\\Borland"));  // parents exist
  EXPECT_FALSE(s.Find("Software\\Other"));
  EXPECT_FALSE(s.Find("Software\\Old\\Sub"));
  EXPECT_FALSE(s.Find("Software\\Old"));
  EXPECT_EQ(s.Find("Software\\Short")->value("Name")->text, QString(QChar(0x015E)));
  EXPECT_TRUE(s.Find("Software\\Blank "));  // a blank ending a key name is part of it
  EXPECT_FALSE(s.Find("Software\\Blank"));

  // What the store writes reads back the same.
  RegStore again;
  QList<int> bad2;
  ASSERT_TRUE(again.Apply(s.Serialize(), &bad2));
  EXPECT_TRUE(bad2.isEmpty());
  EXPECT_EQ(again.Serialize(), s.Serialize());

  EXPECT_FALSE(RegStore().Apply("not a registry file\r\n[HKEY_LOCAL_MACHINE\\X]\r\n"));
}

TEST(RegFormat, Version5FilesInUtf16) {
  QString text =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Test]\r\n"
      "\"Name\"=\"Bra\u0219ov\"\r\n"  // s with comma below: not in the ANSI code page
      "\"Expand\"=hex(2):25,00,41,00,25,00,00,00\r\n";
  RegStore s;
  ASSERT_TRUE(s.Apply(Utf16File(text)));
  EXPECT_EQ(s.Find("Software\\Test")->value("Name")->text, QString("Bra\u0219ov"));
  EXPECT_EQ(s.Find("Software\\Test")->value("Expand")->text, "%A%");
}

class RegistryTest : public MachineTest {};

TEST_F(RegistryTest, KeysAndValuesWithoutRegardToCase) {
  TRegistry reg;
  EXPECT_EQ(Read("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir"),
            "C:\\Program Files");
  EXPECT_FALSE(reg.KeyExists("\\Software\\Borland"));
  EXPECT_FALSE(reg.OpenKey("\\Software\\Borland\\BLW32", false));
  ASSERT_TRUE(reg.OpenKey("\\Software\\Borland\\BLW32", true));
  reg.WriteString("UseCount", "3");
  EXPECT_TRUE(reg.KeyExists("software\\borland"));
  EXPECT_TRUE(reg.KeyExists("SOFTWARE\\BORLAND\\blw32\\"));
  EXPECT_EQ(Read("\\software\\BORLAND\\blw32", "usecount"), "3");
  // New keys take the case of the parents that exist ("SOFTWARE" of the machine).
  EXPECT_TRUE(machine.ReadHostFile(machine.folder() + "/registry/HKLM.reg")
                  .contains("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Borland\\BLW32]\r\n\"UseCount\"=\"3\""));

  TRegistry ro;
  ASSERT_TRUE(ro.OpenKeyReadOnly("\\Software\\Borland\\BLW32"));
  EXPECT_EQ(ro.ReadString("Missing"), "");
  EXPECT_FALSE(ro.ValueExists("Missing"));
  EXPECT_THROW(ro.WriteString("X", "1"), Error);
}

TEST_F(RegistryTest, OtherTypesSurviveAndAreNotReadAsStrings) {
  machine.WriteHostFile(machine.folder() + "/registry/HKLM.reg",
                        "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\T]\r\n"
                        "\"D\"=dword:00000007\r\n\"B\"=hex:00,01\r\n\"M\"=hex(7):61,00,00\r\n");
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\T", false));
  EXPECT_EQ(reg.GetDataType("d"), REG_DWORD);
  EXPECT_THROW(reg.ReadString("D"), Error);
  reg.WriteString("S", "text");
  QByteArray store = machine.ReadHostFile(machine.folder() + "/registry/HKLM.reg");
  EXPECT_TRUE(store.contains("\"D\"=dword:00000007\r\n\"B\"=hex:00,01\r\n\"M\"=hex(7):61,00,00\r\n"
                             "\"S\"=\"text\""))
      << store.constData();
}

TEST_F(RegistryTest, ADamagedStoreIsReadButNeverOverwritten) {
  const QByteArray damaged =
      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\T]\r\n\"A\"=\"1\"\r\n\"B\"=hex:zz\r\n";
  const QString file = machine.folder() + "/registry/HKLM.reg";
  machine.WriteHostFile(file, damaged);
  EXPECT_EQ(Read("\\Software\\T", "A"), "1");
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\T", false));
  try {
    reg.WriteString("C", "2");
    ADD_FAILURE() << "a damaged store was written";
  } catch (const Error& e) {
    EXPECT_TRUE(e.message().contains("damaged at line 5")) << e.message().toStdString();
  }
  EXPECT_EQ(machine.ReadHostFile(file), damaged);
}

TEST_F(RegistryTest, TheRegistryEditorImportsThroughRunProcess) {
  ASSERT_TRUE(machine.ReadHostFile(machine.Host("C:\\windows\\REGEDIT.EXE")).startsWith("\x7f" "ELF"));
  machine.WriteHostFile(machine.Host("C:\\Temp Files\\bde.reg"),
                        "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Borland\\BLW32]\r\n"
                        "\"BLAPIPATH\"=\"C:\\\\Program Files\\\\Borland\\\\Common Files\\\\BDE\"\r\n");
  EXPECT_EQ(RunProcess("regedit /s \"C:\\Temp Files\\bde.reg\"", SW_MINIMIZE, true), 0);
  EXPECT_EQ(Read("\\Software\\Borland\\BLW32", "BLAPIPATH"),
            "C:\\Program Files\\Borland\\Common Files\\BDE");

  // A missing or foreign file changes nothing and says so in the exit code.
  QByteArray before = machine.ReadHostFile(machine.folder() + "/registry/HKLM.reg");
  machine.WriteHostFile(machine.Host("C:\\notreg.reg"), "hello\r\n");
  EXPECT_EQ(RunProcess("regedit /s C:\\missing.reg", SW_MINIMIZE, true), 1);
  EXPECT_EQ(RunProcess("regedit /s C:\\notreg.reg", SW_MINIMIZE, true), 1);
  EXPECT_EQ(machine.ReadHostFile(machine.folder() + "/registry/HKLM.reg"), before);
}

TEST_F(RegistryTest, ConcurrentWritersLoseNothing) {
  constexpr int kWriters = 3, kValues = 25;
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      int status = 0;
      try {
        TRegistry reg;
        reg.OpenKey("\\Software\\Writers", true);
        for (int i = 0; i < kValues; ++i)
          reg.WriteString(QString("w%1v%2").arg(w).arg(i), QString::number(i));
      } catch (...) {
        status = 1;
      }
      _exit(status);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  RegStore store = LoadRegistry();
  const RegKey* k = store.Find("Software\\Writers");
  ASSERT_TRUE(k);
  EXPECT_EQ(k->values.size(), kWriters * kValues);
}

// A save killed at any step of the way leaves the old store or the new one, never a mixture.
TEST_F(RegistryTest, ASaveKilledHalfwayLeavesTheOldOrTheNewStore) {
  const QString file = machine.folder() + "/registry/HKLM.reg";
  {
    TRegistry reg;
    reg.OpenKey("\\Software\\Big", true);
    reg.WriteString("Filler", QString(20000, 'x'));  // several pieces of the temporary file
  }
  const QByteArray before = machine.ReadHostFile(file);
  QByteArray after;
  int survived = 0;
  for (int killAt = 1;; ++killAt) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      static int steps;
      static int target;
      steps = 0;
      target = killAt;
      AtomicWriteHook = [](const char*) {
        if (++steps == target) raise(SIGKILL);
      };
      TRegistry reg;
      reg.OpenKey("\\Software\\Big", false);
      reg.WriteString("Filler", QString(20000, 'y'));
      _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    QByteArray now = machine.ReadHostFile(file);
    if (WIFEXITED(status)) {  // no step left to kill at: the save completed
      after = now;
      break;
    }
    ASSERT_TRUE(WIFSIGNALED(status));
    RegStore s;
    QList<int> bad;
    ASSERT_TRUE(s.Apply(now, &bad)) << "kill at step " << killAt;
    EXPECT_TRUE(bad.isEmpty());
    QString filler = s.Find("Software\\Big")->value("Filler")->text;
    EXPECT_TRUE(now == before || filler == QString(20000, 'y')) << "kill at step " << killAt;
    if (now != before) ++survived;  // killed after the rename
    // Restore the old store for the next round; leftover temporary files stay harmless.
    machine.WriteHostFile(file, before);
  }
  EXPECT_EQ(survived, 1);
  EXPECT_TRUE(after.contains(QByteArray(100, 'y')));
}
