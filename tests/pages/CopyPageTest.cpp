// The file copy page: which archives each install kind takes and where they go, the engine's
// files, the template databases, the release notes after each program archive, and a copy that
// fails on a missing archive and is completed by Continue.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <memory>

#include "common/PageShots.h"
#include "common/ScriptedUser.h"
#include "common/TestMachine.h"
#include "common/ZipMaker.h"
#include "core/Iglobals.h"
#include "core/Main.h"
#include "core/uZORVAN_VER.h"
#include "kit/Actives.h"
#include "kit/Gauges.h"
#include "kit/Mbuttons.h"
#include "kit/MsgDlg.h"
#include "kit/Title.h"
#include "notes/CInfo.h"
#include "pages/CCopy.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Registry.h"

namespace {

using Entries = QList<QPair<QString, QByteArray>>;

const char* const kKeys[] = {"EXE", "VELAROS", "DBDAT", "DBNEW", "BDE32", "HELP", "KANVERO"};
const char kEngineFolder[] = "C:\\Program Files\\Borland\\Common Files\\BDE";

// What each component's archive holds.
Entries Payload(const QString& key) {
  if (key == "EXE") return {{"ZORVAN.EXE", "MZ zorvan"}, {"CFX32.OCX", "ocx"}};
  if (key == "VELAROS") return {{"VELAROS.EXE", "MZ velaros"}, {"SERVICE.EXE", "MZ service"}};
  if (key == "DBDAT") return {{"DATA/", ""}, {"DATA/FIRME.DB", "firme"}};
  if (key == "DBNEW")
    return {{"NEW/DATA/DATA.DB", "date noi"},
            {"NEW/FIRMA/FIRMA.DB", "firma noua"},
            {"NEW/LUNA/LUNA.DB", "luna noua"}};
  if (key == "BDE32") return {{"bde.reg", "REGEDIT4\r\n"}, {"IDAPI32.CFG", ""}};
  if (key == "HELP") return {{"ZORVAN.HLP", "help"}};
  return {{"KANVERO.EXE", "MZ kanvero"}};
}

Entries WithNotes(Entries entries, const QString& title) {
  entries.append({"VerInfo/" + ZorvanVersionText() + "/Instruct.htm",
                  "<html><head><title>" + title.toUtf8() + "</title></head><body>" +
                      title.toUtf8() + "</body></html>"});
  return entries;
}

// The copy page, keeping every text its status line showed.
class RecordingCopy : public TCopy {
 public:
  QStringList shown;
  void SetGroupName(const QString& text) override {
    shown << text;
    TCopy::SetGroupName(text);
  }
};

// A window nobody expected: the test fails and the window goes, so the run never hangs.
ScriptedUser::Step Unexpected() {
  return [](QWidget* modal) {
    ADD_FAILURE() << "unexpected window: " << modal->windowTitle().toStdString() << ": "
                  << ScriptedUser::MessageText(modal).toStdString();
    ScriptedUser::Reject()(modal);
  };
}

class CopyPageTest : public MachineTest {
 protected:
  void SetUp() override {
    cwd = QDir::currentPath();
    ResetInstallerState();
    MsgPrefix.clear();
    kit = machine.AddDrive('D', "cdrom") + "/KIT";
    machine.WriteHostFile(kit + "/DISK1", "");
    machine.WriteHostFile(kit + "/INSTALL.CFG", "[General]\r\nNrDiscuri=1\r\n");
    SourceDir = "D:\\KIT";
    DiskCount = 6;
    ProgramDir = ShownProgramDir = "C:\\WinZorv";
    DataDir = ShownDataDir = "C:\\Date";
    win::ForceDirectories(ProgramDir);  // the folders page made both
    win::ForceDirectories(DataDir);
    InstallKind = ikLocal;
    backdrop = std::make_unique<TestBackdrop>();
  }
  void TearDown() override {
    backdrop.reset();
    QDir::setCurrent(cwd);
    win::ResetCurrentDir();
    MsgPrefix.clear();
    ResetInstallerState();
  }

