// File operations in Windows terms: copy, folders, delete, rename, attributes, times, listings,
// text files and the errors of WinFile.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <functional>

#include "QtPrinters.h"
#include "common/TestMachine.h"
#include "platform/Codepage.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/WinError.h"

using namespace win;

namespace {

// The error a call throws, or a failure when it throws none.
EInOutError IoErrorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const EInOutError& e) {
    return e;
  }
  ADD_FAILURE() << "no EInOutError";
  return EInOutError(0, "");
}

mode_t HostMode(const QString& host) {
  struct stat st {};
  ::stat(QFile::encodeName(host), &st);
  return st.st_mode & 07777;
}

QStringList Names(const QList<TSearchRec>& list) {
  QStringList names;
  for (const TSearchRec& r : list) names << r.Name;
  return names;
}

const TSearchRec* Find(const QList<TSearchRec>& list, const QString& name) {
  for (const TSearchRec& r : list)
    if (r.Name == name) return &r;
  return nullptr;
}

}  // namespace

class FilesTest : public MachineTest {
 protected:
  QString c = machine.Host("C:\\");

  // Whether the test folder keeps extended attributes.
  bool HostHasXattrs() {
    machine.WriteHostFile(c + "/probe", "");
    bool ok = ::setxattr(QFile::encodeName(c + "/probe"), "user.probe", "1", 1, 0) == 0 ||
              (errno != ENOTSUP && errno != EOPNOTSUPP);
    QFile::remove(c + "/probe");
    return ok;
  }
};

TEST_F(FilesTest, CopyKeepsModeAndTime) {
  machine.WriteHostFile(c + "/WinZorv/ZORVAN.EXE", "program");
  ::chmod(QFile::encodeName(c + "/WinZorv/ZORVAN.EXE"), 0755);
  QDateTime when(QDate(2001, 2, 3), QTime(4, 5, 6));
  ASSERT_TRUE(SetFileModified("C:\\WinZorv\\ZORVAN.EXE", when));

  ASSERT_TRUE(CopyFile("c:\\winzorv\\zorvan.exe", "C:\\Copy.exe"));
  EXPECT_EQ(machine.ReadHostFile(c + "/Copy.exe"), "program");
  EXPECT_EQ(HostMode(c + "/Copy.exe"), 0755u);
  EXPECT_EQ(FileModified("C:\\COPY.EXE"), when);

  EXPECT_FALSE(CopyFile("C:\\Missing.exe", "C:\\Copy2.exe"));
  EXPECT_FALSE(CopyFile("C:\\WinZorv", "C:\\Copy2.exe"));
  EXPECT_FALSE(CopyFile("C:\\WinZorv\\ZORVAN.EXE", "C:\\NoFolder\\Copy.exe"));
  EXPECT_FALSE(CopyFile("C:\\WinZorv\\ZORVAN.EXE", "Q:\\Copy.exe"));
  EXPECT_FALSE(FileExists("C:\\Copy2.exe"));
}

TEST_F(FilesTest, CopyOverExistingTargets) {
  machine.WriteHostFile(c + "/new.txt", "new");
  machine.WriteHostFile(c + "/Old.txt", "old");
  EXPECT_FALSE(CopyFile("C:\\new.txt", "C:\\OLD.TXT", true));
  EXPECT_EQ(machine.ReadHostFile(c + "/Old.txt"), "old");
  ASSERT_TRUE(CopyFile("C:\\new.txt", "C:\\OLD.TXT"));
  EXPECT_EQ(machine.ReadHostFile(c + "/Old.txt"), "new");
  EXPECT_FALSE(QFileInfo::exists(c + "/OLD.TXT"));

  // Root could write it anyway; the layer refuses as the platform does.
  machine.WriteHostFile(c + "/Old.txt", "old");
  ASSERT_EQ(FileSetAttr("C:\\Old.txt", faReadOnly), 0);
  EXPECT_FALSE(CopyFile("C:\\new.txt", "C:\\Old.txt"));
  EXPECT_EQ(machine.ReadHostFile(c + "/Old.txt"), "old");

  QDir(c).mkdir("Folder");
  EXPECT_FALSE(CopyFile("C:\\new.txt", "C:\\folder"));
}

