// .reg files: no crash on any input, what the store writes reads back to the same text, and
// nothing is lost on the way: every key and value read from the input comes back unchanged.
#include <QByteArray>
#include <cstdint>
#include <cstdlib>

#include "platform/Registry.h"

namespace {

bool Same(const win::RegValue& a, const win::RegValue& b) {
  return a.name == b.name && a.type == b.type && a.text == b.text && a.dword == b.dword &&
         a.bytes == b.bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  win::RegStore store;
  if (!store.Apply(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)))) return 0;
  const QByteArray written = store.Serialize();
  win::RegStore again;
  QList<int> bad;
  if (!again.Apply(written, &bad) || !bad.isEmpty() || again.Serialize() != written) abort();
  if (again.keys().size() != store.keys().size()) abort();
  for (const win::RegKey& key : store.keys()) {
    const win::RegKey* back = again.Find(key.path);
    if (!back || back->path != key.path || back->values.size() != key.values.size()) abort();
    for (qsizetype i = 0; i < key.values.size(); ++i)
      if (!Same(key.values[i], back->values[i])) abort();
  }
  return 0;
}
