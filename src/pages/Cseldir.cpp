#include "pages/Cseldir.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScreen>
#include <QStyle>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <algorithm>

#include "kit/Actives.h"
#include "kit/Mbuttons.h"
#include "kit/Title.h"
#include "pages/PageLook.h"
#include "platform/Files.h"
#include "platform/Machine.h"
#include "platform/Paths.h"

namespace {

constexpr int kWidth = 600, kHeight = 340;
constexpr int kPathRole = Qt::UserRole;

bool IsUncPath(const QString& p) {
  return p.startsWith("\\\\");
}

// "C:\" or "\\srv\share\" and the components after it.
bool SplitRoot(const QString& path, QString& root, QStringList& parts) {
  QString p = path;
  p.replace('/', '\\');
  if (IsUncPath(p)) {
    QStringList all = p.mid(2).split('\\', Qt::SkipEmptyParts);
    if (all.size() < 2) return false;
    root = "\\\\" + all[0] + "\\" + all[1] + "\\";
    parts = all.mid(2);
    return true;
  }
  if (p.size() < 2 || p[1] != ':' || !p[0].isLetter()) return false;
  root = QString(p[0].toUpper()) + ":\\";
  parts = p.mid(2).split('\\', Qt::SkipEmptyParts);
  return true;
}

// How a root reads in the lists: "c:\" for a drive, the share's name for a share.
QString RootCaption(const QString& root) {
  return IsUncPath(root) ? win::ExcludeTrailingBackslash(root) : root.toLower();
}

// The classic folder list draws no branch marks: the path is shown opened, always.
class TDirList : public QTreeWidget {
 public:
  using QTreeWidget::QTreeWidget;

 protected:
  void drawBranches(QPainter*, const QRect&, const QModelIndex&) const override {}
};

}  // namespace

QStringList SubFolders(const QString& folder) {
  QStringList names;
  for (const win::TSearchRec& r : win::FindFiles(win::JoinPath(folder, "*.*"), win::faDirectory))
    if ((r.Attr & win::faDirectory) && r.Name != "." && r.Name != "..") names << r.Name;
  return names;
}

TDirDialog::TDirDialog(QWidget* parent) : TTitleForm(parent) {
  setObjectName("DirDialog");
  TitleBar1 = ApplyPageLook(this, "Alegeti calea!", kWidth, kHeight);

  ActiveLabel1 = new TActiveLabel(this);
  ActiveLabel1->setObjectName("ActiveLabel1");
  ActiveLabel1->SetCaption("&Disc:");
  ActiveLabel1->SetTransparent(true);
  ActiveLabel1->setGeometry(12, 34, 100, 16);

  DriveComboBox1 = new QComboBox(this);
  DriveComboBox1->setObjectName("DriveComboBox1");
  DriveComboBox1->setGeometry(12, 51, kWidth - 24, 22);
  ActiveLabel1->SetFocusControl(DriveComboBox1);

  ActiveLabel2 = new TActiveLabel(this);
  ActiveLabel2->setObjectName("ActiveLabel2");
  ActiveLabel2->SetCaption("&Cale:");
  ActiveLabel2->SetTransparent(true);
  ActiveLabel2->setGeometry(12, 80, 100, 16);

  dirs = new TDirList(this);
  dirs->setObjectName("dirs");
  dirs->setGeometry(12, 97, kWidth - 24, 196);
  dirs->setHeaderHidden(true);
  dirs->setRootIsDecorated(false);
  dirs->setItemsExpandable(false);
  dirs->setExpandsOnDoubleClick(false);
  dirs->setIndentation(14);
  dirs->setUniformRowHeights(true);
  dirs->installEventFilter(this);
  ActiveLabel2->SetFocusControl(dirs);

  NiceButton1 = new TNiceButton(this);
  NiceButton1->setObjectName("NiceButton1");
  NiceButton1->SetKind(mkOK);
  NiceButton1->setGeometry(kWidth - 224, kHeight - 38, 100, 28);
  NiceButton1->SetColor(PageColor);

  NiceButton2 = new TNiceButton(this);
  NiceButton2->setObjectName("NiceButton2");
  NiceButton2->SetKind(mkCancel);
  NiceButton2->setGeometry(kWidth - 112, kHeight - 38, 100, 28);
  NiceButton2->SetColor(PageColor);
  NiceButton2->SetCancel(true);

  FillDrives();
  connect(DriveComboBox1, &QComboBox::activated, this,
          [this](int index) { Guarded([&] { DriveChosen(index); }); });
  // Opening a folder rebuilds the list; the view copes with its model changing in the handler.
  connect(dirs, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item, int) {
    const QString folder = item->data(0, kPathRole).toString();
    Guarded([&] { SetDirectory(folder); });
  });

  bool placed = SetDirectory(win::GetCurrentDir());
  for (int i = 0; !placed && i < DriveComboBox1->count(); ++i)
    placed = SetDirectory(DriveComboBox1->itemData(i).toString());

  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect s = screen->geometry();
    move(s.x() + (s.width() - kWidth) / 2, s.y() + (s.height() - kHeight) / 2);
  }
  dirs->setFocus();
}

