// The release notes window: which file it shows, marking the notes as read, staying usable while
// a page waits, and where it sits over the backdrop.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QTest>
#include <QTextBrowser>

#include "common/ScriptedUser.h"
#include "common/TestMachine.h"
#include "core/Iglobals.h"
#include "core/Main.h"
#include "kit/Cliunit.h"
#include "kit/Title.h"
#include "notes/CInfo.h"
#include "platform/Files.h"

namespace {

const char kFolder[] = "C:\\WinZorv\\VerInfo\\3200875.01";

class NotesTest : public MachineTest {
 protected:
  void SetUp() override {
    ResetInstallerState();
    notes = new TEditInfo;
    ReleaseNotes = notes;
    win::ForceDirectories(kFolder);
    folder = machine.Host(kFolder);
  }
  void TearDown() override {
    ReleaseNotes = nullptr;
    delete notes;
    ResetInstallerState();
  }
  void Write(const QString& name, const QString& title, int paragraphs = 3) {
    QByteArray html = "<html><head><title>" + title.toUtf8() + "</title></head><body>";
    for (int i = 0; i < paragraphs; ++i)
      html += "<p>Paragraful " + QByteArray::number(i) + ": noutatile versiunii.</p>";
    html += "</body></html>";
    machine.WriteHostFile(folder + "/" + name, html);
  }
  bool Exists(const QString& name) { return win::FileExists(QString(kFolder) + "\\" + name); }

  TEditInfo* notes = nullptr;
  QString folder;
};

}  // namespace

TEST_F(NotesTest, ShowsTheUnreadNotesWithTheirTitle) {
  Write("Instruct.htm", "Noutati in versiunea 3200875.01");
  ShowReleaseNotes();
  ASSERT_TRUE(notes->isVisible());
  EXPECT_EQ(notes->FName, QString(kFolder) + "\\Instruct.htm");
  EXPECT_EQ(notes->TitleBar1->Caption(), "Noutati in versiunea 3200875.01");
  EXPECT_TRUE(notes->FrameViewer->toPlainText().contains("Paragraful 2"));
}

TEST_F(NotesTest, ChoiceOfTheFile) {
  const struct {
    const char* name;
    bool unread, read;
    const char* shown;  // nullptr: no window
    bool unreadLeft;
  } cases[] = {
      {"both: the unread copy goes", true, true, "Instruct.html", false},
      {"only the read notes", false, true, "Instruct.html", false},
      {"none: nothing", false, false, nullptr, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    win::DeleteFile(QString(kFolder) + "\\Instruct.htm");
    win::DeleteFile(QString(kFolder) + "\\Instruct.html");
    if (c.unread) Write("Instruct.htm", "necitit");
    if (c.read) Write("Instruct.html", "citit");
    notes->hide();
    ShowReleaseNotes();
    EXPECT_EQ(notes->isVisible(), c.shown != nullptr);
    if (c.shown) {
      EXPECT_EQ(notes->FName, QString(kFolder) + "\\" + c.shown);
    }
    EXPECT_EQ(Exists("Instruct.htm"), c.unreadLeft);
  }
}

TEST_F(NotesTest, ClosingMarksTheNotesRead) {
  Write("Instruct.htm", "necitit");
  ShowReleaseNotes();
  // Esc only hides: the notes stay unread.
  QTest::keyClick(notes->FrameViewer, Qt::Key_Escape);
  EXPECT_FALSE(notes->isVisible());
  EXPECT_TRUE(Exists("Instruct.htm"));

  ShowReleaseNotes();
  notes->close();
  EXPECT_FALSE(notes->isVisible());
  EXPECT_FALSE(Exists("Instruct.htm"));
  EXPECT_TRUE(Exists("Instruct.html"));
  ShowReleaseNotes();
  EXPECT_EQ(notes->FName, QString(kFolder) + "\\Instruct.html");
  notes->close();
  EXPECT_TRUE(Exists("Instruct.html")) << "read notes keep their name";
}

TEST_F(NotesTest, ShowingAgainWhileVisibleDoesNotReload) {
  Write("Instruct.htm", "prima");
  ShowReleaseNotes();
  Write("Instruct.htm", "a doua");
  ShowReleaseNotes();
  EXPECT_EQ(notes->TitleBar1->Caption(), "prima");
  notes->hide();
  ShowReleaseNotes();
  EXPECT_EQ(notes->TitleBar1->Caption(), "a doua");
}

TEST_F(NotesTest, ScrollsWhileAPageWaits) {
  Write("Instruct.htm", "lung", 200);
  ShowReleaseNotes();
  notes->resize(600, 300);
  TMForm page;
  page.resize(637, 114);
  int scrolled = -1;
  ScriptedUser user;
  user.Then([&](QWidget* modal) {
    QTest::keyClick(notes->FrameViewer, Qt::Key_PageDown);
    QTest::keyClick(notes->FrameViewer, Qt::Key_PageDown);
    scrolled = notes->FrameViewer->verticalScrollBar()->value();
    EXPECT_TRUE(notes->isEnabled());
    static_cast<TMForm*>(modal)->ModalResult = mrOk;
  });
  EXPECT_EQ(page.ShowModal(), mrOk);
  EXPECT_GT(scrolled, 0);
}

TEST_F(NotesTest, PlacedOverTheBackdrop) {
  Write("Instruct.htm", "Noutati in versiunea 3200875.01", 4);
  // A picture beside the notes, linked relatively.
  QImage picture(120, 60, QImage::Format_RGB32);
  picture.fill(QColor(8, 74, 140));
  QPainter p(&picture);
  p.fillRect(10, 10, 100, 40, QColor(255, 206, 84));
  p.end();
  picture.save(folder + "/poza.png");
  machine.WriteHostFile(folder + "/Instruct.htm",
                        "<html><head><title>Noutati in versiunea 3200875.01</title></head><body>"
                        "<h2>Ce este nou</h2><p><img src=\"poza.png\"></p>"
                        "<ul><li>Balanta de verificare mai rapida.</li>"
                        "<li>Jurnalele de TVA pe noile formulare.</li></ul></body></html>");
  ReleaseNotes = nullptr;  // the backdrop makes its own, and destroys it
  {
    TInstaller backdrop;
    backdrop.setGeometry(0, 0, 1024, 768);
    backdrop.show();
    Installer = &backdrop;
    ShowReleaseNotes();
    TEditInfo* own = ReleaseNotes;
    ASSERT_TRUE(own && own->isVisible());
    EXPECT_EQ(own->geometry(), QRect(100, 30, 824, 114 + 499 + 30));
    EXPECT_EQ(own->FrameViewer->document()
                  ->resource(QTextDocument::ImageResource, QUrl("poza.png"))
                  .isNull(),
              false)
        << "the picture is found beside the notes";

    QImage screen(1024, 768, QImage::Format_RGB32);
    QPainter sp(&screen);
    backdrop.render(&sp);
    own->render(&sp, own->pos());
    sp.end();
    screen.save(ArtifactPath("notes-over-backdrop.png"));
    Installer = nullptr;
  }
  ReleaseNotes = notes;
}
