// .reg files: no crash on any input, and what the store writes reads back to the same text.
#include <QByteArray>
#include <cstdint>
#include <cstdlib>

#include "platform/Registry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  win::RegStore store;
  if (!store.Apply(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)))) return 0;
  const QByteArray written = store.Serialize();
  win::RegStore again;
  QList<int> bad;
  if (!again.Apply(written, &bad) || !bad.isEmpty() || again.Serialize() != written) abort();
  return 0;
}