  // The component's archive on the medium, cut into parts.
  void PutArchive(const QString& key, const Entries& entries, int parts = 1) {
    const QString zip = machine.folder() + "/zips/" + key + ".zip";
    QDir().mkpath(machine.folder() + "/zips");
    ASSERT_TRUE(MakeZip(zip, entries));
    const QByteArray all = machine.ReadHostFile(zip);
    const int chunk = (int(all.size()) + parts - 1) / parts;
    for (int i = 0; i < parts; ++i)
      machine.WriteHostFile(QString("%1/%2.%3").arg(kit, key).arg(i + 1),
                            all.mid(i * chunk, chunk));
  }
  void PutAll() {
    for (const char* key : kKeys) PutArchive(key, Payload(key));
  }
  bool Exists(const QString& path) const { return win::FileExists(path); }
  QStringList ZipsIn(const QString& folder) const {
    QStringList out;
    for (const auto& r : win::FindFiles(folder + "\\*.ZIP", win::faAnyFile)) out << r.Name;
    return out;
  }
  // Files under a folder, relative, sorted.
  QStringList FilesUnder(const QString& winFolder) const {
    QStringList out;
    const QString host = machine.Host(winFolder);
    QDirIterator it(host, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) out << it.next().mid(host.size() + 1);
    out.sort();
    return out;
  }
  // The page over the backdrop, where the driver puts it.
  void Grab(QWidget* page, const QString& name) { GrabOverBackdrop(&backdrop->window, page, name); }
  // Shows the page and presses Alt+C, as a person would; the copy runs inside.
  void Continue(TCopy& page) {
    if (!page.isVisible()) page.show();
    page.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&page));
    // The mnemonic clicks the button a moment later, as a pressed key does.
    QSignalSpy clicked(page.BNext, &QAbstractButton::clicked);
    QTest::keyClick(&page, Qt::Key_C, Qt::AltModifier);
    ASSERT_TRUE(clicked.wait(2000));
  }

  QString cwd, kit;
  std::unique_ptr<TestBackdrop> backdrop;
};

}  // namespace

TEST_F(CopyPageTest, LocalCopyPutsEveryComponentInItsPlace) {
  PutAll();
  PutArchive("EXE", Payload("EXE"), 3);  // joined from three parts
  machine.WriteHostFile(machine.Host("C:\\WinZorv\\MINE.ZIP"), "the user's own");
  ScriptedUser watch;
  watch.Then(Unexpected());

  RecordingCopy page;
  EXPECT_EQ(CurrentPage, 2);
  EXPECT_EQ(page.TitleBar1->Caption(), "Copiere fisiere Zorvan");
  EXPECT_EQ(page.LGroupName->Caption(), "Apasa 'Continua' pentru a incepe instalarea.....");
  EXPECT_EQ(page.Label1->text(), "Copiere:");
  EXPECT_EQ(page.Label2->text(), "Decompresie:");
  EXPECT_EQ(page.BCancel->Caption(), "&Abandon");
  page.show();
  Grab(&page, "copy-page-before.png");
  Continue(page);

  EXPECT_EQ(page.ModalResult, prNext);
  EXPECT_TRUE(watch.seen.isEmpty());
  EXPECT_EQ(page.shown,
            (QStringList{"Asamblare arhive...", "BDE32.1", "DBDAT.1", "DBNEW.1", "EXE.1", "EXE.2",
                         "EXE.3", "HELP.1", "KANVERO.1", "VELAROS.1", "Fisiere executabile",
                         "Velaros ZORVAN", "ZORVAN: baza de date si exemple",
                         "ZORVAN: baza de date martor", "Borland Database Engine", "Help Zarederad",
                         "Kanvero ZORVAN"}));
  EXPECT_EQ(FilesUnder("C:\\WinZorv"),
            (QStringList{"CFX32.OCX", "KANVERO.EXE", "MINE.ZIP", "SERVICE.EXE", "VELAROS.EXE",
                         "ZORVAN.EXE", "ZORVAN.HLP"}))
      << "program files in, assembled archives gone, the user's own ZIP kept";
  EXPECT_EQ(machine.ReadHostFile(machine.Host("C:\\WinZorv\\ZORVAN.EXE")), "MZ zorvan");
  EXPECT_EQ(FilesUnder("C:\\Date"), (QStringList{"DATA/FIRME.DB", "NEW/DATA/DATA.DB",
                                                 "NEW/FIRMA/FIRMA.DB", "NEW/LUNA/LUNA.DB"}));
  EXPECT_EQ(FilesUnder(kEngineFolder), (QStringList{"IDAPI32.CFG", "bde.reg"}));
  EXPECT_EQ(page.CopyProgress->Max(), 1) << "a CD is one disk";
  EXPECT_EQ(page.CopyProgress->Position(), 1);
  EXPECT_FALSE(page.BNext->isEnabled()) << "the page is closing";
  EXPECT_FALSE(page.BBack->isEnabled());
  EXPECT_FALSE(page.BCancel->isEnabled());
  Grab(&page, "copy-page-after.png");
}

