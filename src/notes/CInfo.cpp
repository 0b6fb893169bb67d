#include "notes/CInfo.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPrinter>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

#include "core/Iglobals.h"
#include "core/Main.h"
#include "core/uZORVAN_VER.h"
#include "kit/Mbuttons.h"
#include "kit/Paintpan.h"
#include "kit/Title.h"
#include "platform/Files.h"
#include "platform/Paths.h"

namespace {
const TColor kPanelColor = 9193992;
}

TEditInfo::TEditInfo(QWidget* parent) : TTitleForm(parent) {
  setObjectName("EditInfo");
  setWindowFlag(Qt::WindowStaysOnTopHint);
  SetBorderStyle(bsNone);
  BorderIcons = 0;
  SetColor(clWindow);
  QFont f("MS Sans Serif");
  f.setPixelSize(11);
  f.setBold(true);
  setFont(f);
  resize(823, 524);
  // The notes stay usable while a page or a dialog waits for the user.
  StaysEnabled = true;

  Panel1 = new TMovePanel(this);
  Panel1->setObjectName("Panel1");
  Panel1->setFixedHeight(29);
  QPalette pal = Panel1->palette();
  pal.setColor(QPalette::Window, ToQColor(kPanelColor));
  Panel1->setPalette(pal);
  Panel1->setAutoFillBackground(true);

  NiceButton3 = new TNiceButton(Panel1);
  NiceButton3->setObjectName("NiceButton3");
  NiceButton3->SetKind(mkClose);
  NiceButton3->SetCaption("&E");
  NiceButton3->SetCaptionVisible(false);
  NiceButton3->setFocusPolicy(Qt::NoFocus);
  NiceButton3->resize(31, 29);
  connect(NiceButton3, &QAbstractButton::clicked, this, [this] { hide(); });

  TitleBar1 = new TTitleBar(this);
  TitleBar1->setObjectName("TitleBar1");
  TitleBar1->SetStartColor(kPanelColor);
  TitleBar1->SetEndColor(kPanelColor);
  TitleBar1->SetCaptionColor(clWhite);
  QFont tf = TitleBar1->font();
  tf.setPixelSize(13);
  tf.setBold(true);
  TitleBar1->setFont(tf);
  TitleBar1->SetCaption("Instructiuni pentru versiunea 851.1");
  TitleBar1->setFixedHeight(25);

  FrameViewer = new QTextBrowser(this);
  FrameViewer->setObjectName("FrameViewer");
  FrameViewer->setFrameShape(QFrame::NoFrame);
  FrameViewer->setFocusPolicy(Qt::ClickFocus);
  FrameViewer->setOpenLinks(true);
  FrameViewer->setOpenExternalLinks(false);
  QFont proportional("Times New Roman");
  FrameViewer->document()->setDefaultFont(proportional);
  FrameViewer->setStyleSheet("QTextBrowser { selection-background-color: #084a8c; }");

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(Panel1);
  layout->addWidget(TitleBar1);
  layout->addWidget(FrameViewer, 1);
}

bool TEditInfo::FilePrepared(const QString& folder) {
  QString version = ZorvanVersionText();
  int comma = version.indexOf(',');
  if (comma >= 0) version[comma] = '.';
  const QString unread =
      win::JoinPath(win::JoinPath(win::JoinPath(folder, "VerInfo"), version), "Instruct.htm");
  const QString read = unread + "l";
  const bool hasRead = win::FileExists(read);
  if (hasRead && win::FileExists(unread)) win::DeleteFile(unread);
  if (win::FileExists(unread))
    FName = unread;
  else if (hasRead)
    FName = read;
  else
    FName.clear();
  return !FName.isEmpty();
}

void TEditInfo::showEvent(QShowEvent* event) {
  TTitleForm::showEvent(event);
  if (!FName.isEmpty()) {
    QString host = win::TryToHostPath(FName);
    const QUrl url = QUrl::fromLocalFile(host);
    // The viewer skips a source it already has: the file may have changed since.
    if (FrameViewer->source() == url)
      FrameViewer->reload();
    else
      FrameViewer->setSource(url, QTextDocument::HtmlResource);
    FrameViewer->clearHistory();
  }
  SetCaption(FrameViewer->documentTitle());
  Panel1->setFixedHeight(29);
  NiceButton3->move(Panel1->width() - NiceButton3->width(), 0);
}

void TEditInfo::FormKeyDown(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    NiceButton3->click();
    event->accept();
    return;
  }
  TTitleForm::FormKeyDown(event);
}

void TEditInfo::closeEvent(QCloseEvent* event) {
  event->ignore();
  hide();
  if (FName.isEmpty() || FName.endsWith('l', Qt::CaseInsensitive)) return;
  // The notes have been read: the file gets the read name. A failed move changes nothing.
  if (win::RenameFile(FName, FName + "l")) FName += "l";
}

void TEditInfo::PrintNotes(QPrinter& printer) {
  std::unique_ptr<QTextDocument> copy(FrameViewer->document()->clone());
  QTextCursor all(copy.get());
  all.select(QTextCursor::Document);
  QTextCharFormat black;
  black.setForeground(Qt::black);
  all.mergeCharFormat(black);
  printer.setColorMode(QPrinter::GrayScale);
  copy->print(&printer);
}

void ShowReleaseNotes() {
  TEditInfo* notes = ReleaseNotes;
  if (!notes || !notes->FilePrepared(ProgramDir)) return;
  if (Installer) {
    const QRect b = Installer->geometry();
    const int width = b.width() - 200;
    const int height = Installer->Panou->y() + Installer->Panou->height() + 30;
    notes->setGeometry(b.x() + (b.width() - width) / 2, b.y() + 30, width, height);
  }
  notes->show();
  notes->raise();
  notes->activateWindow();
}

void InstallReleaseNotes() {
  ReleaseNotesHooks.Make = [] { return new TEditInfo; };
  ReleaseNotesHooks.Destroy = [](TEditInfo* notes) { delete notes; };
  ReleaseNotesHooks.Show = ShowReleaseNotes;
}
