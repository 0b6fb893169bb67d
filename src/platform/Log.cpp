#include "platform/Log.h"

#include <fcntl.h>
#include <unistd.h>

#include <QByteArray>

namespace win {

void LogLine(const QString& line) {
  QByteArray path = qgetenv("ZAREDERAD_LOG");
  if (path.isEmpty()) return;
  int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return;
  // One write per line, so that the lines of two processes never interleave.
  QByteArray text = QByteArray::number(qint64(::getpid())) + " " + line.toUtf8() + "\n";
  (void)!::write(fd, text.constData(), text.size());
  ::close(fd);
}

}  // namespace win