TEST_F(CopyPageTest, KindsTakeTheirComponents) {
  const QStringList all = {"Fisiere executabile",
                           "Velaros ZORVAN",
                           "ZORVAN: baza de date si exemple",
                           "ZORVAN: baza de date martor",
                           "Borland Database Engine",
                           "Help Zarederad",
                           "Kanvero ZORVAN"};
  const QStringList client = {"Fisiere executabile", "Velaros ZORVAN", "Borland Database Engine",
                              "Help Zarederad", "Kanvero ZORVAN"};
  const struct {
    unsigned char kind;
    QStringList components;
    bool database;
  } cases[] = {{ikLocal, all, true}, {ikServer, all, true}, {ikClient, client, false}};
  PutAll();
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.kind));
    // The server's database as a client finds it: its templates must survive.
    QDir(machine.Host("C:\\Date")).removeRecursively();
    machine.WriteHostFile(machine.Host("C:\\Date\\NEW\\DATA\\SERVER.DB"), "server");
    InstallKind = c.kind;
    RecordingCopy page;
    Continue(page);
    EXPECT_EQ(page.ModalResult, prNext);
    // Each archive's parts are joined once; the components follow in table order.
    QStringList parts = page.shown.filter(QRegularExpression("\\.1$"));
    EXPECT_EQ(parts.size(), c.components.size()) << parts.join(' ').toStdString();
    EXPECT_EQ(page.shown.mid(1 + parts.size()), c.components);
    EXPECT_EQ(parts.contains("DBDAT.1"), c.database);
    EXPECT_EQ(Exists("C:\\Date\\NEW\\DATA\\SERVER.DB"), !c.database);
    EXPECT_EQ(Exists("C:\\Date\\DATA\\FIRME.DB"), c.database);
    if (!c.database) {
      EXPECT_EQ(FilesUnder("C:\\Date"), QStringList{"NEW/DATA/SERVER.DB"});
    }
    EXPECT_TRUE(Exists("C:\\WinZorv\\KANVERO.EXE"));
    EXPECT_TRUE(ZipsIn("C:\\WinZorv").isEmpty());
  }
}

TEST_F(CopyPageTest, SiblingModulesMayBeMissing) {
  for (const char* key : {"EXE", "DBDAT", "DBNEW", "BDE32", "HELP"}) PutArchive(key, Payload(key));
  ScriptedUser watch;
  watch.Then(Unexpected());
  TCopy page;
  Continue(page);
  EXPECT_EQ(page.ModalResult, prNext);
  EXPECT_TRUE(watch.seen.isEmpty()) << "no complaint";
  EXPECT_TRUE(Exists("C:\\WinZorv\\ZORVAN.HLP")) << "the archives after them are unpacked";
  EXPECT_FALSE(Exists("C:\\WinZorv\\VELAROS.EXE"));
  EXPECT_FALSE(Exists("C:\\WinZorv\\KANVERO.EXE"));
}

