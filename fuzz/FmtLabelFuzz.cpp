// The formatted label's mark-up: no crash on any caption, the parsed runs carry exactly the
// caption's text (codes gone, escaped characters kept, one line per carriage return), and the
// label lays out and paints what was parsed.
#include <QApplication>
#include <QImage>
#include <QString>
#include <cstdint>
#include <cstdlib>

#include "kit/FmtLabel.h"

namespace {

bool IsCode(QChar c) {
  return c == '$' || c == '%' || c == '&' || c == '~' || c == '@';
}

// The text of each line with every code taken out, found without the parser's own steps.
QStringList PlainLines(const QString& caption) {
  QStringList lines{QString()};
  for (int i = 0; i < caption.size(); ++i) {
    const QChar c = caption[i];
    if (c == '\\' && i + 1 < caption.size() && IsCode(caption[i + 1])) {
      lines.last() += caption[++i];
    } else if (c == '\r') {
      lines.append(QString());
    } else if (c == '$' || c == '&' || c == '@') {
      while (i + 1 < caption.size() && caption[i + 1] >= '0' && caption[i + 1] <= '9') ++i;
    } else if (c != '%' && c != '~') {
      lines.last() += c;
    }
  }
  return lines;
}

QApplication* App = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  App = new QApplication(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString caption = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
  const QFont font("Sans Serif", 8);
  const QList<TFmtLine> lines = ParseFmtCaption(caption, font, clBlack);
  const QStringList plain = PlainLines(caption);
  if (lines.size() != plain.size()) abort();
  for (int l = 0; l < lines.size(); ++l) {
    QString text;
    for (const TFmtRun& run : lines[l]) {
      text += run.Text;
      if (run.Font.pointSize() <= 0 || run.Font.pointSize() > kFmtMaxPointSize) abort();
    }
    if (text != plain[l]) abort();
  }
  // Layout and painting, on captions of a message's length: the label grows to whatever its
  // text needs, at most the largest size for every character.
  if (caption.size() <= 200) {
    QWidget parent;
    parent.resize(300, 200);
    TFmtLabel label(&parent);
    label.setCaption(caption);
    QImage image(parent.size(), QImage::Format_ARGB32_Premultiplied);
    label.render(&image);
  }
  return 0;
}
