// The program group: the command text, the conversation layer and the shell's menu files.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include "EngineSupport.h"
#include "common/ScriptedUser.h"
#include "core/Iglobals.h"
#include "engine/Groupint.h"
#include "platform/Dde.h"
#include "platform/Progman.h"

using namespace win;

namespace {

class GroupTest : public MachineTest {
 protected:
  void SetUp() override {
    ResetInstallerState();
    oldData_ = qgetenv("XDG_DATA_HOME");
    oldConfig_ = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(xdg.path() + "/data"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(xdg.path() + "/config"));
  }
  void TearDown() override {
    qputenv("XDG_DATA_HOME", oldData_);
    qputenv("XDG_CONFIG_HOME", oldConfig_);
  }
  void Program(const QString& dir, const QStringList& files) {
    ProgramDir = ShownProgramDir = dir;
    for (const QString& f : files) machine.WriteHostFile(machine.Host(dir + "\\" + f), "MZ");
  }
  QStringList MenuFiles() const {
    QStringList out;
    QDirIterator it(xdg.path(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) out << it.next().mid(xdg.path().size() + 1);
    out.sort();
    return out;
  }
  QTemporaryDir xdg;

 private:
  QByteArray oldData_, oldConfig_;
};

// A service of this process that keeps what it was sent.
struct Recorder : DdeServer {
  static inline QList<QByteArray> received;
  static inline QString topic;
  bool Connect(const QString& t) override {
    topic = t;
    return true;
  }
  void Execute(const QByteArray& command) override { received << command; }
};

}  // namespace

TEST_F(GroupTest, MacroFollowsTheModulesPresent) {
  const QString z = "[AddItem(\"C:\\WinZorv\\ZORVAN.EXE\", \"Zorvan\")]\r\n";
  const QString head = "[CreateGroup(\"ZarEDERAD\")]\r\n" + z;
  const QString show = "[ShowGroup(\"ZarEDERAD\",8)]\r\n";
  const struct {
    QStringList files;
    QString macro;
  } cases[] = {
      {{}, head + show},
      {{"KANVERO.EXE"}, head + "[AddItem(\"C:\\WinZorv\\KANVERO.EXE\", \"Kanvero\")]\r\n" + show},
      {{"VELAROS.EXE", "KANVERO.EXE"},
       head +
           "[AddItem(\"C:\\WinZorv\\SERVICE.EXE\", \"Service\")]\r\n"
           "[AddItem(\"C:\\WinZorv\\VELAROS.EXE\", \"Velaros\")]\r\n"
           "[AddItem(\"C:\\WinZorv\\KANVERO.EXE\", \"Kanvero\")]\r\n" +
           show},
      // SERVICE.EXE alone brings no item: the satellite module's VELAROS.EXE decides.
      {{"SERVICE.EXE"}, head + show},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.files.join(",").toStdString());
    QDir(machine.Host("C:\\WinZorv")).removeRecursively();
    Program("C:\\WinZorv", c.files);
    EXPECT_EQ(GroupMacro(), c.macro);
  }
  Program("C:\\WinZorv\\", {});  // as stored: the separator doubles
  EXPECT_TRUE(GroupMacro().contains("[AddItem(\"C:\\WinZorv\\\\ZORVAN.EXE\", \"Zorvan\")]\r\n"));
}

TEST(ProgmanCommands, ParsesTheShellsCommandText) {
  auto cmds = ParseProgmanCommands(
      "[CreateGroup(\"Zar, EDERAD\")][AddItem( C:\\A.EXE , \"A (1)\" )]\r\n"
      "junk [ShowGroup(\"G\",8)] [Unknown] [Broken(\"x\"\r\n[DeleteItem(\"A\")]\r\n");
  ASSERT_EQ(cmds.size(), 5);
  EXPECT_EQ(cmds[0].name, "CreateGroup");
  EXPECT_EQ(cmds[0].args, QStringList{"Zar, EDERAD"});
  EXPECT_EQ(cmds[1].args, (QStringList{"C:\\A.EXE", "A (1)"}));
  EXPECT_EQ(cmds[2].args, (QStringList{"G", "8"}));
  EXPECT_EQ(cmds[3].name, "Unknown");
  EXPECT_TRUE(cmds[3].args.isEmpty());
  EXPECT_EQ(cmds[4].name, "DeleteItem");
}