TEST_F(FilesTest, CreateDirNeedsTheParentForceDirectoriesDoesNot) {
  EXPECT_FALSE(CreateDir("C:\\WinZorv\\DATA"));
  EXPECT_FALSE(DirectoryExists("C:\\WinZorv"));
  EXPECT_TRUE(ForceDirectories("C:\\WinZorv\\DATA\\Sub\\"));
  EXPECT_TRUE(QFileInfo(c + "/WinZorv/DATA/Sub").isDir());
  EXPECT_TRUE(ForceDirectories("c:\\winzorv\\data"));
  EXPECT_EQ(QDir(c).entryList({"winzorv"}, QDir::Dirs, QDir::Name), QStringList{"WinZorv"});
  EXPECT_FALSE(CreateDir("C:\\WinZorv\\DATA"));
  EXPECT_TRUE(CreateDir("C:\\WINZORV\\More"));
  EXPECT_TRUE(QFileInfo(c + "/WinZorv/More").isDir());

  machine.WriteHostFile(c + "/File", "");
  EXPECT_FALSE(ForceDirectories("C:\\File\\Sub"));
  EXPECT_FALSE(CreateDir("C:\\File"));
  EXPECT_FALSE(ForceDirectories("Q:\\WinZorv"));
  EXPECT_FALSE(ForceDirectories(""));
}

TEST_F(FilesTest, DeleteAndRemove) {
  machine.WriteHostFile(c + "/WinZorv/a.txt", "a");
  machine.WriteHostFile(c + "/WinZorv/ro.txt", "r");
  ASSERT_EQ(FileSetAttr("C:\\WinZorv\\ro.txt", faReadOnly), 0);

  EXPECT_FALSE(DeleteFile("C:\\WinZorv"));
  EXPECT_FALSE(DeleteFile("C:\\WinZorv\\RO.TXT"));
  EXPECT_TRUE(QFileInfo::exists(c + "/WinZorv/ro.txt"));
  EXPECT_FALSE(DeleteFile("C:\\WinZorv\\missing.txt"));
  EXPECT_TRUE(DeleteFile("C:\\WinZorv\\A.TXT"));
  EXPECT_FALSE(QFileInfo::exists(c + "/WinZorv/a.txt"));

  EXPECT_FALSE(RemoveDir("C:\\WinZorv"));
  ASSERT_EQ(FileSetAttr("C:\\WinZorv\\ro.txt", 0), 0);
  EXPECT_TRUE(DeleteFile("C:\\WinZorv\\ro.txt"));
  EXPECT_TRUE(RemoveDir("C:\\winzorv"));
  EXPECT_FALSE(DirectoryExists("C:\\WinZorv"));
}

TEST_F(FilesTest, RenameRefusesAnExistingTarget) {
  machine.WriteHostFile(c + "/a.txt", "a");
  machine.WriteHostFile(c + "/b.txt", "b");
  EXPECT_FALSE(RenameFile("C:\\a.txt", "C:\\B.TXT"));
  EXPECT_EQ(machine.ReadHostFile(c + "/a.txt"), "a");
  EXPECT_EQ(machine.ReadHostFile(c + "/b.txt"), "b");

  ASSERT_TRUE(ForceDirectories("C:\\WinZorv"));
  EXPECT_TRUE(RenameFile("C:\\A.TXT", "C:\\winzorv\\Moved.txt"));
  EXPECT_EQ(machine.ReadHostFile(c + "/WinZorv/Moved.txt"), "a");
  EXPECT_FALSE(RenameFile("C:\\a.txt", "C:\\c.txt"));

  // Another case of the same name renames the entry itself.
  EXPECT_TRUE(RenameFile("C:\\b.txt", "C:\\B.TXT"));
  EXPECT_EQ(QDir(c).entryList(QDir::Files), QStringList{"B.TXT"});
  EXPECT_TRUE(RenameFile("C:\\WinZorv", "C:\\WinZorv2"));
  EXPECT_TRUE(FileExists("C:\\WinZorv2\\moved.txt"));
}

