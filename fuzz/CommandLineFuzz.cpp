// Command lines: no crash on any input, and every list of arguments quoted by the platform's
// rules splits back into itself, behind a quoted program name too.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <cstdlib>

#include "platform/Process.h"

namespace {

// The quoting a careful caller uses for one argument.
QString Quote(const QString& arg) {
  if (!arg.isEmpty() && !arg.contains(' ') && !arg.contains('\t') && !arg.contains('"')) return arg;
  QString out = "\"";
  for (qsizetype i = 0;; ++i) {
    qsizetype n = 0;
    while (i < arg.size() && arg[i] == '\\') ++i, ++n;
    if (i == arg.size()) {
      out += QString(n * 2, '\\');
      break;
    }
    if (arg[i] == '"')
      out += QString(n * 2 + 1, '\\') + '"';
    else
      out += QString(n, '\\') + arg[i];
  }
  return out + "\"";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
  win::SplitArguments(text);
  win::CommandLineToArgv(text);

  // The input as a list of arguments separated by NUL characters; the first is the program.
  QStringList args = text.split(QChar(0));
  QString program = args.takeFirst().remove('"');
  QStringList quoted;
  for (const QString& a : args) quoted << Quote(a);
  QString line = quoted.join(' ');
  if (win::SplitArguments(line) != args) abort();
  if (win::CommandLineToArgv("\"" + program + "\" " + line) != QStringList{program} + args) abort();
  if (win::CommandLineToArgv("\"" + program + "\"" + line) != QStringList{program} + args) abort();
  return 0;
}