TEST_F(CopyPageTest, AnInstalledEngineKeepsItsFiles) {
  const struct {
    const char* version;
    bool warned;  // an engine older than 4
  } cases[] = {{"5.0", false}, {"3.1", true}};
  PutAll();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.version);
    OldEngineFound = false;
    QDir(machine.Host("C:\\Date\\DATA")).removeRecursively();  // a new data folder each time
    {
      win::TRegistry reg;
      ASSERT_TRUE(
          reg.OpenKey("\\Software\\Borland\\Database Engine\\Settings\\SYSTEM\\INIT", true));
      reg.WriteString("VERSION", c.version);
    }
    QString warning;
    ScriptedUser user;
    if (c.warned) {
      user.Then([&](QWidget* modal) {
        warning = ScriptedUser::MessageText(modal);
        ScriptedUser::Click("O&K")(modal);
      });
    }
    user.Then(Unexpected());
    RecordingCopy page;
    Continue(page);
    EXPECT_EQ(page.ModalResult, prNext);
    EXPECT_EQ(user.seen.size(), c.warned ? 1 : 0);
    EXPECT_EQ(warning.contains("motor baza de date (BDE)"), c.warned);
    EXPECT_TRUE(page.shown.contains("BDE32.1")) << "assembled all the same";
    EXPECT_FALSE(win::DirectoryExists(kEngineFolder)) << "and not unpacked";
    EXPECT_TRUE(Exists("C:\\WinZorv\\ZORVAN.HLP")) << "the copy goes on after it";
    EXPECT_TRUE(ZipsIn("C:\\WinZorv").isEmpty()) << "BDE32.ZIP is deleted with the others";
  }
}

TEST_F(CopyPageTest, TemplateDatabaseReplacesTheNewFoldersCompletely) {
  PutAll();
  for (const char* file :
       {"NEW\\DATA\\DATA.DB", "NEW\\DATA\\OLD.DB", "NEW\\FIRMA\\OLD.DB", "NEW\\LUNA\\OLD.PX",
        "NEW\\DATA\\SUB\\INNER.DB", "NEW\\README.TXT", "DATA\\MINE.DB"})
    machine.WriteHostFile(machine.Host(QString("C:\\Date\\") + file), "old");
  ScriptedUser user;
  user.Then(ScriptedUser::Click("&Da")).Then(Unexpected());  // the user's table is kept
  TCopy page;
  Continue(page);
  EXPECT_EQ(page.ModalResult, prNext);
  EXPECT_EQ(user.seen.size(), 1);
  EXPECT_EQ(machine.ReadHostFile(machine.Host("C:\\Date\\DATA\\MINE.DB")), "old");
  EXPECT_EQ(
      FilesUnder("C:\\Date"),
      (QStringList{"DATA/FIRME.DB", "DATA/MINE.DB", "NEW/DATA/DATA.DB", "NEW/DATA/SUB/INNER.DB",
                   "NEW/FIRMA/FIRMA.DB", "NEW/LUNA/LUNA.DB", "NEW/README.TXT"}))
      << "the three folders' own files are replaced; subfolders and other folders stay";
  EXPECT_EQ(machine.ReadHostFile(machine.Host("C:\\Date\\NEW\\DATA\\DATA.DB")), "date noi");
}

TEST_F(CopyPageTest, ReleaseNotesFollowEachProgramArchive) {
  // Each carrier holds notes titled after itself. The notes window loads its file when it is
  // first shown, so its title names the first program archive after which the notes were
  // offered.
  const struct {
    QStringList carriers;
    const char* title;  // nullptr: never shown
  } cases[] = {
      {{"EXE", "VELAROS", "HELP", "KANVERO"}, "EXE"},
      {{"VELAROS", "HELP", "KANVERO"}, "VELAROS"},
      {{"HELP", "KANVERO"}, "HELP"},
      {{"KANVERO"}, "KANVERO"},
      {{"DBDAT", "DBNEW", "BDE32"}, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.carriers.join(' ').toStdString());
    QDir(machine.Host("C:\\WinZorv")).removeRecursively();
    win::ForceDirectories("C:\\WinZorv");
    ReleaseNotes->hide();
    for (const char* key : kKeys)
      PutArchive(key, c.carriers.contains(key) ? WithNotes(Payload(key), key) : Payload(key));
    TCopy page;
    Continue(page);
    EXPECT_EQ(page.ModalResult, prNext);
    EXPECT_EQ(ReleaseNotes->isVisible(), c.title != nullptr);
    if (c.title) {
      EXPECT_EQ(ReleaseNotes->TitleBar1->Caption(), c.title);
    }
  }
}