TEST_F(FilesTest, ReadOnlyAttribute) {
  machine.WriteHostFile(c + "/a.txt", "a");
  QDir(c).mkdir("Dir");
  EXPECT_EQ(FileGetAttr("C:\\A.TXT") & ~faArchive, 0);
  EXPECT_EQ(FileGetAttr("C:\\dir") & (faDirectory | faReadOnly), faDirectory);
  EXPECT_EQ(FileGetAttr("C:\\missing"), -1);
  EXPECT_EQ(FileSetAttr("C:\\missing", 0), ERROR_FILE_NOT_FOUND);

  ASSERT_EQ(FileSetAttr("C:\\a.txt", faReadOnly), 0);
  EXPECT_EQ(FileGetAttr("C:\\a.txt") & faReadOnly, faReadOnly);
  EXPECT_EQ(HostMode(c + "/a.txt") & 0222, 0u);
  EXPECT_EQ(IoErrorOf([] { WinFile("C:\\a.txt", WinFile::Append); }).code(), ERROR_ACCESS_DENIED);
  EXPECT_THROW(WriteTextFile("C:\\a.txt", "b"), EInOutError);
  EXPECT_EQ(machine.ReadHostFile(c + "/a.txt"), "a");

  ASSERT_EQ(FileSetAttr("C:\\a.txt", 0), 0);
  EXPECT_EQ(FileGetAttr("C:\\a.txt") & faReadOnly, 0);
  WriteTextFile("C:\\a.txt", "b");
  EXPECT_EQ(machine.ReadHostFile(c + "/a.txt"), "b");
}

TEST_F(FilesTest, HiddenAndSystemAttributes) {
  if (!HostHasXattrs()) GTEST_SKIP() << "the test folder keeps no extended attributes";
  machine.WriteHostFile(c + "/h.txt", "h");
  machine.WriteHostFile(c + "/plain.txt", "p");
  EXPECT_EQ(FileGetAttr("C:\\h.txt"), faArchive);  // new files are marked for archiving
  ASSERT_EQ(FileSetAttr("C:\\h.txt", faHidden | faSysFile | faReadOnly), 0);
  EXPECT_EQ(FileGetAttr("C:\\H.TXT"), faHidden | faSysFile | faReadOnly);

  ASSERT_TRUE(CopyFile("C:\\h.txt", "C:\\copy.txt"));
  EXPECT_EQ(FileGetAttr("C:\\copy.txt"), faHidden | faSysFile | faReadOnly);

  // A hidden file is listed only when asked for.
  EXPECT_EQ(Names(FindFiles("C:\\*.txt", 0)), QStringList{"plain.txt"});
  EXPECT_EQ(Names(FindFiles("C:\\*.txt", faHidden)), QStringList{"plain.txt"});
  EXPECT_EQ(Names(FindFiles("C:\\*.txt", faHidden | faSysFile)),
            (QStringList{"copy.txt", "h.txt", "plain.txt"}));

  // Overwriting takes the attributes of the source, not those the target had.
  ASSERT_EQ(FileSetAttr("C:\\copy.txt", faHidden), 0);
  ASSERT_TRUE(CopyFile("C:\\plain.txt", "C:\\copy.txt"));
  EXPECT_EQ(FileGetAttr("C:\\copy.txt"), FileGetAttr("C:\\plain.txt"));

  ASSERT_EQ(FileSetAttr("C:\\h.txt", faArchive), 0);
  EXPECT_EQ(FileGetAttr("C:\\h.txt"), faArchive);
  ASSERT_EQ(FileSetAttr("C:\\h.txt", 0), 0);
  EXPECT_EQ(FileGetAttr("C:\\h.txt"), 0);
}

