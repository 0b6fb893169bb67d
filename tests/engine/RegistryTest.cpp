// The registry adapter: the .reg format, the machine's store, the registry editor as a real
// process, and saves that neither lose concurrent changes nor leave a broken store behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "EngineSupport.h"
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

// Names and texts outside Windows-1250: Cyrillic "Klyuch" and "Shkaf" (which that code page would
// both write as "????"), "Imya", "Znachenie", "Drugoe"; Greek "Ellada", "Onoma", "Kalimera".
const QString kKeyA = "\u041a\u043b\u044e\u0447", kKeyB = "\u0428\u043a\u0430\u0444";
const QString kName = "\u0418\u043c\u044f";
const QString kTextA = "\u0417\u043d\u0430\u0447\u0435\u043d\u0438\u0435";
const QString kTextB = "\u0414\u0440\u0443\u0433\u043e\u0435";
const QString kGreekKey = "\u0395\u03bb\u03bb\u03ac\u03b4\u03b1";
const QString kGreekName = "\u039f\u03bd\u03bf\u03bc\u03b1";
const QString kGreekText = "\u039a\u03b1\u03bb\u03b7\u03bc\u03ad\u03c1\u03b1";

TEST(RegFormat, TextOutsideTheCodePageMakesAVersion5Store) {
  const QString text =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\" +
      kKeyA +
      "]\r\n"
      "\"" +
      kName + "\"=\"" + kTextA +
      "\"\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\" +
      kKeyB +
      "]\r\n"
      "\"Multi\"=hex(7):b1,03,00,00,b2,03,00,00,00,00\r\n"  // alpha, beta
      "\"Expand\"=hex(2):25,00,b1,03,25,00,00,00\r\n";
  RegStore s;
  ASSERT_TRUE(s.Apply(Utf16File(text)));
  const QByteArray written = s.Serialize();
  EXPECT_TRUE(written.startsWith(Utf16File("Windows Registry Editor Version 5.00\r\n")));
  RegStore again;
  QList<int> bad;
  ASSERT_TRUE(again.Apply(written, &bad));
  EXPECT_TRUE(bad.isEmpty());
  EXPECT_EQ(again.Serialize(), written);
  const RegKey* key = again.Find("Software\\" + kKeyA.toLower());
  ASSERT_TRUE(key);
  EXPECT_EQ(key->value(kName.toLower())->text, kTextA);
  const RegKey* other = again.Find("Software\\" + kKeyB);
  ASSERT_TRUE(other);
  EXPECT_EQ(other->value("Expand")->text, "%\u03b1%");
  EXPECT_EQ(other->value("Multi")->bytes, QByteArray("\xb1\x03\0\0\xb2\x03\0\0\0\0", 10));

  // Text the code page holds keeps the REGEDIT4 store, multi-strings in it included.
  RegStore ansi;
  ASSERT_TRUE(
      ansi.Apply(Utf16File("Windows Registry Editor Version 5.00\r\n"
                           "[HKEY_LOCAL_MACHINE\\Software\\Bra\u015fov]\r\n"
                           "\"M\"=hex(7):61,00,00,00,00,00\r\n")));
  EXPECT_TRUE(ansi.Serialize().startsWith("REGEDIT4\r\n"));
  EXPECT_TRUE(
      ansi.Serialize().contains("[HKEY_LOCAL_MACHINE\\Software\\Bra\xbaov]\r\n"
                                "\"M\"=hex(7):61,00,00\r\n"));
}

class RegistryTest : public MachineTest {
 protected:
  QString Folder() const { return machine.folder() + "/registry"; }
  QString Store() const { return Folder() + "/HKLM.reg"; }
};

TEST_F(RegistryTest, AVersion5FileImportedTwiceLeavesTheStoreAsItWas) {
  const QString text =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\" +
      kKeyA +
      "]\r\n"
      "\"" +
      kName + "\"=\"" + kTextA +
      "\"\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\" +
      kKeyB +
      "]\r\n"
      "\"" +
      kName + "\"=\"" + kTextB +
      "\"\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\" +
      kGreekKey +
      "]\r\n"
      "\"" +
      kGreekName + "\"=\"" + kGreekText + "\"\r\n";
  machine.WriteHostFile(machine.Host("C:\\intl.reg"), Utf16File(text));
  ASSERT_EQ(RunProcess("regedit /s C:\\intl.reg", SW_MINIMIZE, true), 0);
  const QByteArray once = machine.ReadHostFile(Store());
  ASSERT_EQ(RunProcess("regedit /s C:\\intl.reg", SW_MINIMIZE, true), 0);
  EXPECT_EQ(machine.ReadHostFile(Store()), once);

  EXPECT_EQ(Read("\\Software\\" + kKeyA, kName), kTextA);
  EXPECT_EQ(Read("\\Software\\" + kKeyB, kName), kTextB);
  EXPECT_EQ(Read("\\Software\\" + kGreekKey, kGreekName), kGreekText);
  // The platform's keys are still there, and a change through the program keeps it all.
  EXPECT_EQ(Read("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir"),
            "C:\\Program Files");
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\Borland", true));
  reg.WriteString("X", "1");
  EXPECT_EQ(Read("\\Software\\" + kKeyB, kName), kTextB);
  EXPECT_EQ(Read("\\Software\\" + kGreekKey, kGreekName), kGreekText);
}

