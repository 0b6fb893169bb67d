// Private-profile reading by the platform's rules, and WIN.INI.
#include <gtest/gtest.h>

#include "QtPrinters.h"
#include "common/TestMachine.h"
#include "platform/Profile.h"

using namespace win;

class ProfileTest : public MachineTest {
 protected:
  void SetUp() override {
    machine.WriteHostFile(machine.Host("C:\\windows") + "/ZORV.INI",
                          "; settings\r\n"
                          "[Setup]\r\n"
                          "Plain=value\r\n"
                          "  Spaced  =   padded value  \t\r\n"
                          "Quoted=\"  inside  \"\r\n"
                          "Single='x'\r\n"
                          "Mismatch=\"abc'\r\n"
                          "Inner=a \"b\" c\r\n"
                          "Empty=\r\n"
                          "Nume=\xE3\xBA\xFE\r\n"
                          "Three=3\r\n"
                          "Trail=12abc\r\n"
                          "Letter=x12\r\n"
                          "Neg=-4\r\n"
                          "Plus=+7\r\n"
                          "  [ Other ]  \r\n"
                          "Plain=other\r\n");
  }
};

TEST_F(ProfileTest, Strings) {
  const QString ini = "C:\\WINDOWS\\zorv.ini";
  struct Case {
    const char* section;
    const char* key;
    const char* def;
    int size;
    QString file;
    QString expected;
  } cases[] = {
      {"Setup", "Plain", "d", 80, ini, "value"},
      {"SETUP", "plain", "d", 80, ini, "value"},
      {"other", "PLAIN", "d", 80, ini, "other"},
      {"Setup", "Spaced", "d", 80, ini, "padded value"},
      {"Setup", "Quoted", "d", 80, ini, "  inside  "},
      {"Setup", "Single", "d", 80, ini, "x"},
      {"Setup", "Mismatch", "d", 80, ini, "\"abc'"},
      {"Setup", "Inner", "d", 80, ini, "a \"b\" c"},
      {"Setup", "Empty", "d", 80, ini, ""},
      {"Setup", "Nume", "d", 80, ini, "ăşţ"},
      {"Setup", "Missing", "default", 80, ini, "default"},
      {"Nowhere", "Plain", "default", 80, ini, "default"},
      {"Setup", "Plain", "default", 80, "C:\\windows\\missing.ini", "default"},
      {"Setup", "Plain", "default", 80, "Q:\\zorv.ini", "default"},
      {"Setup", "Missing", "default  ", 80, ini, "default"},
      {"Setup", "Plain", "d", 4, ini, "val"},
      {"Setup", "Plain", "d", 1, ini, ""},
      {"Setup", "Missing", "default", 3, ini, "de"},
      {"Setup", "Plain", "d", 80, "zorv.ini", "value"},
  };
  for (const Case& k : cases)
    EXPECT_EQ(GetPrivateProfileString(k.section, k.key, k.def, k.size, k.file), k.expected)
        << "[" << k.section << "] " << k.key << " size " << k.size << " in "
        << k.file.toStdString();
}

TEST_F(ProfileTest, Integers) {
  struct Case {
    const char* section;
    const char* key;
    int expected;
  } cases[] = {
      {"Setup", "Three", 3},    {"setup", "TRAIL", 12}, {"Setup", "Letter", 0},
      {"Setup", "Empty", 0},    {"Setup", "Neg", -4},   {"Setup", "Plus", 7},
      {"Setup", "Missing", 99}, {"None", "Three", 99},
  };
  for (const Case& k : cases)
    EXPECT_EQ(GetPrivateProfileInt(k.section, k.key, 99, "ZORV.INI"), k.expected) << k.key;
  EXPECT_EQ(GetPrivateProfileInt("Setup", "Three", 99, "C:\\windows\\missing.ini"), 99);
}

TEST_F(ProfileTest, WinIni) {
  machine.WriteHostFile(machine.Host("C:\\windows\\WIN.INI"),
                        "[windows]\r\nload=\r\n[Zorv]\r\nDisk=D:\\\r\nCount=2\r\n");
  EXPECT_EQ(GetProfileString("ZORV", "disk", "", 80), "D:\\");
  EXPECT_EQ(GetProfileInt("zorv", "Count", 0), 2);
  EXPECT_EQ(GetProfileString("Zorv", "None", "no", 80), "no");

  machine.SetEnv("WINDIR", "C:\\WinNT");
  machine.WriteHostFile(machine.folder() + "/drive_c/WinNT/win.ini", "[Zorv]\nDisk=E:\\\n");
  EXPECT_EQ(GetProfileString("Zorv", "Disk", "", 80), "E:\\");
  EXPECT_EQ(GetPrivateProfileString("Zorv", "Disk", "", 80, "WIN.INI"), "E:\\");
}
