#include <gtest/gtest.h>

#include "common/TestMachine.h"
#include "platform/Files.h"
#include "platform/Paths.h"

using namespace win;

class PathsTest : public MachineTest {};

TEST_F(PathsTest, ResolvesWithoutRegardToCase) {
  QString c = machine.Host("C:\\");
  machine.WriteHostFile(c + "/WinZorv/ZORVAN.EXE", "x");
  EXPECT_TRUE(FileExists("C:\\winzorv\\Zorvan.exe"));
  EXPECT_EQ(ToHostPath("c:\\WINZORV\\zorvan.exe"), c + "/WinZorv/ZORVAN.EXE");
}