TEST_F(CopyPageTest, AltHShowsTheNotesBeforeContinue) {
  machine.WriteHostFile(
      machine.Host("C:\\WinZorv\\VerInfo\\" + ZorvanVersionText() + "\\Instruct.htm"),
      "<html><head><title>Note vechi</title></head></html>");
  TCopy page;
  page.show();
  page.activateWindow();
  EXPECT_FALSE(ReleaseNotes->isVisible());
  QTest::keyClick(page.BNext, Qt::Key_H, Qt::AltModifier);
  EXPECT_TRUE(ReleaseNotes->isVisible());
  EXPECT_EQ(ReleaseNotes->TitleBar1->Caption(), "Note vechi");
  EXPECT_EQ(page.LGroupName->Caption(), "Apasa 'Continua' pentru a incepe instalarea.....")
      << "no copy started";
  EXPECT_EQ(page.ModalResult, mrNone);
}

TEST_F(CopyPageTest, MissingArchiveKeepsThePageOpen) {
  // After the failure each of the three buttons works; Continue, once the parts are on the
  // medium, completes the copy.
  const struct {
    const char* button;
    int result;
  } cases[] = {{"&Continua", prNext}, {"&Inapoi", prBack}, {"&Abandon", prQuit}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.button);
    QDir(machine.Host("C:\\WinZorv")).removeRecursively();
    win::ForceDirectories("C:\\WinZorv");
    QDir(kit).removeRecursively();
    machine.WriteHostFile(kit + "/DISK1", "");
    for (const char* key : kKeys)
      if (QString(key) != "HELP") PutArchive(key, Payload(key));
    QString error;
    bool checked = false;
    ScriptedUser user;
    user.Then(ScriptedUser::Keys(Qt::Key_C, Qt::AltModifier))
        .Then([&](QWidget* modal) {
          EXPECT_TRUE(qobject_cast<QMessageBox*>(modal)) << "the standard error box";
          error = ScriptedUser::MessageText(modal);
          if (auto* box = qobject_cast<QMessageBox*>(modal)) box->button(QMessageBox::Ok)->click();
        })
        .Then([&](QWidget* modal) {
          auto* page = qobject_cast<TCopy*>(modal);
          ASSERT_TRUE(page);
          checked = true;
          EXPECT_EQ(page->ModalResult, mrNone);
          EXPECT_EQ(page->LGroupName->Caption(), "Help Zarederad") << "names what failed";
          EXPECT_TRUE(page->BNext->isEnabled());
          EXPECT_TRUE(page->BBack->isEnabled());
          EXPECT_TRUE(page->BCancel->isEnabled());
          EXPECT_TRUE(Exists("C:\\WinZorv\\ZORVAN.EXE")) << "the archives before it are in";
          EXPECT_FALSE(Exists("C:\\WinZorv\\KANVERO.EXE")) << "later archives are not unpacked";
          EXPECT_TRUE(Exists("C:\\WinZorv\\EXE.ZIP")) << "nor the archives deleted";
          Grab(page, QString("copy-page-failed-%1.png").arg(c.result));
          if (c.result == prNext) PutArchive("HELP", Payload("HELP"), 2);
          ScriptedUser::Click(c.button)(modal);
        })
        .Then(Unexpected());
    TCopy page;
    EXPECT_EQ(page.ShowModal(), c.result);
    EXPECT_TRUE(checked);
    EXPECT_EQ(user.seen.size(), 3) << user.seen.join(", ").toStdString();
    EXPECT_TRUE(error.contains("HELP.ZIP")) << error.toStdString();
    EXPECT_EQ(Exists("C:\\WinZorv\\ZORVAN.HLP"), c.result == prNext);
    EXPECT_EQ(Exists("C:\\WinZorv\\KANVERO.EXE"), c.result == prNext);
    EXPECT_EQ(ZipsIn("C:\\WinZorv").isEmpty(), c.result == prNext);
  }
}

