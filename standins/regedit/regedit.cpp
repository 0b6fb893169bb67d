// The machine's registry editor, placed in its Windows folder as REGEDIT.EXE. It imports .reg
// files into the machine's HKEY_LOCAL_MACHINE store: "regedit /s FILE" silently, without /s it
// also says so on its output. Exit code 0 when every file was imported, 1 otherwise.
#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

#include "platform/Registry.h"
#include "platform/WinError.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  bool silent = false;
  QStringList files;
  for (int i = 1; i < argc; ++i) {
    QString arg = QString::fromLocal8Bit(argv[i]);
    if (arg.compare("/s", Qt::CaseInsensitive) == 0 || arg.compare("-s", Qt::CaseInsensitive) == 0)
      silent = true;
    else
      files << arg;
  }
  if (files.isEmpty()) {
    std::fprintf(stderr, "usage: regedit [/s] FILE.reg...\n");
    return 1;
  }
  int result = 0;
  for (const QString& file : files) {
    try {
      win::ImportRegFile(file);
      if (!silent)
        std::printf("Information in %s has been successfully entered into the registry.\n",
                    file.toLocal8Bit().constData());
    } catch (const std::exception& e) {
      std::fprintf(stderr, "regedit: %s\n", e.what());
      result = 1;
    }
  }
  return result;
}