// The program runs as an ordinary user, who may change the extended attribute of a file only
// while it is writable. Run as root, the test acts as "nobody" in a child process.
TEST_F(FilesTest, AttributesAsAnOrdinaryUser) {
  if (!HostHasXattrs()) GTEST_SKIP() << "the test folder keeps no extended attributes";
  machine.WriteHostFile(c + "/h.txt", "h");
  const uid_t nobody = 65534;
  if (::geteuid() == 0) {
    ::chmod(QFile::encodeName(machine.folder()), 0755);
    ::chmod(QFile::encodeName(c), 0777);
    ASSERT_EQ(::chown(QFile::encodeName(c + "/h.txt"), nobody, nobody), 0);
  }
  pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (::geteuid() == 0 && (::setgid(nobody) != 0 || ::setuid(nobody) != 0)) ::_exit(100);
    const int want = faHidden | faReadOnly;
    if (FileSetAttr("C:\\h.txt", want) != 0) ::_exit(1);
    if (FileGetAttr("C:\\h.txt") != want) ::_exit(2);
    if (!CopyFile("C:\\h.txt", "C:\\copy.txt") || FileGetAttr("C:\\copy.txt") != want) ::_exit(3);
    if (FileSetAttr("C:\\h.txt", 0) != 0 || FileGetAttr("C:\\h.txt") != 0) ::_exit(4);
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 100) GTEST_SKIP() << "cannot become an ordinary user";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "step that failed";
}

TEST_F(FilesTest, ModificationTimeRoundTrip) {
  machine.WriteHostFile(c + "/a.txt", "a");
  for (const QDateTime& when :
       {QDateTime(QDate(1998, 12, 24), QTime(23, 59, 58, 250)),
        QDateTime(QDate(2030, 6, 1), QTime(0, 0)), QDateTime::fromMSecsSinceEpoch(-1500)}) {
    ASSERT_TRUE(SetFileModified("C:\\A.txt", when)) << when.toString().toStdString();
    EXPECT_EQ(FileModified("c:\\a.TXT"), when);
    EXPECT_EQ(FindFiles("C:\\a.txt", 0).value(0).Time, when);
  }
  EXPECT_FALSE(SetFileModified("C:\\missing.txt", QDateTime::currentDateTime()));
  EXPECT_FALSE(FileModified("C:\\missing.txt").isValid());
}

TEST(MaskTest, PlatformWildcardRules) {
  struct Case {
    const char* mask;
    const char* name;
    bool matches;
  } cases[] = {
      {"*.*", "README", true},
      {"*.*", "a.b.c", true},
      {"*", "a.b", true},
      {"*.TXT", "notes.txt", true},
      {"*.TXT", "notes.txt1", false},
      {"*.TXT", "TXT", false},
      {"*.TXT", "a.b.txt", true},
      {"EXE.*", "EXE", true},
      {"EXE.*", "exe.1", true},
      {"EXE.*", "EXEC", false},
      {"EXE.*", "EXE.ZIP", true},
      {"*.", "README", true},
      {"*.", "read.me", false},
      {"EXE.", "EXE", true},
      {"EXE.", "EXE.1", false},
      {"?", "a", true},
      {"?", "ab", false},
      {"??.TXT", "a.txt", true},
      {"??.TXT", "abc.txt", false},
      {"A?C", "AC", false},
      {"A?C", "ABC", true},
      {"A?", "A", true},
      {"A?.*", "A", true},
      {"a?c", "A.C", false},
      {"ZORV*.EX?", "zorvan.exe", true},
      {"ZORV*.EX?", "zorvan.ex", true},
      {"*A*", "xyz", false},
      {"disk?.ZIP", "DISK12.zip", false},
  };
  for (const Case& k : cases)
    EXPECT_EQ(MatchesMask(k.name, k.mask), k.matches) << k.mask << " / " << k.name;
}