TEST(ProgmanCommands, ExecLinesQuotedByTheDesktopEntryRules) {
  const struct {
    QStringList argv;
    QString exec;
  } cases[] = {
      {{"/opt/z/ZORVAN.EXE"}, "/opt/z/ZORVAN.EXE"},
      {{"/opt/Program Files/Z.EXE", "/Q"}, "\"/opt/Program Files/Z.EXE\" /Q"},
      {{"/opt/100%/Z.EXE"}, "/opt/100%%/Z.EXE"},
      {{"/opt/a\"b$c`d\\e"}, "\"/opt/a\\\\\"b\\\\$c\\\\`d\\\\\\\\e\""},
      {{"/opt/z", ""}, "/opt/z \"\""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(DesktopExec(c.argv), c.exec) << c.argv.join('|').toStdString();
}

TEST_F(GroupTest, TheShellsMenuFilesAreValid) {
  const QString dir = "C:\\Program Files\\Zorvan 100%";
  Program(dir, {"ZORVAN.EXE", "VELAROS.EXE", "KANVERO.EXE"});
  DoConfigGroup();
  const QStringList files = MenuFiles();
  EXPECT_EQ(files, (QStringList{"config/menus/applications-merged/zarederad-ZarEDERAD.menu",
                                "data/applications/zarederad/ZarEDERAD/Kanvero.desktop",
                                "data/applications/zarederad/ZarEDERAD/Service.desktop",
                                "data/applications/zarederad/ZarEDERAD/Velaros.desktop",
                                "data/applications/zarederad/ZarEDERAD/Zorvan.desktop",
                                "data/desktop-directories/zarederad-ZarEDERAD.directory"}));
  DoConfigGroup();  // again: the same group, nothing added
  EXPECT_EQ(MenuFiles(), files);

  QString zorvan = QString::fromUtf8(
      machine.ReadHostFile(xdg.path() + "/data/applications/zarederad/ZarEDERAD/Zorvan.desktop"));
  QString host = machine.Host(dir + "\\ZORVAN.EXE");
  EXPECT_TRUE(zorvan.contains("\nName=Zorvan\n")) << zorvan.toStdString();
  EXPECT_TRUE(zorvan.contains("\nExec=\"" + QString(host).replace("%", "%%") + "\"\n"))
      << zorvan.toStdString();

  if (QStandardPaths::findExecutable("desktop-file-validate").isEmpty())
    GTEST_SKIP() << "desktop-file-validate (desktop-file-utils) is not installed";
  for (const QString& f : files) {
    if (f.endsWith(".menu")) continue;
    QProcess validate;
    validate.start("desktop-file-validate", {xdg.path() + "/" + f});
    ASSERT_TRUE(validate.waitForFinished());
    EXPECT_EQ(validate.exitCode(), 0)
        << f.toStdString() << ": " << validate.readAllStandardOutput().toStdString();
    EXPECT_EQ(validate.readAllStandardOutput(), "") << f.toStdString();
  }

  // The menu: well-formed, and it lists the group's entries by their desktop-file IDs.
  QXmlStreamReader xml(machine.ReadHostFile(xdg.path() + "/" + files[0]));
  QStringList names, included;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    if (xml.name() == u"Name") names << xml.readElementText();
    if (xml.name() == u"Filename") included << xml.readElementText();
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  EXPECT_EQ(names, (QStringList{"Applications", "ZarEDERAD"}));
  EXPECT_EQ(
      included,
      (QStringList{"zarederad-ZarEDERAD-Kanvero.desktop", "zarederad-ZarEDERAD-Service.desktop",
                   "zarederad-ZarEDERAD-Velaros.desktop", "zarederad-ZarEDERAD-Zorvan.desktop"}));
}

TEST_F(GroupTest, UnwritableMenuLocationGivesTheDdeErrorAndNothingElse) {
  machine.WriteHostFile(xdg.path() + "/config", "a file where the folder should be");
  Program("C:\\WinZorv", {"ZORVAN.EXE"});
  QString shown;
  ScriptedUser user;
  user.Then([&](QWidget* modal) {
    shown = ScriptedUser::MessageText(modal);
    EXPECT_TRUE(modal->grab().save(ScreenFile("group-dde-error.png")));
    ScriptedUser::Click("&Renunt")(modal);
  });
  DoConfigGroup();
  EXPECT_EQ(user.seen, QStringList{"TMessageForm: Eroare..."});
  EXPECT_TRUE(shown.contains("Eroare DDE!"));
  EXPECT_EQ(QDir(xdg.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
            QStringList{"config"});  // not even a folder made
}

TEST_F(GroupTest, ConversationCarriesTheMacroToItsService) {
  RegisterDdeService("Recorder", [] { return std::unique_ptr<DdeServer>(new Recorder); });
  Recorder::received.clear();
  {
    TDdeClientConv conv;
    conv.ConnectMode = ddeManual;
    ASSERT_TRUE(conv.SetLink("RECORDER", "topic"));
    EXPECT_FALSE(conv.Connected());
    EXPECT_FALSE(conv.ExecuteMacro("[X()]", true));  // no conversation yet
    ASSERT_TRUE(conv.OpenLink());
    EXPECT_EQ(Recorder::topic, "topic");
    EXPECT_TRUE(conv.ExecuteMacro("[A()]\r\n", true));
    EXPECT_EQ(Recorder::received, QList<QByteArray>{"[A()]\r\n"});
    // Not waiting: carried out from the event loop; nothing else is taken meanwhile.
    EXPECT_TRUE(conv.ExecuteMacro("[B()]", false));
    EXPECT_TRUE(conv.Busy());
    EXPECT_FALSE(conv.ExecuteMacro("[C()]", true));
    QCoreApplication::processEvents();
    EXPECT_FALSE(conv.Busy());
    EXPECT_EQ(Recorder::received.size(), 2);
  }
  RegisterDdeService("Recorder", nullptr);
  TDdeClientConv automatic;
  EXPECT_FALSE(automatic.SetLink("Recorder", ""));  // no such service, nor a program of its name
  EXPECT_TRUE(automatic.SetLink("ProgMan", ""));    // automatic mode opens at once
  EXPECT_TRUE(automatic.Connected());
}