void TDirDialog::FillDrives() {
  DriveComboBox1->clear();
  const win::Machine& m = win::Machine::Current();
  QList<win::Drive> drives = m.drives();
  std::sort(drives.begin(), drives.end(),
            [](const win::Drive& a, const win::Drive& b) { return a.letter < b.letter; });
  for (const win::Drive& d : drives) {
    const QString root = QString(d.letter) + ":\\";
    // The drive's host folder name stands where the platform shows a volume label.
    QString label = d.hostRoot.section('/', -1);
    QString text = QString(d.letter.toLower()) + ":";
    if (!label.isEmpty()) text += " [" + label + "]";
    DriveComboBox1->addItem(text, root);
  }
  for (const win::Share& s : m.shares()) DriveComboBox1->addItem(s.unc, s.unc + "\\");
}

void TDirDialog::SyncDriveList() {
  QString root;
  QStringList parts;
  if (!SplitRoot(directory_, root, parts)) return;
  for (int i = 0; i < DriveComboBox1->count(); ++i)
    if (DriveComboBox1->itemData(i).toString().compare(root, Qt::CaseInsensitive) == 0) {
      DriveComboBox1->setCurrentIndex(i);
      return;
    }
  DriveComboBox1->addItem(RootCaption(root), root);
  DriveComboBox1->setCurrentIndex(DriveComboBox1->count() - 1);
}

void TDirDialog::DriveChosen(int index) {
  const QString root = DriveComboBox1->itemData(index).toString();
  if (!SetDirectory(root)) {
    // A drive without a readable root (a removable drive without its medium) is not entered.
    QApplication::beep();
    SyncDriveList();
  }
}

bool TDirDialog::SetDirectory(const QString& path) {
  QString root;
  QStringList parts;
  if (path.isEmpty()) return false;
  if (!SplitRoot(IsUncPath(path) ? path : win::ExpandFileName(path), root, parts)) return false;
  if (!win::DirectoryExists(root)) return false;
  if (IsUncPath(root)) {
    // The share as the machine names it.
    for (const win::Share& s : win::Machine::Current().shares())
      if (s.unc.compare(win::ExcludeTrailingBackslash(root), Qt::CaseInsensitive) == 0)
        root = s.unc + "\\";
  }
  // Down the path while the folders exist, taking each name as the drive has it.
  QString current = root;
  for (const QString& part : parts) {
    if (part == ".") continue;
    const QStringList subs = SubFolders(current);
    QString found;
    for (const QString& s : subs)
      if (s == part) found = s;
    if (found.isEmpty())
      for (const QString& s : subs)
        if (found.isEmpty() && s.compare(part, Qt::CaseInsensitive) == 0) found = s;
    if (found.isEmpty()) break;
    current = win::JoinPath(current, found);
  }
  directory_ = current;
  FillDirs();
  SyncDriveList();
  return true;
}

void TDirDialog::FillDirs() {
  dirs->clear();
  QString root;
  QStringList parts;
  if (!SplitRoot(directory_, root, parts)) return;
  const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);

  // The root and the path's folders shown opened, one below the other; then the subfolders.
  auto* item = new QTreeWidgetItem(dirs, QStringList(RootCaption(root)));
  item->setIcon(0, open);
  item->setData(0, kPathRole, root);
  QString path = root;
  for (const QString& part : parts) {
    path = win::JoinPath(path, part);
    item = new QTreeWidgetItem(item, QStringList(part));
    item->setIcon(0, open);
    item->setData(0, kPathRole, path);
  }
  QTreeWidgetItem* current = item;
  for (const QString& name : SubFolders(directory_)) {
    auto* sub = new QTreeWidgetItem(current, QStringList(name));
    sub->setIcon(0, closed);
    sub->setData(0, kPathRole, win::JoinPath(directory_, name));
  }
  dirs->expandAll();
  dirs->setCurrentItem(current);
  dirs->scrollToItem(current);
}

QTreeWidgetItem* TDirDialog::ItemOf(const QString& folder) const {
  for (QTreeWidgetItemIterator it(dirs); *it; ++it)
    if ((*it)->data(0, kPathRole).toString().compare(folder, Qt::CaseInsensitive) == 0) return *it;
  return nullptr;
}

bool TDirDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == dirs && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
        (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
      // Enter opens the highlighted folder; it does not answer the dialog.
      if (QTreeWidgetItem* item = dirs->currentItem()) {
        const QString folder = item->data(0, kPathRole).toString();
        Guarded([&] { SetDirectory(folder); });
      }
      return true;
    }
  }
  return TTitleForm::eventFilter(watched, event);
}