TEST_F(FilesTest, ListingsOrderAndFilter) {
  QString f = c + "/WinZorv";
  for (const char* name : {"b.txt", "A.TXT", "c", "exe.zip"})
    machine.WriteHostFile(f + "/" + name, "12");
  QDir(f).mkpath("Sub");
  ::chmod(QFile::encodeName(f + "/c"), 0444);

  auto files = FindFiles("C:\\winzorv\\*.*", 0);
  EXPECT_EQ(Names(files), (QStringList{"A.TXT", "b.txt", "c", "exe.zip"}));
  EXPECT_EQ(Find(files, "b.txt")->Size, 2);
  EXPECT_EQ(Find(files, "c")->Attr & faReadOnly, faReadOnly);

  // Folders only with faDirectory, with "." and ".." outside a root.
  auto all = FindFiles("C:\\WinZorv\\*", faDirectory);
  EXPECT_EQ(Names(all), (QStringList{".", "..", "A.TXT", "b.txt", "c", "exe.zip", "Sub"}));
  EXPECT_EQ(Find(all, "Sub")->Attr & faDirectory, faDirectory);
  EXPECT_EQ(Find(all, "..")->Attr & faDirectory, faDirectory);
  EXPECT_EQ(Names(FindFiles("C:/WinZorv/*.", 0)), QStringList{"c"});

  EXPECT_EQ(Names(FindFiles("C:\\WinZorv\\EXE.ZIP", faAnyFile)), QStringList{"exe.zip"});
  EXPECT_TRUE(FindFiles("C:\\WinZorv\\none.*", faAnyFile).isEmpty());
  EXPECT_TRUE(FindFiles("C:\\Missing\\*.*", faAnyFile).isEmpty());
  EXPECT_TRUE(FindFiles("Q:\\*.*", faAnyFile).isEmpty());

  ASSERT_TRUE(SetCurrentDir("C:\\WinZorv"));
  EXPECT_EQ(Names(FindFiles("*.txt", 0)), (QStringList{"A.TXT", "b.txt"}));
}

TEST_F(FilesTest, DotEntriesOnlyBelowRoots) {
  QString share = machine.AddShare("\\\\srv\\share");
  QDir(c).mkdir("WinZorv");
  QDir(share).mkdir("WinZorv");
  struct Case {
    const char* mask;
    bool dots;
  } cases[] = {
      {"C:\\*.*", false},
      {"c:/*", false},
      {"C:\\WinZorv\\*.*", true},
      {"C:\\WinZorv\\..\\*", false},
      {"\\\\srv\\share\\*.*", false},
      {"//srv/share/*.*", false},
      {"\\\\srv\\share\\WinZorv\\*.*", true},
  };
  for (const Case& k : cases) {
    QStringList names = Names(FindFiles(k.mask, faDirectory));
    EXPECT_EQ(names.contains("."), k.dots) << k.mask;
    EXPECT_EQ(names.contains(".."), k.dots) << k.mask;
    EXPECT_TRUE(names.contains("WinZorv") || k.dots) << k.mask;
  }
  ASSERT_TRUE(SetCurrentDir("\\\\srv\\share"));
  EXPECT_EQ(Names(FindFiles("*.*", faDirectory)), QStringList{"WinZorv"});
}

TEST_F(FilesTest, LinkToAFolderIsAPlainEntry) {
  QDir(c).mkpath("WinZorv/DATA");
  ASSERT_TRUE(QFile::link(c + "/WinZorv", c + "/WinZorv/DATA/loop"));
  auto list = FindFiles("C:\\WinZorv\\DATA\\*.*", 0);
  ASSERT_EQ(Names(list), QStringList{"loop"});
  EXPECT_EQ(list[0].Attr & faDirectory, 0);
  // Resolution still goes through the link.
  EXPECT_TRUE(DirectoryExists("C:\\WinZorv\\DATA\\LOOP\\data"));
}

