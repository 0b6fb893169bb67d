#pragma once
// Writes ZIP archives byte by byte, with every header field under the test's control, so that
// damaged and hostile archives can be made as an attacker would make them.
#include <zlib.h>

#include <QByteArray>
#include <QList>
#include <QString>

struct RawEntry {
  QByteArray name;
  QByteArray data;          // uncompressed
  quint16 method = 8;       // 0 stored, 8 deflated, anything else as given
  quint16 madeBy = 0x0014;  // MS-DOS, version 2.0
  quint32 external = 0x20;  // archive
  quint16 flags = 0;
  quint16 dosTime = (10 << 11) | (30 << 5) | 5;            // 10:30:10
  quint16 dosDate = ((2021 - 1980) << 9) | (3 << 5) | 14;  // 2021-03-14
  // Overrides of the computed fields (for lies).
  qint64 crc = -1;
  qint64 size = -1;
  qint64 truncateData = -1;  // keep only this many bytes of the packed data
};

inline QByteArray Deflate(const QByteArray& in) {
  z_stream z{};
  deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  QByteArray out(int(deflateBound(&z, uLong(in.size()))), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.constData()));
  z.avail_in = uInt(in.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = uInt(out.size());
  deflate(&z, Z_FINISH);
  out.resize(int(z.total_out));
  deflateEnd(&z);
  return out;
}

// The data lie in the order of the entries; the directory lists them in that order, or backwards
// with reversedDirectory.
inline QByteArray BuildZip(const QList<RawEntry>& entries, bool reversedDirectory = false) {
  auto u16 = [](QByteArray& b, quint32 v) {
    b.append(char(v & 0xFF));
    b.append(char((v >> 8) & 0xFF));
  };
  auto u32 = [&](QByteArray& b, quint32 v) {
    u16(b, v & 0xFFFF);
    u16(b, v >> 16);
  };
  QByteArray out;
  QList<QByteArray> records;
  for (const RawEntry& e : entries) {
    QByteArray central;
    QByteArray packed = e.method == 8 ? Deflate(e.data) : e.data;
    if (e.truncateData >= 0) packed.truncate(int(e.truncateData));
    quint32 crc = e.crc >= 0 ? quint32(e.crc)
                             : quint32(crc32(0, reinterpret_cast<const Bytef*>(e.data.constData()),
                                             uInt(e.data.size())));
    quint32 size = e.size >= 0 ? quint32(e.size) : quint32(e.data.size());
    quint32 offset = quint32(out.size());
    u32(out, 0x04034b50);
    u16(out, 20);
    u16(out, e.flags);
    u16(out, e.method);
    u16(out, e.dosTime);
    u16(out, e.dosDate);
    u32(out, crc);
    u32(out, quint32(packed.size()));
    u32(out, size);
    u16(out, quint32(e.name.size()));
    u16(out, 0);
    out += e.name;
    out += packed;
    u32(central, 0x02014b50);
    u16(central, e.madeBy);
    u16(central, 20);
    u16(central, e.flags);
    u16(central, e.method);
    u16(central, e.dosTime);
    u16(central, e.dosDate);
    u32(central, crc);
    u32(central, quint32(packed.size()));
    u32(central, size);
    u16(central, quint32(e.name.size()));
    u16(central, 0);
    u16(central, 0);
    u16(central, 0);
    u16(central, 0);
    u32(central, e.external);
    u32(central, offset);
    central += e.name;
    if (reversedDirectory)
      records.prepend(central);
    else
      records.append(central);
  }
  const QByteArray central = records.join();
  quint32 cdOffset = quint32(out.size());
  out += central;
  u32(out, 0x06054b50);
  u16(out, 0);
  u16(out, 0);
  u16(out, quint32(entries.size()));
  u16(out, quint32(entries.size()));
  u32(out, quint32(central.size()));
  u32(out, cdOffset);
  u16(out, 0);
  return out;
}

// A Unix symbolic link entry pointing at target.
inline RawEntry LinkEntry(const QByteArray& name, const QByteArray& target) {
  RawEntry e;
  e.name = name;
  e.data = target;
  e.method = 0;
  e.madeBy = 0x0314;
  e.external = quint32(0120777) << 16;
  return e;
}

inline RawEntry FileEntry(const QByteArray& name, const QByteArray& data) {
  RawEntry e;
  e.name = name;
  e.data = data;
  return e;
}

// Two entries whose data overlap: the stored entry `outer` holds the whole local record of
// `inner` (its header and data) as its own data, so that both directory records point into the
// same bytes, as the overlapping-entry bombs do. Every header agrees with its directory record.
inline QByteArray BuildOverlappingZip(const QByteArray& outer, const QByteArray& inner,
                                      const QByteArray& innerData) {
  auto u16 = [](QByteArray& b, quint32 v) {
    b.append(char(v & 0xFF));
    b.append(char((v >> 8) & 0xFF));
  };
  auto u32 = [&](QByteArray& b, quint32 v) {
    u16(b, v & 0xFFFF);
    u16(b, v >> 16);
  };
  auto crcOf = [](const QByteArray& d) {
    return quint32(crc32(0, reinterpret_cast<const Bytef*>(d.constData()), uInt(d.size())));
  };
  auto local = [&](const QByteArray& name, const QByteArray& data) {
    QByteArray b;
    u32(b, 0x04034b50);
    u16(b, 10);
    u16(b, 0);
    u16(b, 0);  // stored
    u16(b, 0);
    u16(b, (1 << 5) | 1);
    u32(b, crcOf(data));
    u32(b, quint32(data.size()));
    u32(b, quint32(data.size()));
    u16(b, quint32(name.size()));
    u16(b, 0);
    return b + name + data;
  };
  auto central = [&](const QByteArray& name, const QByteArray& data, quint32 offset) {
    QByteArray b;
    u32(b, 0x02014b50);
    u16(b, 0x0014);
    u16(b, 10);
    u16(b, 0);
    u16(b, 0);
    u16(b, 0);
    u16(b, (1 << 5) | 1);
    u32(b, crcOf(data));
    u32(b, quint32(data.size()));
    u32(b, quint32(data.size()));
    u16(b, quint32(name.size()));
    u16(b, 0);
    u16(b, 0);
    u16(b, 0);
    u16(b, 0);
    u32(b, 0x20);
    u32(b, offset);
    return b + name;
  };
  const QByteArray innerRecord = local(inner, innerData);
  QByteArray out = local(outer, innerRecord);
  const quint32 innerOffset = quint32(30 + outer.size());
  QByteArray cd = central(outer, innerRecord, 0) + central(inner, innerData, innerOffset);
  const quint32 cdOffset = quint32(out.size());
  out += cd;
  u32(out, 0x06054b50);
  u16(out, 0);
  u16(out, 0);
  u16(out, 2);
  u16(out, 2);
  u32(out, quint32(cd.size()));
  u32(out, cdOffset);
  u16(out, 0);
  return out;
}
