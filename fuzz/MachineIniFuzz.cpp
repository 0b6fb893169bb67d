// machine.ini: no crash on any input, and the parsed form keeps the promises of its header.
#include <QString>
#include <cstdint>
#include <cstdlib>

#include "platform/Machine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
  const auto ini = win::ParseMachineIni(text);
  for (auto it = ini.begin(); it != ini.end(); ++it) {
    if (it.key() != it.key().toUpper() || it.key() != it.key().trimmed()) abort();
    for (const auto& [key, value] : it.value()) {
      if (key != key.toUpper() || key != key.trimmed() || key.contains('=')) abort();
      if (value != value.trimmed() || value.contains('\n')) abort();
    }
  }
  return 0;
}