TEST_F(CopyPageTest, CancelledDiskPromptEndsWithQuit) {
  machine.AddDrive('A', "removable");
  SourceDir = "A:\\";
  DiskCount = 2;
  ScriptedUser user;
  QString prompt;
  user.Then([&](QWidget* modal) {
        prompt = ScriptedUser::MessageText(modal);
        ScriptedUser::Click("&Renunt")(modal);
      })
      .Then(Unexpected());
  TCopy page;
  Continue(page);
  EXPECT_EQ(page.ModalResult, prQuit);
  EXPECT_TRUE(prompt.contains("introdu discul de instalare cu numarul \n1"))
      << prompt.toStdString();
  EXPECT_EQ(page.CopyProgress->Max(), 2) << "floppies: as many disks as configured";
  EXPECT_FALSE(page.BNext->isEnabled());
}

TEST_F(CopyPageTest, ProgramFolderAsTyped) {
  // With or without its "\", and the root of a drive, whose bare "C:" would be the drive's
  // current folder instead.
  PutAll();
  win::ForceDirectories("C:\\windows\\temp");
  for (const char* folder : {"C:\\WinZorv\\", "C:\\"}) {
    SCOPED_TRACE(folder);
    ASSERT_TRUE(win::SetCurrentDir("C:\\windows\\temp"));
    ProgramDir = ShownProgramDir = folder;
    ScriptedUser watch;
    watch.Then(Unexpected());
    TCopy page;
    Continue(page);
    EXPECT_EQ(page.ModalResult, prNext);
    EXPECT_TRUE(Exists(win::JoinPath(folder, "ZORVAN.EXE")));
    EXPECT_TRUE(Exists(win::JoinPath(folder, "ZORVAN.HLP")));
    EXPECT_TRUE(ZipsIn(win::ExcludeTrailingBackslash(folder)).isEmpty());
    EXPECT_TRUE(ZipsIn("C:\\windows\\temp").isEmpty());
  }
}

TEST_F(CopyPageTest, AnUnreadableTemplateArchiveKeepsTheOldTemplates) {
  const struct {
    const char* name;
    QByteArray part;  // DBNEW.1 on the medium; empty: none
  } cases[] = {{"missing", {}}, {"not a ZIP", "garbage, not an archive"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QDir(kit).removeRecursively();
    machine.WriteHostFile(kit + "/DISK1", "");
    QDir(machine.Host("C:\\WinZorv")).removeRecursively();
    win::ForceDirectories("C:\\WinZorv");
    for (const char* key : kKeys)
      if (QString(key) != "DBNEW") PutArchive(key, Payload(key));
    if (!c.part.isEmpty()) machine.WriteHostFile(kit + "/DBNEW.1", c.part);
    machine.WriteHostFile(machine.Host("C:\\Date\\NEW\\DATA\\DATA.DB"), "old");
    QString error;
    ScriptedUser user;
    user.Then([&](QWidget* modal) {
          error = ScriptedUser::MessageText(modal);
          if (auto* box = qobject_cast<QMessageBox*>(modal)) box->button(QMessageBox::Ok)->click();
        })
        .Then(Unexpected());
    TCopy page;
    Continue(page);
    EXPECT_EQ(user.seen.size(), 1);
    EXPECT_TRUE(error.contains("DBNEW.ZIP")) << error.toStdString();
    EXPECT_EQ(page.ModalResult, mrNone);
    EXPECT_EQ(page.LGroupName->Caption(), "ZORVAN: baza de date martor");
    EXPECT_EQ(machine.ReadHostFile(machine.Host("C:\\Date\\NEW\\DATA\\DATA.DB")), "old")
        << "the templates stay until new ones can be read";
    EXPECT_FALSE(win::DirectoryExists(kEngineFolder)) << "the copy stopped there";
  }
}