TEST_F(FilesTest, TextFilesInTheAnsiCodePage) {
  WriteTextFile("C:\\Nume.txt", "ăşţ ĂŞŢ ș\r\n");
  EXPECT_EQ(machine.ReadHostFile(c + "/Nume.txt"), "\xE3\xBA\xFE \xC3\xAA\xDE ?\r\n");
  EXPECT_EQ(ReadTextFile("C:\\NUME.TXT"), "ăşţ ĂŞŢ ?\r\n");
  EXPECT_EQ(ReadFirstLine("C:\\nume.txt"), "ăşţ ĂŞŢ ?");

  // Outside the code page and outside the basic plane alike: one "?" per character.
  EXPECT_EQ(UnicodeToAnsi("a\U0001F600b€"), "a?b\x80");
  EXPECT_EQ(AnsiToUnicode("\x80\x81\xFF"), "€\u0081˙");
}

TEST_F(FilesTest, ReadTextLinesSplitsEveryLineEnd) {
  struct Case {
    QByteArray bytes;
    QStringList lines;
  } cases[] = {
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\nb", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\r\n\r\nb\n\rc", {"a", "", "b", "", "c"}},
      {"", {}},
  };
  for (const Case& k : cases) {
    machine.WriteHostFile(c + "/lines.txt", k.bytes);
    EXPECT_EQ(ReadTextLines("C:\\lines.txt"), k.lines) << k.bytes.toStdString();
  }
  EXPECT_EQ(ReadFirstLine("C:\\lines.txt"), "");
}

TEST_F(FilesTest, WinFileReadsWritesAppends) {
  {
    WinFile f("C:\\WinZorv.log", WinFile::Create);
    f.write("one", 3);
    f.close();
  }
  {
    WinFile f("C:\\winzorv.LOG", WinFile::Append);
    f.write("two", 3);
    EXPECT_EQ(f.size(), 6);
  }
  EXPECT_EQ(machine.ReadHostFile(c + "/WinZorv.log"), "onetwo");
  WinFile r("C:\\WINZORV.LOG", WinFile::Read);
  char buf[16];
  EXPECT_EQ(r.read(buf, 4), 4);
  EXPECT_EQ(r.read(buf, 16), 2);
  EXPECT_EQ(r.read(buf, 16), 0);
}

TEST_F(FilesTest, WinFileErrorsNameCodeAndFile) {
  QDir(c).mkdir("WinZorv");
  machine.WriteHostFile(c + "/a.txt", "");
  struct Case {
    const char* path;
    WinFile::Mode mode;
    int code;
  } cases[] = {
      {"C:\\WinZorv", WinFile::Create, ERROR_ACCESS_DENIED},
      {"C:\\WinZorv", WinFile::Read, ERROR_ACCESS_DENIED},
      {"C:\\NoFolder\\a.txt", WinFile::Create, ERROR_PATH_NOT_FOUND},
      {"C:\\NoFolder\\a.txt", WinFile::Read, ERROR_PATH_NOT_FOUND},
      {"C:\\a.txt\\b.txt", WinFile::Create, ERROR_PATH_NOT_FOUND},
      {"C:\\missing.txt", WinFile::Read, ERROR_FILE_NOT_FOUND},
      {"Q:\\a.txt", WinFile::Create, ERROR_PATH_NOT_FOUND},
  };
  for (const Case& k : cases) {
    EInOutError e = IoErrorOf([&] { WinFile(k.path, k.mode); });
    EXPECT_EQ(e.code(), k.code) << k.path;
    EXPECT_TRUE(e.message().contains(QString::number(k.code))) << e.what();
    EXPECT_TRUE(e.message().contains(k.path)) << e.what();
  }
  EXPECT_EQ(IoErrorOf([] { ReadTextFile("C:\\missing.txt"); }).code(), ERROR_FILE_NOT_FOUND);
}
