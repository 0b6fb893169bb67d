#include "EngineCfg.h"

#include <QSet>

namespace {

// The key of a name or path in the indexes: ASCII letters upper-cased, as qstricmp compares.
QByteArray Key(const QByteArray& s) {
  QByteArray k = s;
  for (char& c : k)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return k;
}

bool Storable(const QByteArray& s) {
  return !s.contains('\n') && !s.contains('\r');
}

const char kAliasRoot[] = "\\DATABASES";
const char kAliasInfo[] = "DB INFO";

QByteArray AliasSection(const QByteArray& name) {
  return QByteArray(kAliasRoot) + '\\' + name + '\\' + kAliasInfo;
}

}  // namespace

QByteArray TEngineCfg::NormalizePath(const QByteArray& path) {
  QByteArray out;
  for (const QByteArray& part : path.split('\\')) {
    QByteArray p = part.trimmed();
    if (!p.isEmpty()) out += '\\' + p;
  }
  return out.isEmpty() ? QByteArray("\\") : out;
}

bool TEngineCfg::Parse(const QByteArray& text, int* badLine) {
  sections_.clear();
  byPath_.clear();
  Section* current = nullptr;
  int number = 0;
  for (QByteArray line : text.split('\n')) {
    ++number;
    if (line.endsWith('\r')) line.chop(1);
    QByteArray trimmed = line.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith(';')) continue;
    auto fail = [&] {
      if (badLine) *badLine = number;
      sections_.clear();
      byPath_.clear();
      return false;
    };
    if (trimmed.startsWith('[')) {
      if (!trimmed.endsWith(']')) return fail();
      current = &Ensure(trimmed.mid(1, trimmed.size() - 2));
      continue;
    }
    int eq = line.indexOf('=');
    if (eq <= 0 || !current) return fail();
    QByteArray name = line.left(eq).trimmed();
    if (name.isEmpty()) return fail();
    SetValue(current->path, name, line.mid(eq + 1));
  }
  return true;
}

QByteArray TEngineCfg::Serialize() const {
  QByteArray out = "; Database engine configuration (ZarEDERAD engine stand-in)\r\n";
  for (const Section& s : sections_) {
    out += "\r\n[" + s.path + "]\r\n";
    for (const auto& [name, value] : s.values) out += name + '=' + value + "\r\n";
  }
  return out;
}

const TEngineCfg::Section* TEngineCfg::Find(const QByteArray& path) const {
  auto it = byPath_.constFind(Key(NormalizePath(path)));
  return it == byPath_.constEnd() ? nullptr : &sections_[*it];
}

TEngineCfg::Section& TEngineCfg::Ensure(const QByteArray& path) {
  const QByteArray norm = NormalizePath(path);
  const QByteArray key = Key(norm);
  auto it = byPath_.constFind(key);
  if (it != byPath_.constEnd()) return sections_[*it];
  byPath_.insert(key, sections_.size());
  sections_.append(Section{norm, {}, {}});
  return sections_.last();
}

QList<QByteArray> TEngineCfg::ChildNames(const QByteArray& path) const {
  QByteArray prefix = NormalizePath(path);
  if (prefix != "\\") prefix += '\\';
  QList<QByteArray> names;
  QSet<QByteArray> seen;
  for (const Section& s : sections_) {
    if (s.path.size() <= prefix.size() || qstrnicmp(s.path, prefix, prefix.size()) != 0) continue;
    QByteArray child = s.path.mid(prefix.size());
    child = child.left(child.indexOf('\\') < 0 ? child.size() : child.indexOf('\\'));
    if (!seen.contains(Key(child))) {
      seen.insert(Key(child));
      names << child;
    }
  }
  return names;
}

bool TEngineCfg::HasChildren(const QByteArray& path) const {
  QByteArray prefix = NormalizePath(path);
  if (prefix != "\\") prefix += '\\';
  for (const Section& s : sections_)
    if (s.path.size() > prefix.size() && qstrnicmp(s.path, prefix, prefix.size()) == 0) return true;
  return false;
}

QByteArray TEngineCfg::Value(const QByteArray& path, const QByteArray& name, bool* found) const {
  if (found) *found = false;
  const Section* s = Find(path);
  if (!s) return {};
  auto it = s->byName.constFind(Key(name));
  if (it == s->byName.constEnd()) return {};
  if (found) *found = true;
  return s->values[*it].second;
}

bool TEngineCfg::SetValue(const QByteArray& path, const QByteArray& name, const QByteArray& value) {
  QByteArray n = name.trimmed();
  if (n.isEmpty() || n.contains('=') || !Storable(n) || !Storable(value) || path.contains(']') ||
      !Storable(path))
    return false;
  Section& s = Ensure(path);
  const QByteArray key = Key(n);
  auto it = s.byName.constFind(key);
  if (it != s.byName.constEnd()) {
    s.values[*it].second = value;
    return true;
  }
  s.byName.insert(key, s.values.size());
  s.values.append({n, value});
  return true;
}

void TEngineCfg::AddDefaults() {
  static const char* const kParadox[][2] = {
      {"VERSION", "4.0"},      {"TYPE", "FILE"},         {"NET DIR", ""},
      {"LANGDRIVER", "ascii"}, {"LOCAL SHARE", "FALSE"}, {"BLOCK SIZE", "2048"},
      {"FILL FACTOR", "95"},   {"LEVEL", "4"},           {"STRICTINTEGRTY", "TRUE"},
  };
  for (const auto& [name, value] : kParadox) {
    bool found = false;
    Value("\\DRIVERS\\PARADOX\\INIT", name, &found);
    if (!found) SetValue("\\DRIVERS\\PARADOX\\INIT", name, value);
  }
  bool found = false;
  Value("\\SYSTEM\\INIT", "VERSION", &found);
  if (!found) SetValue("\\SYSTEM\\INIT", "VERSION", "4.0");
}

bool TEngineCfg::HasAlias(const QByteArray& name) const {
  return !name.isEmpty() && Find(AliasSection(name)) != nullptr;
}

QByteArray TEngineCfg::AliasPath(const QByteArray& name) const {
  return Value(AliasSection(name), "PATH");
}

QByteArray TEngineCfg::AliasDriver(const QByteArray& name) const {
  return Value(AliasSection(name), "TYPE");
}

bool TEngineCfg::AddAlias(const QByteArray& name, const QByteArray& driver,
                          const QByteArray& params) {
  QByteArray n = name.trimmed();
  if (n.isEmpty() || n.contains('\\') || n.contains(']') || !Storable(n) || HasAlias(n))
    return false;
  QList<QPair<QByteArray, QByteArray>> values{{"TYPE", driver.trimmed()}};
  for (const QByteArray& param : params.split(';')) {
    if (param.trimmed().isEmpty()) continue;
    int colon = param.indexOf(':');
    if (colon <= 0) return false;
    QByteArray key = param.left(colon).trimmed(), value = param.mid(colon + 1);
    if (key.contains('=') || !Storable(key) || !Storable(value)) return false;
    values.append({key.toUpper(), value});
  }
  for (const auto& [key, value] : values) SetValue(AliasSection(n), key, value);
  return true;
}

QList<QByteArray> TEngineCfg::AliasNames() const {
  return ChildNames(kAliasRoot);
}