TEST_F(RegistryTest, AnEmptyStoreKeepsThePlatformKeys) {
  machine.WriteHostFile(Store(), "");
  EXPECT_EQ(Read("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir"),
            "C:\\Program Files");
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\Borland\\BLW32", true));
  reg.WriteString("UseCount", "1");
  const QByteArray store = machine.ReadHostFile(Store());
  EXPECT_TRUE(store.contains("\"ProgramFilesDir\"=\"C:\\\\Program Files\"")) << store.constData();
  EXPECT_TRUE(store.contains("\"UseCount\"=\"1\""));
}

// Another process holds the store's lock and never lets go: writers give up after their bound,
// the registry editor too, naming the store; nothing changes and nothing is left beside it.
TEST_F(RegistryTest, AWriterGivesUpOnALockHeldForever) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\T", true));
  const QByteArray before = machine.ReadHostFile(Store());
  machine.WriteHostFile(machine.Host("C:\\t.reg"),
                        "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Software\\T]\r\n\"B\"=\"2\"\r\n");
  {
    HeldStoreLock held(Folder(), 300);
    try {
      reg.WriteString("A", "1");
      ADD_FAILURE() << "wrote under a lock held by another";
    } catch (const Error& e) {
      EXPECT_TRUE(e.message().contains("registry store " + Store())) << e.message().toStdString();
      EXPECT_TRUE(e.message().contains("locked")) << e.message().toStdString();
    }
    EXPECT_FALSE(reg.OpenKey("\\Software\\New", true));
    EXPECT_EQ(RunProcess("regedit /s C:\\t.reg", SW_MINIMIZE, true), 1);
    EXPECT_EQ(machine.ReadHostFile(Store()), before);
    EXPECT_EQ(FolderEntries(Folder()), QStringList{"HKLM.reg"});
  }
  ASSERT_TRUE(reg.OpenKey("\\Software\\T", false));
  reg.WriteString("A", "1");  // once it is let go
  EXPECT_EQ(Read("\\Software\\T", "A"), "1");
}

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
  EXPECT_TRUE(
      machine.ReadHostFile(machine.folder() + "/registry/HKLM.reg")
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
                        "\"D\"=dword:00000007\r\n\"B\"=hex:00,01\r\n\"M\"=hex(7):61,00,00\r\n"
                        "\"N\"=hex(4):01,02\r\n");
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\T", false));
  EXPECT_EQ(reg.GetDataType("d"), REG_DWORD);
  EXPECT_THROW(reg.ReadString("D"), Error);
  reg.WriteString("S", "text");
  QByteArray store = machine.ReadHostFile(machine.folder() + "/registry/HKLM.reg");
  EXPECT_TRUE(
      store.contains("\"D\"=dword:00000007\r\n\"B\"=hex:00,01\r\n\"M\"=hex(7):61,00,00\r\n"
                     "\"N\"=hex(4):01,02\r\n\"S\"=\"text\""))
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
  EXPECT_EQ(FolderEntries(Folder()), QStringList{"HKLM.reg"});
}

TEST_F(RegistryTest, TheRegistryEditorImportsThroughRunProcess) {
  ASSERT_TRUE(machine.ReadHostFile(machine.Host("C:\\windows\\REGEDIT.EXE"))
                  .startsWith("\x7f"
                              "ELF"));
  machine.WriteHostFile(
      machine.Host("C:\\Temp Files\\bde.reg"),
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
  EXPECT_EQ(FolderEntries(Folder()), QStringList{"HKLM.reg"});  // no lock, no temporary file
}

// A save killed at any step of the way leaves the old store or the new one, never a mixture; a
// temporary file it left is gone after the next save.
TEST_F(RegistryTest, ASaveKilledHalfwayLeavesTheOldOrTheNewStore) {
  const QString file = machine.folder() + "/registry/HKLM.reg";
  {
    TRegistry reg;
    reg.OpenKey("\\Software\\Big", true);
    reg.WriteString("Filler", QString(20000, 'x'));  // several pieces of the temporary file
  }
  const QByteArray before = machine.ReadHostFile(file);
  QByteArray after;
  int survived = 0, leftBehind = 0;
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
    if (now != before) ++survived;                         // killed after the rename
    if (FolderEntries(Folder()).size() > 1) ++leftBehind;  // killed once it was named
    // Restore the old store for the next round.
    machine.WriteHostFile(file, before);
  }
  EXPECT_EQ(survived, 1);
  EXPECT_EQ(leftBehind, 1);
  EXPECT_TRUE(after.contains(QByteArray(100, 'y')));
  EXPECT_EQ(FolderEntries(Folder()), QStringList{"HKLM.reg"});
}
