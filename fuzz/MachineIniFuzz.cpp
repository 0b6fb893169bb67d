// machine.ini: no crash on any input, and the parsed form keeps the promises of its header.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstdlib>

#include "platform/Machine.h"
#include "platform/WinError.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  QString text;
  try {
    text = win::DecodeMachineIni(bytes, "machine.ini");
  } catch (const win::Error&) {
    // Refused: named a line of the file; the rest of the parser gets the lenient decoding.
    text = QString::fromUtf8(bytes);
  }
  int badLine = -1;
  const auto ini = win::ParseMachineIni(text, &badLine);
  if (badLine < 0 || badLine > text.count('\n') + 1) abort();
  for (auto it = ini.begin(); it != ini.end(); ++it) {
    if (it.key() != it.key().toUpper() || it.key() != it.key().trimmed()) abort();
    for (const auto& [key, value] : it.value()) {
      if (key != key.toUpper() || key != key.trimmed() || key.contains('=')) abort();
      if (value != value.trimmed() || value.contains('\n')) abort();
    }
  }
  return 0;
}
